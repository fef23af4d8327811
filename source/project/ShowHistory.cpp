#include "project/ShowHistory.h"

#include "project/HistorySteps.h"
#include "project/Import.h"

#include <algorithm>

namespace project {

ShowHistory::ShowHistory(ShowModel& show, const WorkFiles& files) : show_(show), files_(files) {}

ShowHistory::~ShowHistory() {
    Clear();
}

ShowHistory::Change::Change() = default;
ShowHistory::Change::Change(Change&&) noexcept = default;
ShowHistory::Change& ShowHistory::Change::operator=(Change&&) noexcept = default;
ShowHistory::Change::~Change() = default;

void ShowHistory::Clear() {
    captions_.Clear();
    batch_.reset();
    batchBefore_.reset();
    stack_.clear();
    stepError_.clear();
}

base::Status ShowHistory::Undo() {
    stepError_.clear();
    stack_.undo();
    return StepStatus();
}

base::Status ShowHistory::Redo() {
    stepError_.clear();
    stack_.redo();
    return StepStatus();
}

void ShowHistory::Report(const base::Status& status) {
    if (!status && stepError_.empty())
        stepError_ = status.error();
}

base::Status ShowHistory::StepStatus() const {
    if (!stepError_.empty())
        return base::Fail(stepError_);
    return {};
}

base::Status ShowHistory::Record(std::vector<ShowEdit> edits, const QString& text,
                                 std::vector<KeptPicture> pictures, Selection select) {
    if (edits.empty() && pictures.empty())
        return {};
    if (auto fits = CheckEdits(edits, show_.Slides().size(), show_.Sounds().size()); !fits)
        return fits;
    if (keepFolder_.empty() && std::any_of(edits.begin(), edits.end(), MovesFiles))
        return base::Fail("no folder to keep removed items in");
    stepError_.clear();
    if (batch_) {
        // Made at once, as a part of the batch's step.
        auto* step = new EditsStep(*this, std::move(edits), std::move(pictures), select.Before,
                                   select.After, batch_.get()); // owned by the batch
        step->setText(text);
        step->redo();
    } else {
        auto step = std::make_unique<EditsStep>(*this, std::move(edits), std::move(pictures),
                                                select.Before, select.After);
        step->setText(text);
        std::optional<ShowContent> before;
        if (OnStepDone)
            before = show_.Content();
        stack_.push(step.release()); // QUndoStack::push runs the step's redo()
        if (before)
            OnStepDone(*before);
    }
    return StepStatus();
}

base::Status ShowHistory::Apply(std::vector<ShowEdit> edits, const QString& text,
                                std::optional<KeptPicture> picture) {
    std::vector<KeptPicture> pictures;
    if (picture)
        pictures.push_back(std::move(*picture));
    return Record(std::move(edits), text, std::move(pictures), {});
}

base::Status ShowHistory::Apply(std::vector<ShowEdit> edits, const QString& text,
                                std::vector<KeptPicture> pictures) {
    return Record(std::move(edits), text, std::move(pictures), {});
}

void ShowHistory::BeginBatch(const QString& text) {
    batch_ = std::make_unique<BatchStep>(text);
    batchBefore_.reset();
    if (OnStepDone)
        batchBefore_ = show_.Content();
}

void ShowHistory::EndBatch() {
    auto batch = std::move(batch_);
    std::optional<ShowContent> before = std::move(batchBefore_);
    batchBefore_.reset();
    if (!batch || batch->childCount() == 0)
        return;
    stack_.push(batch.release()); // its steps are done: the batch's first redo finds them so
    if (before && OnStepDone)
        OnStepDone(*before);
}

base::Result<int> ShowHistory::DeleteSlide(std::size_t index) {
    if (auto done =
            Apply({edit::RemoveItem{ItemKind::Photo, index}}, QStringLiteral("delete photo"));
        !done)
        return base::Fail(done.error());
    const std::size_t left = show_.Slides().size();
    return left == 0 ? -1 : static_cast<int>(std::min(index, left - 1));
}

base::Result<int> ShowHistory::DeleteTrack(std::size_t index) {
    if (auto done =
            Apply({edit::RemoveItem{ItemKind::Track, index}}, QStringLiteral("delete track"));
        !done)
        return base::Fail(done.error());
    const std::size_t left = show_.Sounds().size();
    return left == 0 ? -1 : static_cast<int>(std::min(index, left - 1));
}

base::Status ShowHistory::Move(ShowEdit edit, const QString& text, Selection select) {
    return Record({std::move(edit)}, text, {}, select);
}

base::Status ShowHistory::MoveSlide(std::size_t from, std::size_t to, Selection select) {
    return Move(edit::MoveItem{ItemKind::Photo, from, to}, QStringLiteral("move photo"), select);
}

base::Status ShowHistory::SwapSlides(std::size_t a, std::size_t b, Selection select) {
    return Move(edit::ExchangeItems{ItemKind::Photo, a, b}, QStringLiteral("exchange photos"),
                select);
}

base::Status ShowHistory::MoveTrack(std::size_t from, std::size_t to, Selection select) {
    return Move(edit::MoveItem{ItemKind::Track, from, to}, QStringLiteral("move track"), select);
}

base::Result<ShowHistory::Change> ShowHistory::BeginChange(std::optional<std::size_t> pictureOf) {
    Change change;
    change.before_ = show_.Content();
    change.Draft = show_.Content();
    if (pictureOf && *pictureOf < show_.Slides().size()) {
        if (keepFolder_.empty())
            return base::Fail("no folder to keep the picture in for undo");
        const std::string work = show_.Slides()[*pictureOf].WorkFile;
        change.kept_ = ParkedFile(keepFolder_, ParkedFile::UniqueName(ExtensionOf(work)));
        if (auto copied = change.kept_.CopyIn(work); !copied)
            return base::Fail(copied.error());
        change.picture_ = *pictureOf;
    }
    return change;
}

base::Result<ShowHistory::CommitOutcome> ShowHistory::Commit(Change change, const QString& text) {
    if (!(change.before_ == show_.Content()))
        return base::Fail("the show changed while it was being edited");
    auto edits = ChangesBetween(change.before_, change.Draft);
    if (!edits)
        return base::Fail(edits.error());
    std::optional<KeptPicture> picture;
    if (change.picture_ && *change.picture_ < show_.Slides().size()) {
        const std::size_t i = *change.picture_;
        // The editor rewrote the working file: the kept copy is the version before. Swapped once
        // now, so the step's redo swaps it back in: every step does its work in redo().
        if (!change.kept_.SameBytesAs(show_.Slides()[i].WorkFile)) {
            if (auto swapped = change.kept_.SwapWith(show_.Slides()[i].WorkFile); !swapped)
                return base::Fail(swapped.error());
            picture = KeptPicture{i, std::move(change.kept_)};
        }
    }
    if (edits->empty() && !picture)
        return CommitOutcome::Unchanged;
    if (auto done = Apply(std::move(*edits), text, std::move(picture)); !done)
        return base::Fail(done.error());
    return CommitOutcome::Committed;
}

} // namespace project
