#pragma once

// The about box: name, version, a picture, OK.

#include <QDialog>

namespace vellumora {

class TFormAbout : public QDialog {
    Q_OBJECT

public:
    explicit TFormAbout(QWidget* parent = nullptr);
};

}  // namespace vellumora
