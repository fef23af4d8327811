// Saving the show as a video: every slide composed and held for its display time, every
// transition drawn frame by frame, the music laid out on the same time line, all written at 25
// frames per second into a temporary file beside the output that takes the output's name when
// it is complete. A job: options, a Progress (Cancel between slides and between tracks), one
// result.
#pragma once

#include "base/Job.h"
#include "media/audio/PcmSource.h"
#include "media/video/CodecChoice.h"
#include "media/video/Mp4Format.h"
#include "media/video/VideoSink.h"
#include "project/ShowModel.h"
#include "render/FrameRenderer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace media {

constexpr int kExportFrameTime = 40; // milliseconds: 25 frames per second
constexpr int kExportFramesPerSecond = 1000 / kExportFrameTime;

struct VideoExportOptions {
    std::string OutputPath;
    std::string ShowPath;             // the show's own file, never written over (may be empty)
    std::string Codec;                // handler code (first four characters); empty: uncompressed
    int Resolution = kResolutionHigh; // kResolutionHigh, Standard, 720p, 1080p, 1440p, 2160p
    int ScreenHeight = 768;           // rows of the screen the show is made on
    int Quality = kQualityGood;       // MP4 only: kQualityGood or kQualityBest
    VideoShape Shape = VideoShape::Wide; // MP4 only: the shape of the 720p ... 2160p sizes
    int Fps = kExportFramesPerSecond;    // MP4 only: 24, 25, 30, 50 or 60 (AVI: always 25)
    Mp4Coding Coding = Mp4Coding::H264;  // MP4 only: H.264 or H.265
    std::string Speed;                   // MP4 only: encoder preset (ultrafast...); "": veryfast
    int Crf = 0;                         // MP4 only: constant quality 1..51; 0: the Quality's
    PcmSourceOpener OpenTrack;           // decoder of the tracks; empty: the audio library's
    VideoSinkFactory MakeSink;           // the container writer; empty: MakeVideoSink
    // Called after every block of frames with the frames written so far and the total.
    std::function<void(std::int64_t done, std::int64_t total)> OnFrames;
};

// What an export that did not fail did; a failure is the result's error (English, for the log or
// the console).
enum class ExportOutcome { Written, Cancelled };

struct VideoExportReport {
    ExportOutcome Outcome = ExportOutcome::Written;
    FrameSize Size;                            // frame size of the video
    std::int64_t Frames = 0;                   // frames written
    std::int64_t EncodedFrames = 0;            // frames the compressor actually encoded
    std::size_t SoundPieces = 0;               // soundtrack pieces in the file
    std::vector<std::string> LeftOut;          // tracks that could not be decoded (silence instead)
    std::vector<std::size_t> SilentTracks;     // their numbers in the show (from 0)
    std::vector<std::size_t> UnreadablePhotos; // slides whose picture could not be read (from 0)
};
using VideoExportResult = base::Result<VideoExportReport>;

// One warning naming every track played as silence and every photo that could not be read
// ("" when there is none).
std::string ExportWarning(const project::ShowContent& show, const VideoExportReport& result);

// Frames of the whole show: 25 × (ShowSeconds + TransitionSeconds) per slide (negative times
// count as 0); at another rate, the frame where the show's last millisecond ends.
std::int64_t ExportFrameCount(const project::ShowContent& show, int fps = kExportFramesPerSecond);

// The frame size and rate the options give (the AVI is always 25 frames per second).
FrameSize ExportVideoSize(const VideoExportOptions& options);
int ExportFrameRate(const VideoExportOptions& options);

// The name the video is written under until it is complete: the output's path + ".part".
std::string PartialPath(const std::string& outputPath);

// A slide's colour as the video shows it (the renderer's rule).
using render::FrameColor;

// Writes the show. An output that CheckVideoOutput refuses, and a show without frames, are refused
// before any file is made. On success and on
// Cancel the temporary file takes the output's name (replacing an older file); on failure it is
// deleted and an existing output stays as it was. The music reaches the sink as PCM pieces,
// decoded as it writes them: no sound file is made on the way.
VideoExportResult ExportVideo(const project::ShowContent& show, const VideoExportOptions& options,
                              base::Progress& progress);

// The failure message: format with its first "%s" replaced by fileName (the text is taken
// literally, never as a printf format); a format without "%s" is returned as it is.
std::string ExportFailureText(const std::string& format, const std::string& fileName);

} // namespace media
