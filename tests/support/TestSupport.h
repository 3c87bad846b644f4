#pragma once

// Small helpers the tests share: synthetic images and pixel access in the program's layout,
// one way to compare images, files, fonts, and running the event loop without a clock.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace vellumora::test {

// An image of the program's layout with a distinct colour in every pixel:
// red = x * 7 + y, green = y * 5 + x, blue = (x ^ y) * 3 (all mod 256).
QImage PatternImage(int width, int height);
// Like a photo, for what is judged by how it looks (reduced decodes): smooth shapes,
// some fine texture and a little noise.
QImage PhotoLikeImage(int width, int height);
// The peak signal-to-noise ratio of b against a in red, green and blue, in dB (99 when
// they are equal); the sizes must match.
double Psnr(const QImage& a, const QImage& b);
// An image of one colour (0xRRGGBB).
QImage SolidImage(int width, int height, quint32 rgb);
// Red, green, blue of pixel (x, y) as 0xRRGGBB.
quint32 PixelRgb(const QImage& image, int x, int y);
// Writes bytes to a file; returns its path inside dir.
QString WriteBytes(const QString& dir, const QString& name, const QByteArray& bytes);
// The whole file; "(missing)" when it cannot be read.
QByteArray ReadBytes(const QString& path);

// What a run of the command-line tool (the path in VELLUMORA_CLI) gave; crashed also when
// it did not end within kHangBound.
struct TCliResult {
    int code = -1;
    bool crashed = true;
    QString out;
    QString err;
};
// With fileSizeLimit above 0, the tool may write no file larger than that many bytes
// (RLIMIT_FSIZE, as a quota or a full file system stops a write, with no privileges).
// `environment` ("NAME=value") is added to the test's own; `program` runs instead of
// $VELLUMORA_CLI when given (a copy of the tool elsewhere).
TCliResult RunCli(const QStringList& args, qint64 fileSizeLimit = 0,
                  const QStringList& environment = {}, const QString& program = {});
// Saves an image as PNG, making the folders on the way; returns its path inside dir.
QString SavePng(const QString& dir, const QString& name, const QImage& image);

// How two images differ in red, green and blue (alpha is not looked at).
struct TImageDifference {
    bool sizesDiffer = false;
    int maxChannel = 0;    // largest difference of one channel; 256 when the sizes differ
    int pixels = 0;        // pixels with a channel off by more than the tolerance
    QRect box;             // the smallest rectangle holding those pixels
    QPoint first{-1, -1};  // the first of them, row by row
};
// Pixels for which ignore(x, y) holds are left out.
using TIgnorePixel = std::function<bool(int x, int y)>;
TImageDifference DiffImages(const QImage& a, const QImage& b, int tolerance = 0,
                            const TIgnorePixel& ignore = {});
// Takes write permission away from a file or a folder. False when this process can still
// write there (root can), so that a test of a refused write can skip instead of passing
// for the wrong reason. Give it back with QFile::setPermissions before cleaning up.
bool MakeReadOnly(const QString& path);

// Empty when every channel of actual is within tolerance of expected; otherwise what
// differs (sizes, or how many pixels, the first of them and by how much), to be shown by
// QCOMPARE(CompareImages(...), QString()).
QString CompareImages(const QImage& actual, const QImage& expected, int tolerance = 0,
                      const TIgnorePixel& ignore = {});

// Empty when the font family asked for resolves to the one the test's numbers were taken
// with; otherwise says which Debian package (installed by scripts/deps.sh) brings it.
QString FontProblem(const QString& asked, const QString& resolvesTo, const QString& package);

// How long a wait on another thread or process may block before the test calls it a hang.
// This is no timing assertion: what is waited for takes a small part of it even on a
// loaded machine under a sanitizer. It only turns a hang into a failure that names what
// was awaited, well before ctest's own timeout ends the program without saying.
inline constexpr std::chrono::seconds kHangBound{120};
inline constexpr int kHangBoundMs = int(std::chrono::milliseconds(kHangBound).count());

// Delivers the events that are ready, and the ones they post in turn, until done() holds;
// at most `passes` rounds of the event loop. Nothing here waits for time to pass: how
// many rounds a chain of events takes does not depend on the machine's speed or load.
// When done() still fails at the end, says so naming `what` (what done() waits for).
bool ProcessEventsUntil(const QString& what, const std::function<bool()>& done, int passes = 1000);
// For work that other threads post back: like ProcessEventsUntil, but each round waits
// for the next event to arrive instead of returning when none is ready. `passes` counts
// events, not time, so a slow or loaded machine takes no more of them. A worker that
// never posts again would leave it waiting for ever: after kHangBound without done() it
// gives up, naming `what`.
bool AwaitEventsUntil(const QString& what, const std::function<bool()>& done, int passes = 100000);
// Delivers events until none is ready; false, saying so, when they were still coming
// after `passes` rounds.
bool ProcessPendingEvents(int passes = 1000);

// Holds work on other threads where the test wants it held: Pass() waits until Open().
// It opens when it goes, so that nothing waits on it for ever; declare it after what
// waits for that work. `what` names the work held. A gate that stays shut for kHangBound
// means the test waits for the very work it holds: the program stops there, naming the
// gate, rather than hanging until ctest's timeout.
class TGate {
public:
    explicit TGate(QString what) : what_(std::move(what)) {}
    TGate(const TGate&) = delete;
    TGate& operator=(const TGate&) = delete;
    ~TGate() { Open(); }
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    void Pass() {
        std::unique_lock lock(mutex_);
        if (!opened_.wait_for(lock, kHangBound, [this] { return open_; }))
            qFatal(
                "The gate holding %s was not opened within %d s: does the test wait for "
                "that work before it opens the gate?",
                qPrintable(what_), int(kHangBound.count()));
    }

private:
    const QString what_;
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// A folder on a file system of its own, 64 KB large, to see what a full disk does to a
// write. Path() is empty where the tests may not mount one (they do not run as root, or
// the container forbids it): the caller skips then, saying so.
class TSmallDisk {
public:
    TSmallDisk();
    ~TSmallDisk();
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    QString Path() const { return mounted_ ? dir_.path() : QString(); }
    // Takes up all the space that is left with a file of its own; false when it could not.
    bool Fill() const;

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

}  // namespace vellumora::test
