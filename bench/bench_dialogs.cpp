// Times the edit dialogs on a big photo already open in the main window, as the user
// waits for them: from the command to the dialog's pictures painted, and from one move of
// a control to its preview painted again. Each dialog is made once beforehand, as the
// program makes its dialogs at start-up.
// Last, OK in Border on the photo kept at full size: how long the window's event loop was
// kept from answering, and the time to the exact picture painted.
// Usage: bench_dialogs PHOTO [RUNS]   (run with QT_QPA_PLATFORM=offscreen)
// Prints one line "name: N ms" per measurement, the median of RUNS.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "PaintWatch.h"
#include "forms/border/FormBorder.h"
#include "forms/color/FormColor.h"
#include "forms/common/NumberBox.h"
#include "forms/crop/FormCrop.h"
#include "forms/main/FormMain.h"
#include "forms/main/PhotoView.h"
#include "forms/watermark/FormWatermark.h"
#include "photos/settings/ProgramFolder.h"
#include "support/FakePlatform.h"

using namespace vellumora;

namespace {

// A pointer drag on widget from one point to another, the button released at the end.
void Drag(QWidget* widget, QPoint from, QPoint to) {
    const auto send = [widget](QEvent::Type type, QPoint at, Qt::MouseButton button,
                               Qt::MouseButtons held) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// A dialog under test: how the program makes it, and the pictures it shows.
struct TDialogCase {
    const char* name;
    std::function<QDialog*(TFormMain&)> make;
    std::vector<const char*> pictures;  // objectNames; the dialog is open once all painted
};

// One move of a dialog's control, made again with a different value each time (run).
struct TStepCase {
    const char* name;
    const char* dialog;   // a TDialogCase name
    const char* picture;  // repainted by the step
    std::function<void(QDialog*, int run)> step;
};

const TDialogCase kDialogs[] = {
    {"Color Balance",
     [](TFormMain& form) { return new TFormColor(form.Photo(), &form); },
     {"ImagePhoto", "ImagePreview"}},
    {"Watermark",
     [](TFormMain& form) {
         // A signature already there, as a template gives one; each step types onto it.
         form.Photo().Info()->Watermark = QStringLiteral("(c) 2026 Vellumora Photography");
         return new TFormWatermark(form.Photo(), form.Platform(), &form);
     },
     {"ImagePreview"}},
    {"Border",
     [](TFormMain& form) { return new TFormBorder(form.Photo(), form.Platform(), &form); },
     {"qt_scrollarea_viewport"}},  // the mask list's items
    {"Crop",
     [](TFormMain& form) { return new TFormCrop(form.Photo(), &form); },
     {"ImagePhoto", "ImagePreview"}},
};

const TStepCase kSteps[] = {
    {"Color Balance preview step", "Color Balance", "ImagePreview",
     [](QDialog* dialog, int run) {
         dialog->findChild<QSlider*>(QStringLiteral("TrackBarBrightness"))
             ->setValue(run % 2 ? 30 : -30);
     }},
    {"Watermark preview per typed character", "Watermark", "ImagePreview",
     [](QDialog* dialog, int run) {
         auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("EditSignature"));
         run % 2 ? box->backspace() : box->insert(QStringLiteral("W"));
     }},
    // Until the main window shows the result ("Photo" is its view): an oval mask, bands of
    // 10 and 4 pixels and a shadow of radius 8.
    {"Border Apply", "Border", "Photo",
     [](QDialog* dialog, int) {
         auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListView"));
         for (int i = 0; i < list->count(); ++i)
             if (list->item(i)->data(Qt::AccessibleTextRole) == QLatin1String("oval.png"))
                 list->setCurrentRow(i);
         for (const auto& [name, value] :
              {std::pair{"UpDownOutside", 10}, {"UpDownInside", 4}, {"UpDownRadius", 8}})
             dialog->findChild<TUpDown*>(QLatin1String(name))->SetValue(value);
         dialog->findChild<QPushButton*>(QStringLiteral("ButtonApply"))->click();
     }},
    // A new selection drawn outside the last one, so every run is a whole drag.
    {"Crop preview after a pointer release", "Crop", "ImagePreview",
     [](QDialog* dialog, int run) {
         const int x = run % 2 ? 20 : 240;
         Drag(dialog->findChild<QWidget*>(QStringLiteral("ImagePhoto")), {x, 30}, {x + 150, 250});
     }},
};

// Notes the paints of the widgets it watches; a paint is over once the event loop returns.
class TPaintWatch : public QObject {
public:
    std::set<QObject*> painted;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.insert(watched);
        return false;
    }
};

