// RecentTransforms: the conversions to sRGB made lately, kept by what they were made from (the
// bytes of an ICC profile, or colour codes written out), so that the photos of one camera, which
// all carry the same profile, have their conversion made once. Little CMS takes about 2.5 ms to
// make one from an Adobe RGB profile, a tenth of the time it then spends converting a photo fitted
// to 1920x1080. The transforms are shared: they are made without Little CMS's one-pixel cache,
// so several threads may convert through one at once. Safe to use from any thread.
#pragma once

#include <memory>
#include <string>

namespace imaging {

class RecentTransforms {
public:
    using Transform = std::shared_ptr<void>;

    // The transform kept under key, or null.
    static Transform Find(const std::string& key);
    // Keeps the transform under key, dropping the least recently used beyond a few. Keys longer
    // than a large profile are not kept.
    static void Keep(const std::string& key, Transform transform);
};

} // namespace imaging
