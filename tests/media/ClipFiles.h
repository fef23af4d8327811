// Clips made by the ffmpeg command line for the clip tests, each with a frame counter drawn in
// (eight black or white blocks across the top half: bit i of the source frame number in block i)
// and a tone, and what ffmpeg itself decodes from them.
#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace clip_files {

// The geq filter that draws the counter over a yuv picture.
std::string CounterFilter();

// ffmpeg's inputs of a 320 × 240 test picture at `rate` and a 440 Hz tone, `seconds` long.
std::string Source(int rate, double seconds);
// The video filters `before`, the counter, then `after`, quoted for the shell.
std::string Vf(const std::string& before, const std::string& after = "");

// Runs `ffmpeg -v error -y ARGS OUT` into the test's clip folder; the clip's path, or "" when
// ffmpeg failed.
std::string Make(const std::string& name, const std::string& args);

// The counter of a picture showing a stored picture turned by `rotation` degrees clockwise.
int ReadCounter(const imaging::Bitmap& picture, int rotation);
int ReadCounter(const std::uint8_t* bgr, int width, int height, int rotation);

// The presentation times of the clip's video frames as ffmpeg decodes them, in ms from the
// clip's start (the container's start time).
std::vector<double> FrameTimesMs(const std::string& path);

// Every frame ffmpeg decodes (one per stored frame, turned upright), through the video filters
// `vf` (may be empty), as width × height BGR pixels.
std::vector<std::vector<std::uint8_t>> FfmpegFrames(const std::string& path, const std::string& vf,
                                                    int width, int height);

// Peak signal-to-noise ratio of a picture against BGR pixels of the same size, in dB.
double Psnr(const imaging::Bitmap& picture, const std::vector<std::uint8_t>& bgr);

// The file's bytes; and a file written with them.
std::vector<std::uint8_t> ReadBytes(const std::string& path);
std::string WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes);

} // namespace clip_files
