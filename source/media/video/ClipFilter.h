// ClipFilter: the libavfilter graph decoded clip pictures pass through to be shown: deinterlaced
// (bwdif) when the clip is interlaced, tone-mapped from HDR (PQ or HLG, BT.2020) to SDR BT.709
// (zscale and tonemap, the size changed in linear light), scaled to the output size, turned
// upright (transpose, flips) and converted to 24-bit BGR.
#pragma once

#include "base/Result.h"
#include "media/audio/FfPtr.h"
#include "media/video/ClipInfo.h"

#include <memory>
#include <string>

namespace media {

class ClipFilter {
public:
    // A graph for decoded frames like `first` (size and pixel format), with timestamps in
    // `timeBase`, that gives width × height pictures as shown; `name` names the clip in messages.
    static base::Result<std::unique_ptr<ClipFilter>> Open(const std::string& name,
                                                          const ClipInfo& info,
                                                          const AVFrame& first, AVRational timeBase,
                                                          int width, int height, int threads = 1);
    // The filters between the decoded frames and the BGR pictures, as libavfilter's text.
    static std::string Chain(const ClipInfo& info, int width, int height);

    // Hands a decoded frame over (its references are taken; the frame is left blank); null: the
    // clip has ended.
    base::Status Push(AVFrame* frame);
    // The next picture, true; false while the graph needs more frames, or once it has ended.
    base::Result<bool> Pull(AVFrame& picture);
    // True once the graph has given its last picture.
    bool Ended() const { return ended_; }
    // Whether frames like this one can go in (a stream may change its size midway).
    bool Takes(const AVFrame& frame) const;
    AVRational TimeBase() const;

private:
    ClipFilter() = default;

    std::string name_;
    FfPtr<AVFilterGraph> graph_;
    AVFilterContext* source_ = nullptr; // owned by the graph
    AVFilterContext* sink_ = nullptr;
    int inWidth_ = 0, inHeight_ = 0, inFormat_ = -1;
    bool ended_ = false;
};

} // namespace media
