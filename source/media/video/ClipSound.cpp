#include "media/video/ClipSound.h"

#include "media/audio/TrackPcmSource.h"
#include "project/Import.h"

#include "media/video/ClipDecoder.h"
#include "media/video/ClipInput.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace media {

namespace {
constexpr std::size_t kBlock = 4; // bytes of one stereo 16-bit sample frame
// The most silence put before a sound that starts late: 10 s (a clip's damaged times can claim
// hours).
constexpr std::int64_t kMostLead = 10 * ClipSound::kRate;
} // namespace

ClipSound::~ClipSound() = default;

base::Result<std::unique_ptr<ClipSound>> ClipSound::OpenFile(const std::string& path,
                                                             std::int64_t startMs) {
    auto input = ClipInput::OpenFile(path);
    if (!input)
        return base::Fail(input.error());
    return Open(std::move(*input), startMs);
}

base::Result<std::unique_ptr<ClipSound>> ClipSound::Open(std::unique_ptr<ClipInput> input,
                                                         std::int64_t startMs) {
    AVStream* sound = input->Sound();
    if (sound == nullptr)
        return input->Fail("it has no sound");
    input->ReadOnly(*sound);
    auto decoder = ClipDecoder::Open(*input, *sound);
    if (!decoder)
        return base::Fail(decoder.error());
    std::unique_ptr<ClipSound> s(new ClipSound);
    s->decoder_ = std::move(*decoder);
    s->startMs_ = std::clamp<std::int64_t>(startMs, 0, kClipFarTime / 1000);
    if (auto sought = s->decoder_->Seek(s->startMs_); !sought)
        return base::Fail(sought.error());
    s->frame_.reset(av_frame_alloc());
    if (!s->frame_)
        return input->Fail("out of memory");
    s->input_ = std::move(input);
    return s;
}

void ClipSound::Append(const std::uint8_t* const* planes, int samples) {
    if (pendingAt_ == pending_.size()) {
        pending_.clear();
        pendingAt_ = 0;
    }
    const int room = swr_get_out_samples(swr_.get(), samples);
    if (room <= 0)
        return;
    const std::size_t at = pending_.size();
    pending_.resize(at + static_cast<std::size_t>(room) * kBlock);
    std::uint8_t* out[1] = {pending_.data() + at};
    const int made =
        swr_convert(swr_.get(), out, room, const_cast<const std::uint8_t**>(planes), samples);
    pending_.resize(at + static_cast<std::size_t>(std::max(made, 0)) * kBlock);
    if (dropBytes_ > 0) {
        const auto drop = std::min<std::size_t>(static_cast<std::size_t>(dropBytes_),
                                                pending_.size() - pendingAt_);
        pendingAt_ += drop;
        dropBytes_ -= static_cast<std::int64_t>(drop);
    }
}

// Converts the next decoded frame (or the converter's tail at the end) into pending_.
base::Result<bool> ClipSound::Refill() {
    if (drained_)
        return false;
    auto got = decoder_->Next(*frame_);
    if (!got)
        return base::Fail(got.error());
    if (!*got) {
        drained_ = true;
        if (swr_)
            Append(nullptr, 0);
        return pendingAt_ < pending_.size();
    }
    const AVFrame& f = *frame_;
    if (!swr_) {
        AVChannelLayout stereo;
        av_channel_layout_default(&stereo, 2);
        SwrContext* made = nullptr;
        int rc =
            swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_S16, kRate, &frame_->ch_layout,
                                static_cast<AVSampleFormat>(f.format), f.sample_rate, 0, nullptr);
        swr_.reset(made);
        av_channel_layout_uninit(&stereo);
        if (rc >= 0)
            rc = swr_init(swr_.get());
        if (rc < 0)
            return input_->Fail(AvText("its sound cannot be converted", rc));
    }
    if (!aligned_) {
        // Line the first frame up with the start time: silence before it, or samples dropped.
        aligned_ = true;
        const AVStream& s = decoder_->Stream();
        const std::int64_t pts = f.best_effort_timestamp;
        const std::int64_t at = pts == AV_NOPTS_VALUE
                                    ? AV_NOPTS_VALUE
                                    : av_rescale_q(pts, s.time_base, AVRational{1, 1'000'000});
        if (at != AV_NOPTS_VALUE && ClipTimeSane(at)) {
            const std::int64_t us = at - input_->Origin();
            const std::int64_t offset =
                av_rescale(us - startMs_ * 1000, kRate, 1'000'000); // samples
            if (offset > 0)
                pending_.insert(pending_.end(),
                                static_cast<std::size_t>(std::min(offset, kMostLead)) * kBlock, 0);
            else
                dropBytes_ = -offset * static_cast<std::int64_t>(kBlock);
        }
    }
    Append(f.extended_data, f.nb_samples);
    return true;
}

base::Result<std::size_t> ClipSound::Read(std::uint8_t* out, std::size_t size) {
    size -= size % kBlock;
    std::size_t done = 0;
    while (done < size) {
        if (pendingAt_ == pending_.size()) {
            auto more = Refill();
            if (!more)
                return base::Fail(more.error());
            if (!*more)
                break;
            continue;
        }
        const std::size_t n = std::min(size - done, pending_.size() - pendingAt_);
        std::memcpy(out + done, pending_.data() + pendingAt_, n);
        pendingAt_ += n;
        done += n;
    }
    return done;
}

base::Result<std::unique_ptr<PcmSource>> OpenClipPcmSource(const std::string& path) {
    auto sound = ClipSound::OpenFile(path);
    if (!sound)
        return base::Fail(sound.error());
    return std::unique_ptr<PcmSource>(std::move(*sound));
}

base::Result<std::unique_ptr<PcmSource>> OpenTrackOrClipPcmSource(const std::string& path) {
    if (project::IsClipExtension(project::ExtensionOf(path)))
        return OpenClipPcmSource(path);
    return OpenTrackPcmSource(path);
}

} // namespace media
