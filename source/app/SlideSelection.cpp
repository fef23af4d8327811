#include "app/SlideSelection.h"

#include "project/ShowModel.h"

#include <algorithm>
#include <cstdlib>

namespace ui {

bool SlideSelection::Has(std::size_t index) const {
    return std::binary_search(picked_.begin(), picked_.end(), index);
}

void SlideSelection::Only(std::size_t index) {
    picked_ = {index};
    anchor_ = index;
}

bool SlideSelection::Toggle(std::size_t index) {
    anchor_ = index;
    const auto at = std::lower_bound(picked_.begin(), picked_.end(), index);
    if (at != picked_.end() && *at == index) {
        // The last picked slide stays: there is always one to act on.
        if (picked_.size() > 1) {
            picked_.erase(at);
            return false;
        }
        return true;
    }
    picked_.insert(at, index);
    return true;
}

void SlideSelection::Run(std::size_t index, bool adding) {
    const std::size_t first = std::min(anchor_, index);
    const std::size_t last = std::max(anchor_, index);
    std::vector<std::size_t> run;
    for (std::size_t i = first; i <= last; ++i)
        run.push_back(i);
    if (!adding) {
        picked_ = std::move(run);
        return;
    }
    std::vector<std::size_t> merged;
    std::set_union(picked_.begin(), picked_.end(), run.begin(), run.end(),
                   std::back_inserter(merged));
    picked_ = std::move(merged);
}

void SlideSelection::All(std::size_t count) {
    picked_.clear();
    for (std::size_t i = 0; i < count; ++i)
        picked_.push_back(i);
}

void SlideSelection::Set(std::vector<std::size_t> picked) {
    std::sort(picked.begin(), picked.end());
    picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
    picked_ = std::move(picked);
}

std::size_t SlideSelection::Nearest(std::size_t index) const {
    if (picked_.empty())
        return index;
    return *std::min_element(picked_.begin(), picked_.end(), [index](std::size_t a, std::size_t b) {
        const auto distance = [index](std::size_t i) { return i > index ? i - index : index - i; };
        return distance(a) < distance(b);
    });
}

void SlideSelection::Inserted(std::size_t index) {
    for (std::size_t& i : picked_)
        if (i >= index)
            ++i;
    if (anchor_ >= index)
        ++anchor_;
}

void SlideSelection::Removed(std::size_t index) {
    std::vector<std::size_t> left;
    for (const std::size_t i : picked_)
        if (i != index)
            left.push_back(i > index ? i - 1 : i);
    picked_ = std::move(left);
    if (anchor_ > index)
        --anchor_;
}

void SlideSelection::Moved(std::size_t from, std::size_t to) {
    for (std::size_t& i : picked_)
        i = project::IndexAfterMove(i, from, to);
    std::sort(picked_.begin(), picked_.end());
    anchor_ = project::IndexAfterMove(anchor_, from, to);
}

void SlideSelection::Clamp(std::size_t count) {
    picked_.erase(std::remove_if(picked_.begin(), picked_.end(),
                                 [count](std::size_t i) { return i >= count; }),
                  picked_.end());
    if (count > 0)
        anchor_ = std::min(anchor_, count - 1);
    else
        anchor_ = 0;
}

} // namespace ui
