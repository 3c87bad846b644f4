#include "support/TestSupport.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>

#include "codec/ImageBuffer.h"

namespace vellumora::test {

QImage PatternImage(int width, int height) {
    QImage image = NewImage(width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 7 + y) & 255, (y * 5 + x) & 255, ((x ^ y) * 3) & 255);
    }
    return image;
}

QImage PhotoLikeImage(int width, int height) {
    QImage photo = NewImage(width, height);
    quint32 seed = 1;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 29) - 4;
            const double u = double(x) / width, v = double(y) / height;
            const double shape = 0.5 + 0.5 * std::sin(9 * u) * std::cos(7 * v);
            const double texture = 0.5 + 0.5 * std::sin(x * 0.11 + 3 * std::sin(y * 0.05));
            row[x] = qRgb(std::clamp(int(30 + 170 * shape + 40 * texture) + noise, 0, 255),
                          std::clamp(int(50 + 150 * v + 30 * texture * shape) + noise, 0, 255),
                          std::clamp(int(200 * (1 - v) * shape + 20) + noise, 0, 255));
        }
    }
    return photo;
}

double Psnr(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16}) {
                const double d =
                    double((a.pixel(x, y) >> shift) & 255) - ((b.pixel(x, y) >> shift) & 255);
                sum += d * d;
            }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

QImage SolidImage(int width, int height, quint32 rgb) {
    return NewFilledImage(width, height, 0xFF000000u | rgb);
}

quint32 PixelRgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

QString WriteBytes(const QString& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir + QLatin1Char('/') + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QString SavePng(const QString& dir, const QString& name, const QImage& image) {
    const QString path = dir + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).path());
    image.save(path, "PNG");
    return path;
}

bool MakeReadOnly(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return false;
    QFile::Permissions read = QFile::ReadOwner | QFile::ReadUser;
    if (info.isDir()) read |= QFile::ExeOwner | QFile::ExeUser;
    if (!QFile::setPermissions(path, read)) return false;
    // A probe that changes nothing when it succeeds: appending no bytes, or a file made
    // and removed again.
    if (info.isDir()) {
        QFile probe(path + QStringLiteral("/.write-probe"));
        if (!probe.open(QIODevice::WriteOnly)) return true;
        probe.remove();
        return false;
    }
    QFile probe(path);
    return !probe.open(QIODevice::WriteOnly | QIODevice::Append);
}

TImageDifference DiffImages(const QImage& a, const QImage& b, int tolerance,
                            const TIgnorePixel& ignore) {
    TImageDifference diff;
    if (a.size() != b.size()) {
        diff.sizesDiffer = true;
        diff.maxChannel = 256;
        return diff;
    }
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (ignore && ignore(x, y)) continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int off = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                      std::abs(qBlue(p) - qBlue(q))});
            diff.maxChannel = std::max(diff.maxChannel, off);
            if (off <= tolerance) continue;
            if (diff.pixels++ == 0) diff.first = {x, y};
            diff.box |= QRect(x, y, 1, 1);
        }
    return diff;
}

