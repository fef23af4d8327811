// Saving the show as a video: every slide composed and held for its display time, every
// transition drawn frame by frame, the music laid out on the same time line, all written at 25
// frames per second into a temporary file beside the output that takes the output's name when
// it is complete. A job: options, a Progress (Cancel between slides and between tracks), one
// result.
#pragma once

#include "base/Job.h"
#include "media/CodecChoice.h"
#include "media/PcmSource.h"
#include "media/VideoSink.h"
#include "project/ShowModel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace media {

constexpr int kExportFrameTime = 40; // milliseconds: 25 frames per second
constexpr int kExportFramesPerSecond = 1000 / kExportFrameTime;

struct VideoExportOptions {
    std::string OutputPath;
    std::string Codec;                // handler code (first four characters); empty: uncompressed
    int Resolution = kResolutionHigh; // kResolutionHigh, Standard, 720p or 1080p
    int ScreenHeight = 768;           // rows of the screen the show is made on
    int Quality = kQualityGood;       // MP4 only: kQualityGood or kQualityBest
    PcmSourceOpener OpenTrack;        // decoder of the tracks; empty: the audio library's
    VideoSinkFactory MakeSink;        // the container writer; empty: MakeVideoSink
    // Called after every block of frames with the frames written so far and the total.
    std::function<void(std::int64_t done, std::int64_t total)> OnFrames;
};

enum class ExportOutcome { Written, Cancelled, Failed };

struct VideoExportResult {
    ExportOutcome Outcome = ExportOutcome::Failed;
    std::string Error;                // why it failed (English, for the log or the console)
    FrameSize Size;                   // frame size of the video
    std::int64_t Frames = 0;          // frames written
    std::int64_t EncodedFrames = 0;   // frames the compressor actually encoded
    std::size_t SoundPieces = 0;      // soundtrack pieces in the file
    std::vector<std::string> LeftOut; // tracks that could not be decoded (silence instead)
};

// Frames of the whole show: 25 × (ShowSeconds + TransitionSeconds) per slide (negative times
// count as 0).
std::int64_t ExportFrameCount(const project::ShowModel& show);

// The name the video is written under until it is complete: the output's path + ".part".
std::string PartialPath(const std::string& outputPath);

// A slide's colour as the video shows it: system colours from the fixed default table, so the
// window and the console tool write the same pixels whatever the desktop's palette.
std::int32_t ExportColor(std::int32_t color);

// Writes the show. A show without frames is refused before any file is made. On success and on
// Cancel the temporary file takes the output's name (replacing an older file); on failure it is
// deleted and an existing output stays as it was. The WAV pieces are deleted on every path.
VideoExportResult ExportVideo(const project::ShowModel& show, const VideoExportOptions& options,
                              base::Progress& progress);

// The failure message: format with its first "%s" replaced by fileName (the text is taken
// literally, never as a printf format); a format without "%s" is returned as it is.
std::string ExportFailureText(const std::string& format, const std::string& fileName);

} // namespace media
