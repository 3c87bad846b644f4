#pragma once

// Undo and redo of the open photos' settings. Each photo has its own history, kept while
// the photo is open; a closed photo's is taken out whole, so that the photo brought back
// by Undo Close has it again. A step is a pair of settings records (before and after),
// never pixels: the picture is rebuilt from the original whenever a step is undone or redone.
// A change made to several photos at once ("OK for All") is one step on each of them,
// linked: undoing or redoing it on one photo does so on every photo where it is the next
// step to undo or redo.

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "photos/PhotoId.h"
#include "photos/settings/PhotoInfo.h"

class QUndoStack;

namespace vellumora {

// Every field that Assign copies is the same in both.
bool SameSettings(const TPhotoInfo& a, const TPhotoInfo& b);

class TSettingsHistory {
public:
    // The record of an open photo; null once it is closed.
    using TFind = std::function<TPhotoInfo*(TPhotoId photo)>;
    // A step's settings were given back to the photo's record (Assign: its file name
    // stays); the owner renders when it is the current photo's.
    using TApplied = std::function<void(TPhotoId photo)>;

    TSettingsHistory(TFind find, TApplied applied);
    ~TSettingsHistory();

    // A change the photo's record has been through from before to its present settings,
    // named for the menu ("Undo <text>"). Nothing when the settings are the same.
    void Record(TPhotoId photo, const TPhotoInfo& before, const QString& text);
    // One change to several photos, each with its settings before it.
    struct TBefore {
        TPhotoId photo;
        TPhotoInfo settings;
    };
    void RecordAll(const std::vector<TBefore>& changes, const QString& text);

    bool CanUndo(TPhotoId photo) const;
    bool CanRedo(TPhotoId photo) const;
    // The name of the step Undo or Redo would take back or make again; empty when none.
    QString UndoText(TPhotoId photo) const;
    QString RedoText(TPhotoId photo) const;
    void Undo(TPhotoId photo);
    void Redo(TPhotoId photo);

    // A photo's steps, as a closed photo keeps them: dropping them forgets them.
    using TSteps = std::unique_ptr<QUndoStack>;
    // The photo is closed: its steps leave the history (null when it had none). A linked
    // step undone on another photo is not followed on them while they are out.
    TSteps Take(TPhotoId photo);
    // The photo is open again, under the same id: its steps come back as they were taken.
    void Restore(TPhotoId photo, TSteps steps);

private:
    class TStep;
    QUndoStack* Stack(TPhotoId photo) const;
    QUndoStack& MakeStack(TPhotoId photo);
    void Apply(TPhotoId photo, const TPhotoInfo& settings);
    // Undoes (or redoes) the linked step on every other photo where it is next.
    void Follow(const TStep& step, bool undo);

    TFind find_;
    TApplied applied_;
    std::map<TPhotoId, std::unique_ptr<QUndoStack>> stacks_;
    bool following_ = false;
};

}  // namespace vellumora
