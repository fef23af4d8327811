// ClipFrames: a clip's pictures as the show puts them on screen. For increasing times it gives
// the picture on screen at each: the last one whose presentation time is at or before it (so a
// clip of variable rate plays as recorded), as a 24-bit BGR bitmap of the clip's size as shown,
// or of a size asked for, turned upright, deinterlaced and tone-mapped to SDR (ClipFilter). The
// clip is decoded as it plays: a few frames are held at any time, whatever the clip's length.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "media/audio/FfPtr.h"
#include "media/video/ClipInfo.h"

#include <cstdint>
#include <memory>
#include <string>

namespace media {

class ClipDecoder;
class ClipFilter;
class ClipInput;

struct ClipFramesOptions {
    // The pictures' size; 0 × 0: the clip's own size as shown.
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // Width × Height is a box the clip's shape is fitted within (to even sides), not its size.
    bool FitWithin = false;
    // Threads of the decoder and of the filters (0: one).
    int Threads = 1;
};

class ClipFrames {
public:
    // Probes the clip (refusing what ProbeClip refuses) and readies its first picture.
    static base::Result<std::unique_ptr<ClipFrames>> Open(std::unique_ptr<ClipInput> input,
                                                          const ClipFramesOptions& options = {});
    static base::Result<std::unique_ptr<ClipFrames>> OpenFile(const std::string& path,
                                                              const ClipFramesOptions& options = {},
                                                              const ClipLimits& limits = {});
    ~ClipFrames();
    ClipFrames(const ClipFrames&) = delete;
    ClipFrames& operator=(const ClipFrames&) = delete;

    const ClipInfo& Info() const { return info_; }

    // Starts again at `ms` (a trim's in point), from the key frame before it; the pictures before
    // `ms` that no time at or after it shows are decoded but not converted.
    base::Status Seek(std::int64_t ms);
    // The picture on screen at `ms` from the clip's start: the last one whose time is at or
    // before ms; the first picture before it, the last one after the clip's end. Times must not
    // go back between seeks. The bitmap is valid until the next call.
    base::Result<const imaging::Bitmap*> FrameAt(std::int64_t ms);
    // The presentation time (ms from the clip's start) of the picture FrameAt last gave.
    std::int64_t PictureMs() const;

private:
    ClipFrames() = default;
    base::Result<bool> NextDecoded(AVFrame& out);
    base::Result<bool> Advance();
    void Stamp(AVFrame& frame);
    std::int64_t ClipUs(std::int64_t pts, AVRational timeBase) const;
    void Convert();

    std::unique_ptr<ClipInput> input_;
    ClipInfo info_;
    ClipFramesOptions options_;
    std::unique_ptr<ClipDecoder> decoder_;
    std::unique_ptr<ClipFilter> filter_;
    FfPtr<AVFrame> held_, ahead_, decoded_, current_, next_;
    bool heldValid_ = false;
    bool skipping_ = false;
    std::int64_t skipToUs_ = 0;
    bool decoderDone_ = false;
    bool hasCurrent_ = false, hasNext_ = false, ended_ = false, fresh_ = false;
    std::int64_t lastPts_ = AV_NOPTS_VALUE;
    imaging::Bitmap picture_;
};

} // namespace media
