// The soundtrack's pieces: each track decoded into a temporary PCM WAV file cut to the part it
// plays in the video, with its volume applied, and queued with its start in milliseconds. The
// temporary files are owned by a TemporaryFiles list that deletes them on every path.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/MixPlan.h"
#include "media/PcmSource.h"
#include "media/SoundtrackReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace media {

// Files deleted when the list goes (success, cancel or failure alike).
class TemporaryFiles {
public:
    TemporaryFiles() = default;
    ~TemporaryFiles();
    TemporaryFiles(const TemporaryFiles&) = delete;
    TemporaryFiles& operator=(const TemporaryFiles&) = delete;
    void Add(const std::string& path) { paths_.push_back(path); }
    const std::vector<std::string>& Paths() const { return paths_; }
    void RemoveAll();

private:
    std::vector<std::string> paths_;
};

// Decodes a track into a WAV file of its own format: at most limitSeconds × rate sample frames
// (cut at that sample exactly), each sample scaled by volume / 100. A decoder that fails midway
// ends the track there; only a WAV that cannot be written is a failure. Pumps the progress after
// every block.
base::Status DecodeTrackToWav(PcmSource& source, const std::string& wavPath,
                              std::int64_t limitSeconds, int volume, base::Progress* progress);
// The same with the limit in sample frames.
base::Status DecodeTrackFramesToWav(PcmSource& source, const std::string& wavPath,
                                    std::int64_t limitFrames, int volume, base::Progress* progress);

// Scales samples in place by volume / 100 (0..100), as the playback mixer does.
void ApplyVolume(std::uint8_t* samples, std::size_t bytes, const PcmFormat& format, int volume);

struct SoundtrackTrack {
    std::string WorkFile;
    std::int32_t PlaySeconds = 0;
    std::int32_t Volume = 100;
};

struct SoundtrackPieces {
    std::vector<QueuedWav> Queue;
    std::vector<std::string> LeftOut; // tracks that could not be decoded (silence instead)
    bool Cancelled = false;
};

// The plan of a show from before fades existed: the tracks end to end by their whole seconds in
// a video of videoSeconds, nothing else (a plain plan).
MixPlan PlainMixPlan(const std::vector<SoundtrackTrack>& tracks, std::int64_t videoSeconds);

// The soundtrack of a plan. A plain plan (IsPlainPlan) is written as before: each track that
// starts inside the video decoded into WorkFile + ".wav" with its volume, cut to what fits, and
// queued at its start. Any other is mixed (SoundtrackMixer) into one WAV, the first track's
// WorkFile + ".mix.wav", queued at 0; with even loudness on, tracks not yet measured are measured
// first. Every WAV is registered in `files`. Stops when the progress is cancelled (what was
// written so far stays queued). Fails only when a WAV file cannot be written.
base::Result<SoundtrackPieces> DecodeSoundtrack(const MixPlan& plan, const PcmSourceOpener& open,
                                                TemporaryFiles& files, base::Progress& progress);

// Lays the tracks end to end from second 0 by their PlaySeconds in a video of videoSeconds:
// each track that starts inside the video is decoded into WorkFile + ".wav" (registered in
// `files`), cut to what fits, and queued at its start. Stops before a track when the progress
// is cancelled. Fails only when a WAV file cannot be written. The plan path with PlainMixPlan.
base::Result<SoundtrackPieces> DecodeSoundtrack(const std::vector<SoundtrackTrack>& tracks,
                                                std::int64_t videoSeconds,
                                                const PcmSourceOpener& open, TemporaryFiles& files,
                                                base::Progress& progress);

} // namespace media
