// The soundtrack of a mix plan as one 16-bit stereo PCM stream: the tracks laid out by the plan,
// each decoded, converted to float stereo at the mix's rate, shaped by its fades and gain, summed
// where they overlap, ducked under the clips' sound, faded out at the end of the music, with the
// clips' own sound added, and passed through the soft limiter.
// The rate is the highest of the tracks' (44.1 kHz when none opens). Streams block by block: at
// most the overlapping tracks are open at a time. Also the source the beat tracker hears and
// the preview can play.
#pragma once

#include "base/Job.h"
#include "media/audio/PcmSource.h"
#include "media/music/MixEnvelope.h"
#include "media/music/MixPlan.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace media {

class FloatTrackReader;

class SoundtrackMixer final : public PcmSource {
public:
    SoundtrackMixer(const MixPlan& plan, const PcmSourceOpener& open);
    ~SoundtrackMixer() override;
    SoundtrackMixer(const SoundtrackMixer&) = delete;
    SoundtrackMixer& operator=(const SoundtrackMixer&) = delete;

    PcmFormat Format() const override { return {rate_, 2, 16}; }
    // Up to `size` bytes of whole frames; 0 once Frames() frames have been given.
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override;
    // Float frames before the limiter (2 floats a frame, full scale 1.0); the same stream.
    std::size_t ReadFloat(float* out, std::size_t frames);

    // Moves the mix to a frame (clamped to 0..Frames()): the tracks that sound there are opened
    // again and decoded up to it, so what follows is exactly what reading from 0 would give
    // there; the tracks over before it are not opened. A move that `abandoned` calls off (asked
    // between blocks) leaves the mix to be moved again before it is read.
    void Seek(std::int64_t frame, const std::function<bool()>& abandoned = {});
    // The next frame Read gives.
    std::int64_t Position() const { return position_; }

    // The length of the mix: from 0 to the end of the music, cut at the video's end.
    std::int64_t Frames() const { return total_; }
    // Files of the tracks that could not be opened (silence instead), so far.
    const std::vector<std::string>& LeftOut() const { return leftOut_; }

private:
    struct Voice;
    void OpenVoice(Voice& v);
    void SkipVoice(Voice& v, std::int64_t frames, const std::function<bool()>& abandoned);
    // Adds the voice's samples of [from, to) to out (the block's first frame is from), ducked
    // under the clips when asked.
    void MixVoice(Voice& v, float* out, std::int64_t from, std::int64_t to, bool ducked);

    PcmSourceOpener open_;
    std::uint32_t rate_ = 44100;
    std::int64_t total_ = 0;
    std::int64_t position_ = 0;
    std::vector<Voice> voices_;
    std::unique_ptr<EndFade> endFade_;
    std::unique_ptr<ClipDuck> duck_;
    std::vector<float> mix_, scratch_;
    std::vector<std::string> leftOut_;
};

struct RenderedMix {
    std::int64_t Frames = 0;
    std::vector<std::string> LeftOut;
    bool Cancelled = false; // the WAV holds the mix as far as it got
};

// Writes the plan's mix into a 16-bit stereo WAV file, pumping the progress after every block.
// Fails only when the WAV cannot be written.
base::Result<RenderedMix> RenderMixToWav(const MixPlan& plan, const PcmSourceOpener& open,
                                         const std::string& wavPath, base::Progress& progress);

} // namespace media
