#include "project/ShowHistory.h"

#include "project/HistorySteps.h"
#include "project/Import.h"

#include <algorithm>

namespace project {

ShowHistory::ShowHistory(ShowModel& show) : show_(show) {}

ShowHistory::~ShowHistory() {
    Clear();
}

ShowHistory::Change::Change() = default;
ShowHistory::Change::Change(Change&&) noexcept = default;
ShowHistory::Change& ShowHistory::Change::operator=(Change&&) noexcept = default;
ShowHistory::Change::~Change() = default;

void ShowHistory::Clear() {
    batch_.reset();
    batchAdded_.clear();
    stack_.clear();
    lastError_.clear();
}

void ShowHistory::Undo() {
    lastError_.clear();
    stack_.undo();
}

void ShowHistory::Redo() {
    lastError_.clear();
    stack_.redo();
}

void ShowHistory::Report(const base::Status& status) {
    if (!status && lastError_.empty())
        lastError_ = status.error();
}

void ShowHistory::Push(std::unique_ptr<QUndoCommand> step) {
    stack_.push(step.release()); // QUndoStack::push runs the step's redo()
}

void ShowHistory::BeginBatch(const QString& text) {
    batch_ = std::make_unique<QUndoCommand>(text);
    batchAdded_.clear();
}

void ShowHistory::EndBatch() {
    auto batch = std::move(batch_);
    auto added = std::move(batchAdded_);
    batchAdded_.clear();
    if (!batch || added.empty())
        return;
    // Taken out last to first, so every index still names its item; the batch's redo then
    // puts them back first to last.
    std::vector<ItemStep*> steps;
    for (const auto& [kind, index] : added)
        steps.push_back(new ItemStep(*this, kind, index, true, batch.get())); // owned by the batch
    for (std::size_t k = steps.size(); k-- > 0;)
        if (auto taken = steps[k]->Withdraw(); !taken)
            Report(taken); // stays in the show, and its step puts nothing back
    Push(std::move(batch));
}

void ShowHistory::RecordAddition(ItemKind kind, std::size_t index) {
    const std::size_t count = kind == ItemKind::Photo ? show_.Slides.size() : show_.Sounds.size();
    if (index >= count)
        return;
    if (batch_) {
        batchAdded_.emplace_back(kind, index);
        return;
    }
    auto step = std::make_unique<ItemStep>(*this, kind, index, true);
    step->setText(kind == ItemKind::Photo ? QStringLiteral("add photo")
                                          : QStringLiteral("add track"));
    if (auto taken = step->Withdraw(); !taken) {
        Report(taken);
        return;
    }
    Push(std::move(step));
}

void ShowHistory::PhotoAdded(std::size_t index) {
    RecordAddition(ItemKind::Photo, index);
}

void ShowHistory::TrackAdded(std::size_t index) {
    RecordAddition(ItemKind::Track, index);
}

base::Result<int> ShowHistory::DeleteSlide(std::size_t index) {
    if (index >= show_.Slides.size())
        return base::Fail("no item " + std::to_string(index + 1) + " to take out");
    if (keepFolder_.empty())
        return base::Fail("no folder to keep removed items in");
    auto step = std::make_unique<ItemStep>(*this, ItemKind::Photo, index, false);
    step->setText(QStringLiteral("delete photo"));
    lastError_.clear();
    Push(std::move(step));
    if (!lastError_.empty())
        return base::Fail(lastError_);
    return show_.Slides.empty() ? -1 : static_cast<int>(std::min(index, show_.Slides.size() - 1));
}

base::Result<int> ShowHistory::DeleteTrack(std::size_t index) {
    if (index >= show_.Sounds.size())
        return base::Fail("no item " + std::to_string(index + 1) + " to take out");
    if (keepFolder_.empty())
        return base::Fail("no folder to keep removed items in");
    auto step = std::make_unique<ItemStep>(*this, ItemKind::Track, index, false);
    step->setText(QStringLiteral("delete track"));
    lastError_.clear();
    Push(std::move(step));
    if (!lastError_.empty())
        return base::Fail(lastError_);
    return show_.Sounds.empty() ? -1 : static_cast<int>(std::min(index, show_.Sounds.size() - 1));
}

bool ShowHistory::MoveSlide(std::size_t from, std::size_t to, Selection select) {
    if (from == to || from >= show_.Slides.size() || to >= show_.Slides.size())
        return false;
    Push(std::make_unique<MoveStep>(*this, ItemKind::Photo, false, from, to, select.Before,
                                    select.After));
    return true;
}

bool ShowHistory::SwapSlides(std::size_t a, std::size_t b, Selection select) {
    if (a == b || a >= show_.Slides.size() || b >= show_.Slides.size())
        return false;
    Push(std::make_unique<MoveStep>(*this, ItemKind::Photo, true, a, b, select.Before,
                                    select.After));
    return true;
}

bool ShowHistory::MoveTrack(std::size_t from, std::size_t to, Selection select) {
    if (from == to || from >= show_.Sounds.size() || to >= show_.Sounds.size())
        return false;
    Push(std::make_unique<MoveStep>(*this, ItemKind::Track, false, from, to, select.Before,
                                    select.After));
    return true;
}

base::Result<ShowHistory::Change> ShowHistory::BeginChange(std::optional<std::size_t> pictureOf) {
    Change change;
    change.slides_ = show_.Slides;
    change.sounds_ = show_.Sounds;
    change.options_ = show_.Options;
    if (pictureOf && *pictureOf < show_.Slides.size()) {
        if (keepFolder_.empty())
            return base::Fail("no folder to keep the picture in for undo");
        const std::string work = show_.Slides[*pictureOf].WorkFile;
        change.kept_ = ParkedFile(keepFolder_, ParkedFile::UniqueName(ExtensionOf(work)));
        if (auto copied = change.kept_.CopyIn(work); !copied)
            return base::Fail(copied.error());
        change.picture_ = *pictureOf;
    }
    return change;
}

bool ShowHistory::Commit(Change change, const QString& text) {
    if (change.slides_.size() != show_.Slides.size() ||
        change.sounds_.size() != show_.Sounds.size())
        return false;
    std::vector<RecordsStep::Diff<Slide>> slides;
    for (std::size_t i = 0; i < show_.Slides.size(); ++i)
        if (!(change.slides_[i] == show_.Slides[i]))
            slides.push_back({i, change.slides_[i], show_.Slides[i]});
    std::vector<RecordsStep::Diff<Track>> sounds;
    for (std::size_t i = 0; i < show_.Sounds.size(); ++i)
        if (!(change.sounds_[i] == show_.Sounds[i]))
            sounds.push_back({i, change.sounds_[i], show_.Sounds[i]});
    std::vector<RecordsStep::Picture> pictures;
    if (change.picture_ && *change.picture_ < show_.Slides.size()) {
        const std::size_t i = *change.picture_;
        if (!change.kept_.SameBytesAs(show_.Slides[i].WorkFile))
            pictures.push_back({i, std::move(change.kept_)});
    }
    const RecordsStep::Diff<ShowOptions> options{0, change.options_, show_.Options};
    if (slides.empty() && sounds.empty() && pictures.empty() && options.Before == options.After)
        return false;
    auto step = std::make_unique<RecordsStep>(*this, std::move(slides), std::move(sounds),
                                              std::move(pictures), options);
    step->setText(text);
    // Back to the state before the change, so the push's redo makes it, as every step does.
    step->undo();
    Push(std::move(step));
    return true;
}

} // namespace project
