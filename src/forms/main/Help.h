#pragma once

// The user guide shipped with the program, its window, and the project's home page.

#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace vellumora {

class TPlatform;

// The guide's start page (HTML) in the shipped data; empty when it is not installed.
QString HelpIndexFile();
// The project's home page address.
QUrl HomepageUrl();

// The guide in a window of the program's own, so that it reads without a web browser:
// Back, Forward and Contents over the pages, and the page shown handed to the desktop's
// browser on request. Links that leave the guide (web addresses, mail) go to the desktop.
class TFormHelp : public QWidget {
    Q_OBJECT

public:
    explicit TFormHelp(TPlatform& platform, QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return browser_; }
    // Shows the page (the start page when empty) and brings the window to the front.
    void ShowPage(const QUrl& page = {});

private:
    void LinkClicked(const QUrl& link);

    TPlatform& platform_;
    QTextBrowser* browser_ = nullptr;
};

}  // namespace vellumora
