// Vellumora start-up. Until the main window lands this shows the photos given on the
// command line (or chosen in a file dialog), rendered with the default template.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>

#include "Photo.h"
#include "PhotoInfo.h"
#include "ProgramFolder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumora"));
    vellumora::PrepareProgramFolder();

    QStringList files = QApplication::arguments().mid(1);
    if (files.isEmpty()) {
        const QString file = QFileDialog::getOpenFileName(nullptr, QStringLiteral("Open"));
        if (file.isEmpty()) return 0;
        files << file;
    }

    vellumora::TPhotoInfo info(files.first());
    vellumora::TPhoto photo;
    QObject::connect(&photo, &vellumora::TPhoto::ErrorReported, [](const QString& message) {
        QMessageBox::critical(nullptr, QStringLiteral("Vellumora"), message);
    });
    photo.AssignInfo(&info);

    QScrollArea area;
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(photo.Rendered()));
    area.setWidget(label);
    area.setAlignment(Qt::AlignCenter);
    area.setWindowTitle(QStringLiteral("Vellumora"));
    area.resize(800, 600);
    area.show();
    return app.exec();
}
