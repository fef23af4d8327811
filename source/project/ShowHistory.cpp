#include "project/ShowHistory.h"

#include "project/HistorySteps.h"
#include "project/Import.h"

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
    stack_.push(step.release());
}

void ShowHistory::BeginBatch(const QString& text) {
    batch_ = std::make_unique<QUndoCommand>(text);
}

void ShowHistory::EndBatch() {
    auto batch = std::move(batch_);
    if (batch && batch->childCount() > 0)
        Push(std::move(batch)); // the children find their changes made and do nothing now
}

void ShowHistory::PhotoAdded(std::size_t index, const imaging::Bitmap& thumbnail) {
    if (index >= show_.Slides.size())
        return;
    auto step =
        std::make_unique<ItemStep>(*this, ItemKind::Photo, index, true, thumbnail, batch_.get());
    step->setText(QStringLiteral("add photo"));
    if (batch_)
        (void)step.release(); // owned by the batch
    else
        Push(std::move(step));
}

void ShowHistory::TrackAdded(std::size_t index) {
    if (index >= show_.Sounds.size())
        return;
    auto step = std::make_unique<ItemStep>(*this, ItemKind::Track, index, true, imaging::Bitmap(),
                                           batch_.get());
    step->setText(QStringLiteral("add track"));
    if (batch_)
        (void)step.release();
    else
        Push(std::move(step));
}

base::Result<int> ShowHistory::DeleteSlide(std::size_t index) {
    auto step = std::make_unique<ItemStep>(*this, ItemKind::Photo, index, false, imaging::Bitmap());
    if (auto taken = step->Take(); !taken)
        return base::Fail(taken.error());
    step->setText(QStringLiteral("delete photo"));
    Push(std::move(step));
    if (views_)
        views_->ShowChanged();
    return show_.Slides.empty() ? -1 : show_.SelectedSlide;
}

base::Result<int> ShowHistory::DeleteTrack(std::size_t index) {
    auto step = std::make_unique<ItemStep>(*this, ItemKind::Track, index, false, imaging::Bitmap());
    if (auto taken = step->Take(); !taken)
        return base::Fail(taken.error());
    step->setText(QStringLiteral("delete track"));
    Push(std::move(step));
    if (views_)
        views_->ShowChanged();
    return show_.Sounds.empty() ? -1 : show_.SelectedSound;
}

bool ShowHistory::MoveSlide(std::size_t from, std::size_t to, int selectAfter) {
    if (from == to || from >= show_.Slides.size() || to >= show_.Slides.size())
        return false;
    Push(std::make_unique<MoveStep>(*this, ItemKind::Photo, false, from, to, show_.SelectedSlide,
                                    selectAfter));
    return true;
}

bool ShowHistory::SwapSlides(std::size_t a, std::size_t b, int selectAfter) {
    if (a == b || a >= show_.Slides.size() || b >= show_.Slides.size())
        return false;
    Push(std::make_unique<MoveStep>(*this, ItemKind::Photo, true, a, b, show_.SelectedSlide,
                                    selectAfter));
    return true;
}

bool ShowHistory::MoveTrack(std::size_t from, std::size_t to, int selectAfter) {
    if (from == to || from >= show_.Sounds.size() || to >= show_.Sounds.size())
        return false;
    Push(std::make_unique<MoveStep>(*this, ItemKind::Track, false, from, to, show_.SelectedSound,
                                    selectAfter));
    return true;
}

base::Result<ShowHistory::Change> ShowHistory::BeginChange(std::optional<std::size_t> pictureOf) {
    Change change;
    change.slides_ = show_.Slides;
    change.sounds_ = show_.Sounds;
    change.selectedSlide_ = show_.SelectedSlide;
    change.selectedSound_ = show_.SelectedSound;
    if (pictureOf && *pictureOf < show_.Slides.size()) {
        if (keepFolder_.empty())
            return base::Fail("no folder to keep the picture in for undo");
        const std::string work = show_.Slides[*pictureOf].WorkFile.str();
        change.kept_ = ParkedFile(keepFolder_, ParkedFile::UniqueName(ExtensionOf(work)));
        if (auto copied = change.kept_.CopyIn(work); !copied)
            return base::Fail(copied.error());
        change.picture_ = *pictureOf;
        if (views_)
            change.thumbnail_ = views_->Thumbnail(*pictureOf);
    }
    return change;
}

bool ShowHistory::Commit(Change change, const QString& text) {
    if (change.slides_.size() != show_.Slides.size() ||
        change.sounds_.size() != show_.Sounds.size())
        return false;
    std::vector<RecordsStep::Diff<Slide>> slides;
    for (std::size_t i = 0; i < show_.Slides.size(); ++i)
        if (!SameContent(change.slides_[i], show_.Slides[i]))
            slides.push_back({i, change.slides_[i], show_.Slides[i]});
    std::vector<RecordsStep::Diff<Track>> sounds;
    for (std::size_t i = 0; i < show_.Sounds.size(); ++i)
        if (!SameContent(change.sounds_[i], show_.Sounds[i]))
            sounds.push_back({i, change.sounds_[i], show_.Sounds[i]});
    std::vector<RecordsStep::Picture> pictures;
    if (change.picture_ && *change.picture_ < show_.Slides.size()) {
        const std::size_t i = *change.picture_;
        if (!change.kept_.SameBytesAs(show_.Slides[i].WorkFile.str())) {
            RecordsStep::Picture p{i, std::move(change.kept_), std::move(change.thumbnail_), {}};
            if (views_)
                p.ThumbAfter = views_->Thumbnail(i);
            pictures.push_back(std::move(p));
        }
    }
    if (slides.empty() && sounds.empty() && pictures.empty())
        return false;
    auto step = std::make_unique<RecordsStep>(*this, std::move(slides), std::move(sounds),
                                              std::move(pictures));
    step->setText(text);
    Push(std::move(step));
    return true;
}

} // namespace project