QString CompareImages(const QImage& actual, const QImage& expected, int tolerance,
                      const TIgnorePixel& ignore) {
    const TImageDifference diff = DiffImages(actual, expected, tolerance, ignore);
    if (diff.sizesDiffer)
        return QStringLiteral("sizes differ: %1 x %2, expected %3 x %4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    if (diff.pixels == 0) return QString();
    const auto rgb = [](const QImage& image, QPoint at) {
        return QStringLiteral("#%1").arg(image.pixel(at) & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
    };
    const QRect& box = diff.box;
    return QStringLiteral(
               "%1 pixel(s) off by more than %2, in %3,%4 %5x%6; the first, (%7, %8), "
               "is %9 instead of %10; largest channel difference %11")
        .arg(diff.pixels)
        .arg(tolerance)
        .arg(box.x())
        .arg(box.y())
        .arg(box.width())
        .arg(box.height())
        .arg(diff.first.x())
        .arg(diff.first.y())
        .arg(rgb(actual, diff.first), rgb(expected, diff.first))
        .arg(diff.maxChannel);
}

QString FontProblem(const QString& asked, const QString& resolvesTo, const QString& package) {
    // Qt names the foundry too, "Z003 [urw]", when two of them have the family.
    const QString family = QFontInfo(QFont(asked)).family().section(QStringLiteral(" ["), 0, 0);
    if (family == resolvesTo) return QString();
    return QStringLiteral(
               "the font \"%1\" resolves to \"%2\", not \"%3\": install %4 "
               "(scripts/deps.sh does)")
        .arg(asked, family, resolvesTo, package);
}

bool ProcessEventsUntil(const QString& what, const std::function<bool()>& done, int passes) {
    for (int i = 0; i < passes; ++i) {
        if (done()) return true;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    if (done()) return true;
    qWarning().noquote() << "Waited for" << what << "in vain:" << passes
                         << "rounds of the event loop went by without it";
    return false;
}

bool AwaitEventsUntil(const QString& what, const std::function<bool()>& done, int passes) {
    // Only wakes the wait below should nothing else ever come; see kHangBound.
    QTimer hang;
    hang.setSingleShot(true);
    hang.start(kHangBound);
    int i = 0;
    for (; i < passes && hang.isActive(); ++i) {
        if (done()) return true;
        QCoreApplication::sendPostedEvents();
        if (done()) return true;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (done()) return true;
    if (hang.isActive())
        qWarning().noquote() << "Waited for" << what << "in vain:" << i << "events came without it";
    else
        qWarning().noquote() << "Waited for" << what << "in vain: nothing brought it in"
                             << kHangBound.count() << "s, after" << i << "events; taken for a hang";
    return false;
}

bool ProcessPendingEvents(int passes) {
    QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher();
    for (int i = 0; i < passes; ++i) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents)) return true;
    }
    qWarning().noquote() << "Waited for the events to stop coming in vain: they still came after"
                         << passes << "rounds of the event loop";
    return false;
}

TCliResult RunCli(const QStringList& args, qint64 fileSizeLimit, const QStringList& environment,
                  const QString& program) {
    QProcess process;
    if (!environment.isEmpty()) {
        QStringList all = QProcess::systemEnvironment();
        all << environment;
        process.setEnvironment(all);
    }
    if (fileSizeLimit > 0)
        process.setChildProcessModifier([fileSizeLimit] {
            // Past the limit a write fails with EFBIG instead of the process being killed.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    process.start(program.isEmpty() ? qEnvironmentVariable("VELLUMORA_CLI") : program, args);
    TCliResult result;
    if (!process.waitForFinished(kHangBoundMs)) {
        qWarning().noquote() << "vellumora-cli" << args.join(' ') << "did not end within"
                             << kHangBound.count() << "s; taken for a hang";
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.crashed = process.exitStatus() != QProcess::NormalExit;
    result.code = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

TSmallDisk::TSmallDisk() {
    if (!dir_.isValid()) return;
    const QByteArray path = QFile::encodeName(dir_.path());
    mounted_ = ::mount("tmpfs", path.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                       "size=64k,mode=0700") == 0;
}

TSmallDisk::~TSmallDisk() {
    // Detached, so that a file a failed test left open does not keep it mounted.
    if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

bool TSmallDisk::Fill() const {
    if (!mounted_) return false;
    const QByteArray path = QFile::encodeName(dir_.filePath(QStringLiteral("filler")));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const QByteArray block(4096, 'f');
    int error = 0;
    // Page by page, then byte by byte, until the file system refuses; bounded by its size.
    for (qint64 chunk : {qint64(block.size()), qint64(1)}) {
        for (int i = 0; i < 64 * 1024; ++i) {
            if (::write(fd, block.constData(), size_t(chunk)) < 0) {
                error = errno;
                break;
            }
        }
    }
    ::close(fd);
    return error == ENOSPC;
}

}  // namespace vellumora::test
