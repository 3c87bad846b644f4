#include "forms/common/Platform.h"

#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

namespace vellumora {
namespace {

const QString kCaption = QStringLiteral("Vellumora");

// How long SendMail waits for xdg-email to report a failure. It normally hands the
// message to the mail program and exits at once; when it execs the mail program itself
// (a mail client that is not running yet) it keeps running, and that is success.
constexpr int kMailStartupMs = 1500;

QMessageBox::StandardButton Ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton,
                                const QString& caption = kCaption, const QString& detail = {}) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setInformativeText(detail);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

class TDesktopPlatform final : public TPlatform {
public:
    void ShowError(QWidget* parent, const QString& text, const QString& detail) override {
        Ask(parent, QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok, kCaption,
            detail);
    }

    void ShowWarning(QWidget* parent, const QString& text, const QString& detail) override {
        Ask(parent, QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok, kCaption, detail);
    }

    bool AskOkCancel(QWidget* parent, const QString& text) override {
        return Ask(parent, QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel,
                   QMessageBox::Ok) == QMessageBox::Ok;
    }

    bool AskYesNo(QWidget* parent, const QString& text) override {
        return Ask(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes) == QMessageBox::Yes;
    }

    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override {
        return Ask(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes, caption) == QMessageBox::Yes;
    }

    QString OpenFile(QWidget* parent, const QString& title, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    }

    QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter) override {
        return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
    }

    std::optional<TSaveChoice> SaveFile(QWidget* parent, const QString& title,
                                        const QString& presetPath, const QStringList& filters,
                                        int filterIndex) override {
        QFileDialog dialog(parent, title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The caller asks its own replace question, after it has put the extension of
        // the chosen entry on the name; the dialog's question would be about the name
        // as typed, which may not be the file that gets written.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.setNameFilters(filters);
        if (filterIndex >= 0 && filterIndex < filters.size())
            dialog.selectNameFilter(filters.at(filterIndex));
        if (!presetPath.isEmpty()) {
            const QFileInfo preset(presetPath);
            if (preset.absoluteDir().exists()) dialog.setDirectory(preset.absolutePath());
            dialog.selectFile(preset.fileName());
        }
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;

        TSaveChoice choice;
        choice.path = files.first();
        const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
        choice.filterIndex = chosen >= 0 ? int(chosen) : std::max(filterIndex, 0);
        return choice;
    }

    std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) override {
        const QColor color = QColorDialog::getColor(initial, parent);
        if (!color.isValid()) return std::nullopt;
        return color;
    }

    std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) override {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, initial, parent);
        if (!ok) return std::nullopt;
        return font;
    }

    QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) override {
        return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
    }

    bool OpenUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }

    bool SendMail(const QString& attachment) override {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
        if (program.isEmpty()) return false;

        // Not parented: if the program quits while the mail program still runs as this
        // child, a parent would kill it on the way out and take the unsent message along.
        auto* process = new QProcess;
        process->setProgram(program);
        process->setArguments({QStringLiteral("--attach"), attachment});
        // Nobody reads the mail program's chatter; an unread pipe would block it once full.
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start();
        if (!process->waitForStarted()) {
            delete process;
            return false;
        }
        if (process->waitForFinished(kMailStartupMs)) {
            const bool ok =
                process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
            delete process;
            return ok;
        }
        // Still running: it became the mail program. Let it be; free the object when done.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return true;
    }

    void SetClipboardImage(const QImage& image) override {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
        QGuiApplication::clipboard()->setImage(image);
    }
};

}  // namespace

TPlatform& DesktopPlatform() {
    static TDesktopPlatform platform;
    return platform;
}

}  // namespace vellumora
