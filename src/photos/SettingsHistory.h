#pragma once

// Undo and redo of the open photos' settings. Each photo has its own history, kept while
// the photo is open. A step is a pair of settings records (before and after), never
// pixels: the picture is rebuilt from the original whenever a step is undone or redone.
// A change made to several photos at once ("OK for All") is one step on each of them,
// linked: undoing or redoing it on one photo does so on every photo where it is the next
// step to undo or redo.

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "photos/settings/PhotoInfo.h"

class QUndoStack;

namespace vellumora {

// Every field that Assign copies is the same in both.
bool SameSettings(const TPhotoInfo& a, const TPhotoInfo& b);

class TSettingsHistory {
public:
    // Gives the record the settings of the step's side being restored (Assign: its file
    // name stays); the window renders when the record is the current photo's.
    using TApply = std::function<void(TPhotoInfo& record, const TPhotoInfo& settings)>;

    explicit TSettingsHistory(TApply apply);
    ~TSettingsHistory();

    // A change the record has been through from before to its present settings, named
    // for the menu ("Undo <text>"). Nothing when the settings are the same.
    void Record(TPhotoInfo* record, const TPhotoInfo& before, const QString& text);
    // One change to several records, each with its settings before it.
    struct TBefore {
        TPhotoInfo* record;
        TPhotoInfo settings;
    };
    void RecordAll(const std::vector<TBefore>& changes, const QString& text);

    bool CanUndo(const TPhotoInfo* record) const;
    bool CanRedo(const TPhotoInfo* record) const;
    // The name of the step Undo or Redo would take back or make again; empty when none.
    QString UndoText(const TPhotoInfo* record) const;
    QString RedoText(const TPhotoInfo* record) const;
    void Undo(const TPhotoInfo* record);
    void Redo(const TPhotoInfo* record);

    // The photo is closed: its history goes.
    void Forget(const TPhotoInfo* record);
    void Clear();

private:
    class TStep;
    QUndoStack* Stack(const TPhotoInfo* record) const;
    QUndoStack& MakeStack(const TPhotoInfo* record);
    // Undoes (or redoes) the linked step on every other photo where it is next.
    void Follow(const TStep& step, bool undo);

    TApply apply_;
    std::map<const TPhotoInfo*, std::unique_ptr<QUndoStack>> stacks_;
    bool following_ = false;
};

}  // namespace vellumora
