// What real readers (ffprobe, ffmpeg) say about a written video, for the writer tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace avi_probe {

// Standard output of a shell command (standard error dropped unless asked for).
std::string Capture(const std::string& command);

// "key=value" lines of ffprobe -show_entries for one stream ("v:0", "a:0"), frames counted.
std::map<std::string, std::string> Stream(const std::string& path, const std::string& which);

// What `ffmpeg -v error -i file -f null -` prints (empty for a clean file).
std::string DecodeErrors(const std::string& path);

// Key-frame flags of every video frame, in order.
std::vector<bool> KeyFrames(const std::string& path);

// Decoded video frames as raw pixels of the given ffmpeg pixel format (gray, rgb24).
std::vector<std::uint8_t> DecodeFrames(const std::string& path, const std::string& pixFmt);

// Decoded audio as signed 16-bit samples, interleaved.
std::vector<std::int16_t> DecodeAudio(const std::string& path);

// ffmpeg's per-frame checksums of the video stream (framemd5 lines without the header).
std::vector<std::string> FrameHashes(const std::string& path);

} // namespace avi_probe
