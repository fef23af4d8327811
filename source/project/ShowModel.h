// The one open slide show: a document of plain values (ShowContent) and the photo settings, read
// freely and changed only by ShowWriter, which only the history's steps and the session hold.
// Every change is announced once to the observers, after it is made.
#pragma once

#include "project/ShowContent.h"
#include "project/ShowObserver.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace project {

class ShowModel {
public:
    ShowModel() = default;
    // A document that starts with these values (a read-only view for a renderer, a test).
    explicit ShowModel(ShowContent content, PhotoSettings photos = {})
        : content_(std::move(content)), photos_(std::move(photos)) {}

    const std::vector<Slide>& Slides() const { return content_.Slides; }
    const std::vector<Track>& Sounds() const { return content_.Sounds; }
    const ShowOptions& Options() const { return content_.Options; }
    std::uint32_t WorkPrefix() const { return content_.WorkPrefix; }
    const ShowContent& Content() const { return content_; }
    // Read as its values wherever plain values are read (a save, a renderer, a mix plan).
    operator const ShowContent&() const { return content_; } // NOLINT: a read-only view
    const PhotoSettings& Photos() const { return photos_; }
    // Output size of imported photos, 1280x1024 when the setting does not parse.
    void ResolutionSize(int& width, int& height) const { photos_.Size(width, height); }

    void AddObserver(ShowObserver* observer) const { observers_.Add(observer); }
    void RemoveObserver(ShowObserver* observer) const { observers_.Remove(observer); }

private:
    friend class ShowWriter;
    ShowContent content_;
    PhotoSettings photos_;
    mutable ShowObservers observers_;
};

// The only way to change a ShowModel. Each call checks its indexes (false, changing nothing, when
// they do not fit) and announces what it did. It touches no file: working copies belong to the
// session's WorkFiles. Made only by the history's steps and the session.
class ShowWriter {
public:
    bool InsertSlide(std::size_t index, const Slide& slide);
    bool InsertTrack(std::size_t index, const Track& track);
    bool RemoveItem(ItemKind kind, std::size_t index);
    // The item at `from` goes to `to`, the ones between shifting by one place.
    bool MoveItem(ItemKind kind, std::size_t from, std::size_t to);
    // Items a and b change places (announced as two moves).
    bool ExchangeItems(ItemKind kind, std::size_t a, std::size_t b);
    bool SetSlide(std::size_t index, const Slide& slide);
    bool SetTrack(std::size_t index, const Track& track);
    // Announced as a reset unless only the output settings changed: they move nothing on the
    // time line and no view shows them.
    void SetOptions(const ShowOptions& options);
    void SetPhotoSettings(const PhotoSettings& photos);
    // Slide index's working picture was rewritten in place (its values may be the same).
    void PictureChanged(std::size_t index);
    // The whole show at once (a new or opened show); announced as a reset.
    void Replace(ShowContent content);

private:
    friend class ShowHistory;
    friend class ShowSession;
    friend class EditsStep;
    explicit ShowWriter(ShowModel& show) : show_(show) {}
    std::size_t Count(ItemKind kind) const;

    ShowModel& show_;
};

// Where an item that stood at `index` stands after the move of the item at `from` to `to`: the
// moved one goes along, the ones between shift by one place, the rest stay. Views keep their
// selection on its item with it.
std::size_t IndexAfterMove(std::size_t index, std::size_t from, std::size_t to);

} // namespace project
