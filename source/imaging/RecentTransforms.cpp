#include "imaging/RecentTransforms.h"

#include <algorithm>
#include <cstddef>
#include <list>
#include <mutex>
#include <utility>

namespace imaging {

namespace {

// A show's photos come from a few cameras and phones at most.
constexpr std::size_t kKept = 8;
// Matrix profiles are a few hundred bytes; a profile with large tables is not worth holding.
constexpr std::size_t kLongestKey = 1u << 20;

struct Kept {
    std::mutex mutex;
    std::list<std::pair<std::string, RecentTransforms::Transform>> entries; // most recent first
};

Kept& TheKept() {
    static Kept kept;
    return kept;
}

} // namespace

RecentTransforms::Transform RecentTransforms::Find(const std::string& key) {
    Kept& kept = TheKept();
    const std::lock_guard<std::mutex> lock(kept.mutex);
    const auto it = std::find_if(kept.entries.begin(), kept.entries.end(),
                                 [&key](const auto& entry) { return entry.first == key; });
    if (it == kept.entries.end())
        return nullptr;
    kept.entries.splice(kept.entries.begin(), kept.entries, it);
    return it->second;
}

void RecentTransforms::Keep(const std::string& key, Transform transform) {
    if (!transform || key.size() > kLongestKey)
        return;
    Kept& kept = TheKept();
    const std::lock_guard<std::mutex> lock(kept.mutex);
    // Two threads may have made the same transform at once: the later one replaces it.
    kept.entries.remove_if([&key](const auto& entry) { return entry.first == key; });
    kept.entries.emplace_front(key, std::move(transform));
    if (kept.entries.size() > kKept)
        kept.entries.pop_back();
}

} // namespace imaging
