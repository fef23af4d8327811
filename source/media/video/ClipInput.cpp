#include "media/video/ClipInput.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

namespace media {

// The bytes a memory clip is read from, and where reading stands.
struct ClipInput::MemoryReader {
    std::span<const std::uint8_t> Bytes;
    std::int64_t At = 0;

    static int Read(void* opaque, std::uint8_t* out, int size) {
        auto* r = static_cast<MemoryReader*>(opaque);
        const auto left = static_cast<std::int64_t>(r->Bytes.size()) - r->At;
        if (left <= 0 || size <= 0)
            return AVERROR_EOF;
        const int n = static_cast<int>(std::min<std::int64_t>(left, size));
        std::memcpy(out, r->Bytes.data() + r->At, static_cast<std::size_t>(n));
        r->At += n;
        return n;
    }
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
        auto* r = static_cast<MemoryReader*>(opaque);
        const auto size = static_cast<std::int64_t>(r->Bytes.size());
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += r->At;
            break;
        case SEEK_END:
            offset += size;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (offset < 0 || offset > size)
            return AVERROR(EINVAL);
        r->At = offset;
        return offset;
    }
};

namespace {
constexpr int kMemoryBlock = 16384;
// The demuxers of phone and camera clips: QuickTime/MP4 (and 3GP, M4V), Matroska/WebM, AVI.
constexpr const char* kContainers = "mov,matroska,avi";
} // namespace

std::string ClipName(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string SizeOverLimits(const ClipLimits& limits, std::int64_t width, std::int64_t height) {
    if (width <= limits.MaxSide && height <= limits.MaxSide && width * height <= limits.MaxPixels)
        return {};
    return "its picture is " + std::to_string(width) + " × " + std::to_string(height) +
           " pixels; clips of up to " + std::to_string(limits.MaxSide) + " pixels a side and " +
           std::to_string(limits.MaxPixels / 1'000'000) + " megapixels are read";
}

ClipInput::ClipInput(std::string name, const ClipLimits& limits)
    : name_(std::move(name)), limits_(limits) {}

ClipInput::~ClipInput() = default;

base::Error ClipInput::Fail(std::string_view what) const {
    return base::Fail(name_ + ": " + std::string(what));
}

base::Result<std::unique_ptr<ClipInput>> ClipInput::OpenFile(const std::string& path,
                                                             const ClipLimits& limits) {
    std::unique_ptr<ClipInput> input(new ClipInput(ClipName(path), limits));
    if (auto opened = input->Open(path.c_str()); !opened)
        return base::Fail(opened.error());
    return input;
}

base::Result<std::unique_ptr<ClipInput>> ClipInput::OpenMemory(std::span<const std::uint8_t> bytes,
                                                               std::string name,
                                                               const ClipLimits& limits) {
    std::unique_ptr<ClipInput> input(new ClipInput(std::move(name), limits));
    input->memory_ = std::make_unique<MemoryReader>();
    input->memory_->Bytes = bytes;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kMemoryBlock));
    if (buffer == nullptr)
        return input->Fail("out of memory");
    input->io_.reset(avio_alloc_context(buffer, kMemoryBlock, 0, input->memory_.get(),
                                        &MemoryReader::Read, nullptr, &MemoryReader::Seek));
    if (!input->io_) {
        av_free(buffer);
        return input->Fail("out of memory");
    }
    if (auto opened = input->Open(nullptr); !opened)
        return base::Fail(opened.error());
    return input;
}

base::Status ClipInput::Open(const char* url) {
    AVFormatContext* made = avformat_alloc_context();
    if (made == nullptr)
        return Fail("out of memory");
    if (io_)
        made->pb = io_.get(); // the demuxer then leaves the reader to us
    made->probesize = limits_.ProbeBytes;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", kContainers, 0);
    if (url != nullptr)
        av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int rc = avformat_open_input(&made, url, nullptr, &options); // frees `made` on failure
    av_dict_free(&options);
    if (rc < 0)
        return Fail(AvText("not a video clip that can be read", rc));
    format_.reset(made);
    // What the container claims is refused before any picture is decoded.
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVCodecParameters& par = *format_->streams[i]->codecpar;
        if (par.codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (std::string why = SizeOverLimits(limits_, par.width, par.height); !why.empty())
            return Fail(why);
    }

    // The decoders find_stream_info opens refuse pictures past the limit before allocating them.
    const unsigned streams = format_->nb_streams;
    std::unique_ptr<AVDictionary*[]> perStream(new AVDictionary*[streams ? streams : 1]());
    for (unsigned i = 0; i < streams; ++i) {
        av_dict_set_int(&perStream[i], "max_pixels", limits_.MaxPixels, 0);
        av_dict_set(&perStream[i], "threads", "1", 0);
    }
    const int found = avformat_find_stream_info(format_.get(), perStream.get());
    for (unsigned i = 0; i < streams; ++i)
        av_dict_free(&perStream[i]);
    if (found < 0)
        return Fail(AvText("its streams cannot be read", found));

    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVStream* s = format_->streams[i];
        if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(s->disposition & AV_DISPOSITION_ATTACHED_PIC) &&
            avcodec_find_decoder(s->codecpar->codec_id) != nullptr) {
            video_ = static_cast<int>(i);
            break;
        }
    }
    if (video_ < 0)
        return Fail("the file holds no video that can be decoded");
    const int sound =
        av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, video_, nullptr, 0);
    if (sound >= 0 && avcodec_find_decoder(format_->streams[sound]->codecpar->codec_id))
        sound_ = sound;
    return {};
}

std::int64_t ClipInput::Origin() const {
    // A start beyond a year either way is damage: the clip then starts at zero.
    constexpr std::int64_t kYear = 365LL * 24 * 3600 * AV_TIME_BASE;
    const std::int64_t start = format_->start_time;
    return start == AV_NOPTS_VALUE || start > kYear || start < -kYear ? 0 : start;
}

void ClipInput::ReadOnly(const AVStream& stream) {
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        format_->streams[i]->discard =
            format_->streams[i] == &stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
}

} // namespace media
