#include "app/PreviewMusic.h"

#include "media/audio/AudioLibrary.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/ShowMix.h"
#include "media/video/ClipSound.h"

#include <chrono>

namespace ui {

namespace {

// How much of the mix is read ahead before it starts to play, and how long that may take (a
// start far into a track decodes the track up to there first).
constexpr std::int64_t kReadyMs = 250;
constexpr std::chrono::milliseconds kReadyWait{1000};

// The library's call for more of the mix, on its own thread: never waits for the decoding.
std::uint32_t SupplyMix(HSTREAM, void* buffer, std::uint32_t length, void* user) {
    bool ended = false;
    const std::size_t n = static_cast<media::MixStream*>(user)->Read(
        static_cast<std::uint8_t*>(buffer), length, &ended);
    return static_cast<std::uint32_t>(n) | (ended ? BASS_STREAMPROC_END : 0u);
}

} // namespace

bool PreviewMusic::Prepare(const project::ShowModel& show, base::Progress&) {
    Release();
    // The music ends where the show's last picture does.
    const media::MixPlan plan = media::MixPlanOf(show, render::ShowTimeline::Of(show).LengthMs());
    tracks_ = media::LayOutTracks(plan);
    if (media::IsPlainPlan(plan) || (plan.Tracks.empty() && plan.Clips.empty()))
        return true;
    auto stream = std::make_unique<media::MixStream>(plan, media::OpenTrackOrClipPcmSource);
    if (stream->Frames() > 0)
        stream_ = std::move(stream);
    return true;
}

base::Status PreviewMusic::Play(std::uint64_t position) {
    media::AudioLibrary& audio = media::Audio();
    if (!stream_ || audio.TrackPlaying())
        return {};
    const media::PcmFormat format = stream_->Format();
    const auto frame = static_cast<std::int64_t>(position / format.BlockAlign());
    if (frame != stream_->Position())
        stream_->Seek(frame);
    stream_->WaitAhead(kReadyMs * format.SampleRate / 1000, kReadyWait);
    base::Status played =
        audio.PlaySuppliedTrack(format.SampleRate, format.Channels, &SupplyMix, stream_.get(),
                                static_cast<std::uint64_t>(frame) * format.BlockAlign());
    track_ = audio.CurrentTrack().Handle();
    return played;
}

void PreviewMusic::Release() {
    media::AudioLibrary& audio = media::Audio();
    // Freeing the library's stream waits for a call in progress: none comes after it.
    if (track_ != 0 && audio.CurrentTrack().Handle() == track_) {
        // The track is released even when its end notice cannot be removed.
        const base::Status stopped = audio.StopTrack();
        static_cast<void>(stopped);
    }
    track_ = 0;
    stream_.reset();
}

} // namespace ui
