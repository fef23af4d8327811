// The slides picked on the storyboard: the view's own state, never the document's. It follows the
// clicks (a click picks one slide, Ctrl+click adds or drops one, Shift+click picks the run from
// the last slide clicked without Shift) and the document's changes (slides put in, taken out or
// moved shift the picked places with their slides; a slide taken out leaves the selection).
#pragma once

#include <cstddef>
#include <vector>

namespace ui {

class SlideSelection {
public:
    // The picked places, in show order.
    const std::vector<std::size_t>& Picked() const { return picked_; }
    std::size_t Count() const { return picked_.size(); }
    bool Has(std::size_t index) const;
    // The place Shift+click picks from.
    std::size_t Anchor() const { return anchor_; }

    // Slide index alone.
    void Only(std::size_t index);
    // Ctrl+click: index picked, or dropped when it was picked and is not the only one. Returns
    // whether it is picked afterwards.
    bool Toggle(std::size_t index);
    // Shift+click (adding: with Ctrl as well): the run from the anchor to index.
    void Run(std::size_t index, bool adding);
    // Every slide of a show of count.
    void All(std::size_t count);
    // These places (a move of several slides keeps them picked at their new places).
    void Set(std::vector<std::size_t> picked);
    // The picked place nearest to index (index itself when it is picked).
    std::size_t Nearest(std::size_t index) const;

    // The document's announcements.
    void Inserted(std::size_t index);
    void Removed(std::size_t index);
    void Moved(std::size_t from, std::size_t to);
    // Drops the places a show of count slides no longer has.
    void Clamp(std::size_t count);

private:
    std::vector<std::size_t> picked_;
    std::size_t anchor_ = 0;
};

} // namespace ui
