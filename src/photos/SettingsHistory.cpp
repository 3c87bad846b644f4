#include "photos/SettingsHistory.h"

#include <QUndoStack>
#include <algorithm>

#include "photos/settings/Fields.h"

namespace vellumora {

bool SameSettings(const TPhotoInfo& a, const TPhotoInfo& b) {
    const auto fields = Fields();
    return std::all_of(fields.begin(), fields.end(), [&](const TField& field) {
        return field.scope == TScope::File || field.Same(a, b);
    });
}

// One record's settings before and after a change. Steps of one change to several photos
// share a link.
class TSettingsHistory::TStep : public QUndoCommand {
public:
    TStep(TSettingsHistory& history, TPhotoId photo, const TPhotoInfo& before,
          const TPhotoInfo& after, const QString& text, std::shared_ptr<int> link)
        : QUndoCommand(text),
          history_(history),
          photo_(photo),
          before_(before),
          after_(after),
          link_(std::move(link)) {}

    const std::shared_ptr<int>& Link() const { return link_; }

    void undo() override {
        history_.Apply(photo_, before_);
        history_.Follow(*this, true);
    }
    void redo() override {
        // Pushed after the change was made: nothing to do the first time.
        if (std::exchange(pushed_, true)) {
            history_.Apply(photo_, after_);
            history_.Follow(*this, false);
        }
    }

private:
    TSettingsHistory& history_;
    TPhotoId photo_;
    TPhotoInfo before_;
    TPhotoInfo after_;
    std::shared_ptr<int> link_;
    bool pushed_ = false;
};

TSettingsHistory::TSettingsHistory(TFind find, TApplied applied)
    : find_(std::move(find)), applied_(std::move(applied)) {}

TSettingsHistory::~TSettingsHistory() = default;

QUndoStack* TSettingsHistory::Stack(TPhotoId photo) const {
    const auto found = stacks_.find(photo);
    return found == stacks_.end() ? nullptr : found->second.get();
}

QUndoStack& TSettingsHistory::MakeStack(TPhotoId photo) {
    std::unique_ptr<QUndoStack>& stack = stacks_[photo];
    if (!stack) stack = std::make_unique<QUndoStack>();
    return *stack;
}

void TSettingsHistory::Apply(TPhotoId photo, const TPhotoInfo& settings) {
    TPhotoInfo* record = find_(photo);
    if (!record) return;
    record->Assign(&settings);
    applied_(photo);
}

void TSettingsHistory::Record(TPhotoId photo, const TPhotoInfo& before, const QString& text) {
    RecordAll({{photo, before}}, text);
}

void TSettingsHistory::RecordAll(const std::vector<TBefore>& changes, const QString& text) {
    const auto link = std::make_shared<int>();
    for (const TBefore& change : changes) {
        const TPhotoInfo* record = find_(change.photo);
        if (record && !SameSettings(change.settings, *record))
            MakeStack(change.photo)
                .push(new TStep(*this, change.photo, change.settings, *record, text, link));
    }
}

bool TSettingsHistory::CanUndo(TPhotoId photo) const {
    const QUndoStack* stack = Stack(photo);
    return stack && stack->canUndo();
}

bool TSettingsHistory::CanRedo(TPhotoId photo) const {
    const QUndoStack* stack = Stack(photo);
    return stack && stack->canRedo();
}

QString TSettingsHistory::UndoText(TPhotoId photo) const {
    const QUndoStack* stack = Stack(photo);
    return stack ? stack->undoText() : QString();
}

QString TSettingsHistory::RedoText(TPhotoId photo) const {
    const QUndoStack* stack = Stack(photo);
    return stack ? stack->redoText() : QString();
}

void TSettingsHistory::Undo(TPhotoId photo) {
    if (QUndoStack* stack = Stack(photo)) stack->undo();
}

void TSettingsHistory::Redo(TPhotoId photo) {
    if (QUndoStack* stack = Stack(photo)) stack->redo();
}

void TSettingsHistory::Follow(const TStep& step, bool undo) {
    if (following_) return;
    following_ = true;
    for (const auto& [photo, stack] : stacks_) {
        const int next = undo ? stack->index() - 1 : stack->index();
        const auto* other = dynamic_cast<const TStep*>(stack->command(next));
        if (other == &step || !other || other->Link() != step.Link()) continue;
        if (undo)
            stack->undo();
        else
            stack->redo();
    }
    following_ = false;
}

TSettingsHistory::TSteps TSettingsHistory::Take(TPhotoId photo) {
    const auto found = stacks_.find(photo);
    if (found == stacks_.end()) return nullptr;
    TSteps steps = std::move(found->second);
    stacks_.erase(found);
    return steps;
}

void TSettingsHistory::Restore(TPhotoId photo, TSteps steps) {
    if (steps) stacks_[photo] = std::move(steps);
}

}  // namespace vellumora