// Milliseconds from running command until every watched widget has painted.
template <class F>
double TimeUntilPainted(TPaintWatch& watch, size_t widgets, F command) {
    QCoreApplication::processEvents();  // nothing of an earlier run left pending
    watch.painted.clear();
    QElapsedTimer timer;
    timer.start();
    command();
    while (watch.painted.size() < widgets)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return timer.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Watches the named children of dialog, or else of the main window; false when one is
// missing.
bool Watch(QDialog* dialog, const std::vector<const char*>& names, TPaintWatch& watch) {
    for (const char* name : names) {
        QWidget* widget = dialog->findChild<QWidget*>(QLatin1String(name));
        if (!widget && dialog->parentWidget())
            widget = dialog->parentWidget()->findChild<QWidget*>(QLatin1String(name));
        if (!widget) return false;
        widget->installEventFilter(&watch);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bench::TTimedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumora"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_dialogs PHOTO [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 9;

    // A program folder of its own: no templates, the built-in defaults.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    PrepareProgramFolder();  // the shipped masks

    test::TFakePlatform platform;
    TOpenPhotos photos;
    TFormMain form(platform, photos);
    form.resize(1280, 800);
    form.show();
    TPaintWatch viewWatch;
    form.View()->installEventFilter(&viewWatch);
    platform.openFiles.push_back(args[1]);
    TimeUntilPainted(viewWatch, 1,
                     [&] { form.findChild<QAction*>(QStringLiteral("MenuOpen"))->trigger(); });
    // Already open: the original itself in, not only its preview.
    form.Loader().Finish();
    const QImage& original = form.Photo().Original();
    if (original.isNull()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(args[1]));
        return 1;
    }
    std::fprintf(stderr, "photo %s: %d x %d\n", qPrintable(args[1]), original.width(),
                 original.height());

    for (const TDialogCase& entry : kDialogs) {
        std::unique_ptr<QDialog> dialog(entry.make(form));
        TPaintWatch watch;
        if (!Watch(dialog.get(), entry.pictures, watch)) {
            std::fprintf(stderr, "%s: a picture is missing\n", entry.name);
            return 1;
        }
        // Shown as exec shows it, without blocking here.
        dialog->setWindowModality(Qt::ApplicationModal);
        std::vector<double> opening;
        for (int i = 0; i < runs; ++i) {
            opening.push_back(
                TimeUntilPainted(watch, entry.pictures.size(), [&] { dialog->show(); }));
            dialog->close();  // the close box: nothing restored, nothing rendered
        }
        std::printf("%s open: %.1f ms\n", entry.name, Median(opening));

        for (const TStepCase& step : kSteps) {
            if (std::string_view(step.dialog) != entry.name) continue;
            TPaintWatch stepWatch;
            if (!Watch(dialog.get(), {step.picture}, stepWatch)) return 1;
            dialog->show();
            QCoreApplication::processEvents();
            std::vector<double> steps;
            for (int i = 0; i < runs; ++i)
                steps.push_back(
                    TimeUntilPainted(stepWatch, 1, [&] { step.step(dialog.get(), i); }));
            dialog->close();
            std::printf("%s: %.2f ms\n", step.name, Median(steps));
        }
    }

    // The photo at full size (no resize), an oval mask, bands of 10 and 4 pixels and a
    // shadow of radius 20: the heaviest edit there is on a big photo.
    form.Photo().Info()->Max = 0;
    form.Photo().Render();
    form.Photo().FinishRender();
    TFormBorder border(form.Photo(), form.Platform(), &form);
    border.setWindowModality(Qt::ApplicationModal);
    bench::TPaintWatch exactWatch(form.Photo());
    form.View()->installEventFilter(&exactWatch);
    std::vector<double> exact, blocked;
    for (int i = 0; i < runs; ++i) {
        border.show();
        QCoreApplication::processEvents();
        auto* list = border.findChild<QListWidget*>(QStringLiteral("ListView"));
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->data(Qt::AccessibleTextRole) == QLatin1String("oval.png"))
                list->setCurrentRow(row);
        for (const auto& [name, value] :
             {std::pair{"UpDownOutside", 10}, {"UpDownInside", 4}, {"UpDownRadius", 20}})
            border.findChild<TUpDown*>(QLatin1String(name))->SetValue(value);
        exactWatch.Reset();
        app.longestMs = 0;
        QElapsedTimer timer;
        timer.start();
        border.findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
        // The click runs outside any event here; in the program it is one.
        double longest = timer.nsecsElapsed() / 1e6;
        while (!exactWatch.exact) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        exact.push_back(timer.nsecsElapsed() / 1e6);
        blocked.push_back(std::max(longest, app.longestMs));
    }
    std::printf("Border OK, full size, radius 20: exact picture painted: %.1f ms\n", Median(exact));
    std::printf("Border OK, full size, radius 20: longest the event loop was blocked: %.1f ms\n",
                Median(blocked));
    return 0;
}
