// What the show document announces: each change once, after it is made. Views follow the
// document through this; the document never knows what they show.
#pragma once

#include <cstddef>
#include <vector>

namespace project {

enum class ItemKind { Photo, Track };

class ShowObserver {
public:
    virtual ~ShowObserver() = default;
    // An item now stands at index; the ones after it moved up by one.
    virtual void ItemInserted(ItemKind kind, std::size_t index) = 0;
    // The item at index is gone; the ones after it moved down by one.
    virtual void ItemRemoved(ItemKind kind, std::size_t index) = 0;
    // The item at `from` now stands at `to`; the ones between shifted by one place.
    virtual void ItemMoved(ItemKind kind, std::size_t from, std::size_t to) = 0;
    // The values of item index changed (its working file may hold another picture).
    virtual void ItemEdited(ItemKind kind, std::size_t index) = 0;
    // Everything may have changed: a clear, an open, a show-wide option.
    virtual void ShowReset() = 0;
};

// The document's listeners. A copy of a document starts with none: a copy is a value, not a
// second view of the same show.
class ShowObservers {
public:
    ShowObservers() = default;
    ShowObservers(const ShowObservers&) {}
    ShowObservers& operator=(const ShowObservers&) { return *this; }

    void Add(ShowObserver* o) { list_.push_back(o); }
    void Remove(ShowObserver* o) { std::erase(list_, o); }
    template <typename F> void Notify(F&& f) const {
        for (ShowObserver* o : std::vector<ShowObserver*>(list_))
            f(*o);
    }

private:
    std::vector<ShowObserver*> list_;
};

} // namespace project
