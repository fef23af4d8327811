// The preview's music when the show's plan is more than tracks end to end (fades, a cross-fade,
// the end fade, even loudness): the mix the export writes, made as it plays (media::MixStream)
// and played as the audio library's one track, a stream the library asks for its PCM. Nothing
// is mixed before the first picture. A plain plan leaves the tracks played one by one, as always.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/music/MixStream.h"
#include "project/ShowModel.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ui {

class PreviewMusic {
public:
    PreviewMusic() = default;
    ~PreviewMusic() { Release(); }
    PreviewMusic(const PreviewMusic&) = delete;
    PreviewMusic& operator=(const PreviewMusic&) = delete;

    // Plans the show's music for a preview as long as the show, as one mix when its plan needs
    // it: the tracks are opened to learn the mix's rate, and the mix starts reading ahead from
    // the show's start. Nothing long runs, so nothing is cancelled and the answer is true (false
    // would tell the caller not to start); the progress is not used.
    bool Prepare(const project::ShowModel& show, base::Progress& progress);
    // The tracks heard in the preview, laid out by the show's time line from the plan Prepare
    // made (the mix's exact lengths when the show is mixed), for the schedule to start them.
    const std::vector<render::TrackTime>& Tracks() const { return tracks_; }
    // True while the mix stands for the tracks.
    bool Mixed() const { return stream_ != nullptr; }
    // Plays the mix as the one track from a byte position of it (16-bit stereo at its rate, as
    // the library's TrackPosition reports it while the mix plays), unless a track is playing
    // already. Fails with the library's reason when it refuses.
    base::Status Play(std::uint64_t position);
    // Stops the mix's track when it still plays, and the mix.
    void Release();

private:
    std::unique_ptr<media::MixStream> stream_;
    std::vector<render::TrackTime> tracks_;
    std::uint32_t track_ = 0; // the library's stream that plays the mix (0: none)
};

} // namespace ui
