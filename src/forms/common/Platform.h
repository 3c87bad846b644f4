#pragma once

// Everything the windows ask of the desktop, behind one small interface: message boxes,
// file, folder, colour and font dialogs, opening a web page or a folder, handing a file to
// the mail program, and the clipboard. The program uses DesktopPlatform(); tests pass a
// scripted fake, so that no real dialog, browser or mail program is ever started.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QWidget;

namespace vellumora {

class TPlatform {
public:
    virtual ~TPlatform() = default;

    // Message boxes with the caption "Vellumora"; a detail, when given, stands under the
    // text in the box (the reason of a failure, where a file was put).
    virtual void ShowError(QWidget* parent, const QString& text,
                           const QString& detail = {}) = 0;  // error icon, OK
    virtual void ShowWarning(QWidget* parent, const QString& text,
                             const QString& detail = {}) = 0;  // warning icon, OK
    virtual bool AskOkCancel(QWidget* parent,
                             const QString& text) = 0;                // question icon; true on OK
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;  // question icon; true on Yes
    // The same under a caption of the asking window's own.
    virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
        Q_UNUSED(caption);
        return AskYesNo(parent, text);
    }

    // One file; empty when cancelled. filter is one entry such as "All Photos (*.jpg *.png)".
    virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // Several files at once; empty when cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter) = 0;

    struct TSaveChoice {
        QString path;         // as the user typed or chose it
        int filterIndex = 0;  // 0-based index into the filters passed
    };
    // presetPath: folder and file name the dialog opens with.
    virtual std::optional<TSaveChoice> SaveFile(QWidget* parent, const QString& title,
                                                const QString& presetPath,
                                                const QStringList& filters, int filterIndex) = 0;

    virtual std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) = 0;
    virtual std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) = 0;
    // A folder; empty when cancelled.
    virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) = 0;

    // Opens a web address, a local file or a folder with the desktop's default program.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Hands one file to the user's mail program as an attachment of a new message.
    virtual bool SendMail(const QString& attachment) = 0;
    virtual void SetClipboardImage(const QImage& image) = 0;
};

// The real desktop: Qt's dialogs and message boxes, QDesktopServices, xdg-email.
TPlatform& DesktopPlatform();

}  // namespace vellumora
