// The soundtrack's pieces: each track decoded as a PCM stream cut to the part it plays in the
// video, with its volume applied, and given with its start in milliseconds (or the plan's mix as
// one stream), read by the video writer as it needs them. DecodeSoundtrack writes the same pieces
// into temporary WAV files, owned by a TemporaryFiles list that deletes them on every path.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/audio/PcmSource.h"
#include "media/audio/SoundtrackReader.h"
#include "media/music/MixPlan.h"

#include <cstdint>
#include <memory>
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

// What the soundtrack's pieces found: the tracks left out (silence instead) and whether the music
// was cancelled (what came before stays). Shared by the pieces, which may be read later.
struct SoundtrackState {
    std::vector<std::string> LeftOut;
    bool Cancelled = false;
};

struct SoundtrackStream {
    std::vector<SoundPiece> Pieces;
    std::shared_ptr<SoundtrackState> State = std::make_shared<SoundtrackState>();
};

// The soundtrack of a plan as PCM pieces, decoded only when read. A plain plan (IsPlainPlan)
// gives a piece for each track that starts inside the video and opens, with its volume, cut to
// what fits, named WorkFile; tracks are opened now, so State's LeftOut is known at once. Any
// other plan gives one piece at 0, the mix (SoundtrackMixer) named after the first track's
// WorkFile + ".mix", unless no track opens; with even loudness on, tracks not yet measured are
// measured now. The progress (which must outlive the pieces) is pumped while they are read; a
// cancel stops the music before the next track (a plain plan) or at once (a mix).
SoundtrackStream SoundtrackOf(const MixPlan& plan, const PcmSourceOpener& open,
                              base::Progress& progress);

// The plan of a show from before fades existed: the tracks end to end by their whole seconds in
// a video of videoSeconds, nothing else (a plain plan).
MixPlan PlainMixPlan(const std::vector<SoundtrackTrack>& tracks, std::int64_t videoSeconds);

// The pieces of SoundtrackOf written into WAV files, each its name + ".wav" (WorkFile + ".wav",
// the first track's WorkFile + ".mix.wav"), queued at their starts. Every WAV is registered in
// `files`. Stops when the progress is cancelled (what was written so far stays queued). Fails
// only when a WAV file cannot be written.
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
