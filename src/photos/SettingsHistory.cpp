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
    TStep(TSettingsHistory& history, TPhotoInfo* record, const TPhotoInfo& before,
          const QString& text, std::shared_ptr<int> link)
        : QUndoCommand(text),
          history_(history),
          record_(record),
          before_(before),
          after_(*record),
          link_(std::move(link)) {}

    const std::shared_ptr<int>& Link() const { return link_; }

    void undo() override {
        history_.apply_(*record_, before_);
        history_.Follow(*this, true);
    }
    void redo() override {
        // Pushed after the change was made: nothing to do the first time.
        if (std::exchange(pushed_, true)) {
            history_.apply_(*record_, after_);
            history_.Follow(*this, false);
        }
    }

private:
    TSettingsHistory& history_;
    TPhotoInfo* record_;
    TPhotoInfo before_;
    TPhotoInfo after_;
    std::shared_ptr<int> link_;
    bool pushed_ = false;
};

TSettingsHistory::TSettingsHistory(TApply apply) : apply_(std::move(apply)) {}

TSettingsHistory::~TSettingsHistory() = default;

QUndoStack* TSettingsHistory::Stack(const TPhotoInfo* record) const {
    const auto found = stacks_.find(record);
    return found == stacks_.end() ? nullptr : found->second.get();
}

QUndoStack& TSettingsHistory::MakeStack(const TPhotoInfo* record) {
    std::unique_ptr<QUndoStack>& stack = stacks_[record];
    if (!stack) stack = std::make_unique<QUndoStack>();
    return *stack;
}

void TSettingsHistory::Record(TPhotoInfo* record, const TPhotoInfo& before, const QString& text) {
    RecordAll({{record, before}}, text);
}

void TSettingsHistory::RecordAll(const std::vector<TBefore>& changes, const QString& text) {
    const auto link = std::make_shared<int>();
    for (const TBefore& change : changes)
        if (change.record && !SameSettings(change.settings, *change.record))
            MakeStack(change.record)
                .push(new TStep(*this, change.record, change.settings, text, link));
}

bool TSettingsHistory::CanUndo(const TPhotoInfo* record) const {
    const QUndoStack* stack = Stack(record);
    return stack && stack->canUndo();
}

bool TSettingsHistory::CanRedo(const TPhotoInfo* record) const {
    const QUndoStack* stack = Stack(record);
    return stack && stack->canRedo();
}

QString TSettingsHistory::UndoText(const TPhotoInfo* record) const {
    const QUndoStack* stack = Stack(record);
    return stack ? stack->undoText() : QString();
}

QString TSettingsHistory::RedoText(const TPhotoInfo* record) const {
    const QUndoStack* stack = Stack(record);
    return stack ? stack->redoText() : QString();
}

void TSettingsHistory::Undo(const TPhotoInfo* record) {
    if (QUndoStack* stack = Stack(record)) stack->undo();
}

void TSettingsHistory::Redo(const TPhotoInfo* record) {
    if (QUndoStack* stack = Stack(record)) stack->redo();
}

void TSettingsHistory::Follow(const TStep& step, bool undo) {
    if (following_) return;
    following_ = true;
    for (const auto& [record, stack] : stacks_) {
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

void TSettingsHistory::Forget(const TPhotoInfo* record) {
    stacks_.erase(record);
}

void TSettingsHistory::Clear() {
    stacks_.clear();
}

}  // namespace vellumora
