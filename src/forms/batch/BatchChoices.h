#pragma once

// The rules of the batch dialog that need no widget: its lists, the run's options as the
// controls give them, and what the dialog says when a run ends.

#include <QList>
#include <QString>
#include <QStringList>

#include "photos/batch/Batch.h"

namespace vellumora {

// The items of the type list, in the order of WritableExtensions().
QStringList BatchTypeCaptions();  // "JPEG Bitmap (*.jpg)" ... "Targa Bitmap (*.tga)"
// The items of the case list, by TNameCase.
QStringList BatchCaseCaptions();  // "Unchange", "UPPERCASE", "lowercase"

// The folder the dialog offers at first: "Vellumora" in the user's pictures folder.
QString DefaultBatchFolder();

// What the controls say, as the dialog reads them.
struct TBatchChoices {
    bool autoCrop = false;
    int ratioIndex = 0;  // into BatchRatioCaptions()
    int typeIndex = 0;   // into BatchTypeCaptions()
    int caseIndex = 0;   // into BatchCaseCaptions()
    QString prefix;
    QString suffix;
    QString folder;
};
// The options of a run; prefix, suffix and folder are trimmed by the run itself.
TBatchOptions BatchOptionsOf(const TBatchChoices& choices);

// The words for why a file failed: "cannot open", "would overwrite the original", ...
QString FailureWords(TBatchFailure failure);

// The message at the end of a run, from its result and the items that failed. ask: a
// question whether to open the folder (when anything was written), else a warning.
struct TBatchEndMessage {
    QString text;
    bool ask = true;
};
TBatchEndMessage BatchEndMessage(const TBatchResult& result, int total,
                                 const QList<TBatchItem>& failed);

// What the dialog's status line says about files left out when they were added: empty
// when none was.
QString LeftOutText(int leftOut);
// Which files those are, for the status line's tooltip and screen readers: one a line,
// in the order given, each as its name and then its folder ("broken.jpg (in /photos)"),
// so that equal names from two folders stay apart. Beyond 20 the rest are counted
// ("and 5 more"). Plain text; empty for no files.
QString LeftOutList(const QStringList& files);

}  // namespace vellumora
