#pragma once

// What the fuzz targets share. Most readers take a path, so each input is written to a
// file in a private folder on a memory file system first; a broken promise (an invariant
// that the readers' callers rely on) stops the run like a crash, so that libFuzzer keeps
// the input that broke it.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vellumora::fuzz {

inline QString ScratchFolder() {
    static const QTemporaryDir folder((QDir(QStringLiteral("/dev/shm")).exists()
                                           ? QStringLiteral("/dev/shm")
                                           : QDir::tempPath()) +
                                      QStringLiteral("/vellumora-fuzz-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot make a scratch folder: %s\n",
                     qPrintable(folder.errorString()));
        std::abort();
    }
    return folder.path();
}

// The input as a file of the given name in the scratch folder; its path.
inline QString InputFile(const uint8_t* data, size_t size, const QString& name) {
    const QString path = ScratchFolder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        std::abort();
    }
    return path;
}

inline QString Text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

}  // namespace vellumora::fuzz

// Aborts with the broken promise named; libFuzzer saves the input as a crash.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "broken promise: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)
