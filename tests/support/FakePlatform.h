#pragma once

// A scripted desktop for window tests: records every request and answers from queues, so
// that no real dialog, browser or mail program is started and no test blocks.

#include <QList>
#include <QStringList>
#include <deque>

#include "forms/common/Platform.h"

namespace vellumora::test {

class TFakePlatform : public TPlatform {
public:
    // What was asked, in order: "error: text", "ask: text", "open", "save", "url: ...", ...
    QStringList log;

    // Answers, taken from the front; when a queue is empty the answer is "cancel".
    std::deque<bool> answers;               // AskOkCancel and AskYesNo
    std::deque<QString> openFiles;          // OpenFile
    std::deque<QStringList> openFileLists;  // OpenFiles; else one file of openFiles
    std::deque<TSaveChoice> saves;          // SaveFile
    std::deque<QColor> colors;              // ChooseColor
    std::deque<QFont> fonts;                // ChooseFont
    std::deque<QString> folders;            // ChooseFolder
    bool mailProgram = true;                // SendMail's answer: a mail program took it

    // What the windows passed, for checks.
    QString lastSavePreset;
    QStringList lastSaveFilters;
    int lastSaveFilterIndex = -1;
    QImage clipboard;
    QStringList mailed;
    QList<QUrl> opened;

    // The detail of every message box, in order; the log keeps the main text only.
    QStringList details;

    void ShowError(QWidget*, const QString& text, const QString& detail) override {
        log << "error: " + text;
        details << detail;
    }
    void ShowWarning(QWidget*, const QString& text, const QString& detail) override {
        log << "warning: " + text;
        details << detail;
    }
    bool AskOkCancel(QWidget*, const QString& text) override {
        log << "ask: " + text;
        return Take(answers, false);
    }
    bool AskYesNo(QWidget*, const QString& text) override {
        log << "ask: " + text;
        return Take(answers, false);
    }
    QString OpenFile(QWidget*, const QString& title, const QString& filter) override {
        log << "open: " + title + " | " + filter;
        return Take(openFiles, QString());
    }
    QStringList OpenFiles(QWidget*, const QString& title, const QString& filter) override {
        log << "open files: " + title + " | " + filter;
        if (openFileLists.empty() && !openFiles.empty()) return {Take(openFiles, QString())};
        return Take(openFileLists, QStringList());
    }
    std::optional<TSaveChoice> SaveFile(QWidget*, const QString& title, const QString& preset,
                                        const QStringList& filters, int filterIndex) override {
        log << "save: " + title;
        lastSavePreset = preset;
        lastSaveFilters = filters;
        lastSaveFilterIndex = filterIndex;
        if (saves.empty()) return std::nullopt;
        return Take(saves, TSaveChoice{});
    }
    std::optional<QColor> ChooseColor(QWidget*, const QColor& initial) override {
        log << "color: " + initial.name();
        if (colors.empty()) return std::nullopt;
        return Take(colors, QColor());
    }
    std::optional<QFont> ChooseFont(QWidget*, const QFont& initial) override {
        log << "font: " + initial.family();
        if (fonts.empty()) return std::nullopt;
        return Take(fonts, QFont());
    }
    QString ChooseFolder(QWidget*, const QString& title, const QString&) override {
        log << "folder: " + title;
        return Take(folders, QString());
    }
    bool OpenUrl(const QUrl& url) override {
        log << "url: " + url.toString();
        opened << url;
        return true;
    }
    bool SendMail(const QString& attachment) override {
        log << "mail: " + attachment;
        mailed << attachment;
        return mailProgram;
    }
    void SetClipboardImage(const QImage& image) override {
        log << "clipboard";
        clipboard = image;
    }

private:
    template <typename T, typename Q>
    static T Take(Q& queue, T fallback) {
        if (queue.empty()) return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

}  // namespace vellumora::test
