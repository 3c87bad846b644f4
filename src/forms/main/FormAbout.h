#pragma once

// The about box: name, version, a picture, OK. It stands centred over the main window
// whenever it is shown, and stays there while that window is moved or resized (at start
// the desktop may give the window its place only after the box has opened).

#include <QDialog>

class QCheckBox;

namespace vellumora {

class TFormAbout : public QDialog {
    Q_OBJECT

public:
    explicit TFormAbout(QWidget* parent = nullptr);

    // The "Show at start" check box stands in the box only when it opens at start: opened
    // from the Help menu the box is the plain one the user asked for.
    void OfferStartChoice(bool offer, bool showAtStart = true);
    bool ShowAtStart() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CentreOverWindow();

    QCheckBox* showAtStart_ = nullptr;
};

}  // namespace vellumora
