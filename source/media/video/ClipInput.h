// ClipInput: one reader's view of a video clip, its container opened from a file or from bytes
// in memory and its streams found. Only the containers phones and cameras record (MP4, MOV, M4V,
// 3GP; Matroska and WebM; AVI) are read, and only from the file or the bytes given: nothing the
// clip names is ever opened. Each reader (frames, sound) opens its own.
#pragma once

#include "base/Result.h"
#include "media/audio/FfPtr.h"
#include "media/video/ClipInfo.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace media {

class ClipInput {
public:
    static base::Result<std::unique_ptr<ClipInput>> OpenFile(const std::string& path,
                                                             const ClipLimits& limits = {});
    // Over bytes that outlive the input; `name` names the clip in messages.
    static base::Result<std::unique_ptr<ClipInput>> OpenMemory(std::span<const std::uint8_t> bytes,
                                                               std::string name,
                                                               const ClipLimits& limits = {});
    ~ClipInput();
    ClipInput(const ClipInput&) = delete;
    ClipInput& operator=(const ClipInput&) = delete;

    AVFormatContext& Format() { return *format_; }
    AVStream& Video() { return *format_->streams[video_]; }
    // Null when the clip has no sound (or none that can be decoded).
    AVStream* Sound() { return sound_ < 0 ? nullptr : format_->streams[sound_]; }
    // The clip's time zero, in microseconds of the container's clock: its earliest stream's start.
    std::int64_t Origin() const;
    // Packets of other streams are dropped while reading.
    void ReadOnly(const AVStream& stream);
    const std::string& Name() const { return name_; }
    const ClipLimits& Limits() const { return limits_; }
    // A message for the user naming the clip: "NAME: what".
    base::Error Fail(std::string_view what) const;

private:
    struct MemoryReader;
    ClipInput(std::string name, const ClipLimits& limits);
    base::Status Open(const char* url);

    std::string name_;
    ClipLimits limits_;
    std::unique_ptr<MemoryReader> memory_;
    FfPtr<AVIOContext> io_;
    FfInputPtr format_;
    int video_ = -1;
    int sound_ = -1;
};

// A timestamp beyond this either way, in any time base, is damage rather than a time.
constexpr std::int64_t kClipFarTime = std::int64_t{1} << 50;
inline bool ClipTimeSane(std::int64_t t) {
    return t > -kClipFarTime && t < kClipFarTime;
}

// Why a stored picture of width × height is refused ("its picture is W × H pixels; ..."), or ""
// when it keeps the limits.
std::string SizeOverLimits(const ClipLimits& limits, std::int64_t width, std::int64_t height);

// The file name of a path, as messages name a clip.
std::string ClipName(std::string_view path);

} // namespace media
