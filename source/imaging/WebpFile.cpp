// WebP photos through libwebp: a still picture decoded straight into the bitmap when nothing has
// to be moved (a piece of the file at a time when the rows done are awaited), otherwise as BGRA and
// placed upright with its alpha on white; an animation gives its first frame, composed on its
// canvas. The EXIF orientation and the ICC profile are applied.
#include "imaging/ColorToSrgb.h"
#include "imaging/DecodedPhoto.h"
#include "imaging/DecodedRows.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageLoad.h"
#include "imaging/PlaceUpright.h"

#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

namespace imaging {

namespace {

constexpr std::size_t kMaxWebpFileBytes = 256u << 20;
// The RIFF header and the first chunk's header: less than this is no WebP file.
constexpr std::size_t kMinWebpBytes = 20;
// Bytes handed to the incremental decoder at a time when rows are awaited: a 12 MP photo at
// photo quality comes in a few dozen steps.
constexpr std::size_t kIncrementBytes = 16u << 10;

struct DemuxDelete {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct IncrementalDelete {
    void operator()(WebPIDecoder* d) const { WebPIDelete(d); }
};
struct AnimDecoderDelete {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};
// Frees the pixels libwebp allocated for a decode's output.
struct OutputFree {
    WebPDecoderConfig* config;
    ~OutputFree() { WebPFreeDecBuffer(&config->output); }
};

base::Error WebpFailure(const std::string& why) {
    return base::Fail("WebP: " + why);
}

bool HasWebpSignature(const std::uint8_t* data, std::size_t size) {
    return size >= kMinWebpBytes && std::memcmp(data, "RIFF", 4) == 0 &&
           std::memcmp(data + 8, "WEBP", 4) == 0;
}

// The first frame of an animation, composed on its canvas by libwebp.
base::Result<Bitmap> FirstFrame(const WebPData& file, int orientation) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return WebpFailure("libwebp version mismatch");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderDelete> anim(
        WebPAnimDecoderNew(&file, &options));
    if (!anim)
        return WebpFailure("the animation cannot be read");
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(anim.get(), &info) || info.frame_count < 1)
        return WebpFailure("the animation has no frames");
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(anim.get(), &canvas, &timestamp) || canvas == nullptr)
        return WebpFailure("the first frame cannot be decoded");
    const int w = static_cast<int>(info.canvas_width), h = static_cast<int>(info.canvas_height);
    Bitmap bitmap;
    if (!PlaceUpright({canvas, static_cast<std::size_t>(w) * 4, w, h, 4, true}, orientation,
                      bitmap))
        return WebpFailure("out of memory for the picture");
    return bitmap;
}

// Decodes into the bitmap's rows the decoder was set to write, handing libwebp the file a piece
// at a time and telling `rows` of the rows done after each.
bool DecodeTellingRows(const std::uint8_t* data, std::size_t size, WebPDecoderConfig& config,
                       Bitmap& bitmap, const ColorToSrgb& color, DecodedRows& rows) {
    const std::unique_ptr<WebPIDecoder, IncrementalDelete> decoder(
        WebPIDecode(nullptr, 0, &config));
    if (!decoder)
        return false;
    rows.Begin(bitmap, color);
    for (std::size_t given = std::min(size, kIncrementBytes);;
         given = std::min(size, given + kIncrementBytes)) {
        // The bytes so far, read where they are (WebPIUpdate copies nothing).
        const VP8StatusCode status = WebPIUpdate(decoder.get(), data, given);
        if (status == VP8_STATUS_OK)
            return true;
        if (status != VP8_STATUS_SUSPENDED || given == size)
            return false;
        // libwebp has waited for its own worker before suspending, so the rows it counts are
        // written, into the bitmap itself (not a buffer of its own copied at the end).
        int done = 0;
        if (WebPIDecGetRGB(decoder.get(), &done, nullptr, nullptr, nullptr) == bitmap.Bits)
            rows.Ready(done);
    }
}

base::Result<Bitmap> WebpStill(const std::uint8_t* data, std::size_t size, int orientation,
                               const ColorToSrgb& color, DecodedRows* rows) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return WebpFailure("libwebp version mismatch");
    if (WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK)
        return WebpFailure("the picture's header is damaged");
    // libwebp's own second thread (the filtering) would take the core the work on the rows done
    // runs on meanwhile; without that work, it speeds the decode.
    config.options.use_threads = rows == nullptr ? 1 : 0;
    const int w = config.input.width, h = config.input.height;
    Bitmap bitmap;
    if (!config.input.has_alpha && orientation == 1) {
        // The common photo: libwebp writes the bitmap's rows itself, top down.
        bitmap.SetSizeUninitialised(w, h);
        if (bitmap.IsEmpty())
            return WebpFailure("out of memory for the picture");
        config.output.colorspace = MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = bitmap.Bits;
        config.output.u.RGBA.stride = bitmap.RowStride;
        config.output.u.RGBA.size = static_cast<std::size_t>(bitmap.ByteSize);
        const bool decoded = rows != nullptr
                                 ? DecodeTellingRows(data, size, config, bitmap, color, *rows)
                                 : WebPDecode(data, size, &config) == VP8_STATUS_OK;
        if (!decoded) {
            if (rows != nullptr)
                rows->Abandon(); // the work on the rows ends before the bitmap goes
            return WebpFailure("the picture's data is damaged or truncated");
        }
        return bitmap;
    }
    config.output.colorspace = config.input.has_alpha ? MODE_BGRA : MODE_BGR;
    const OutputFree release{&config};
    if (WebPDecode(data, size, &config) != VP8_STATUS_OK)
        return WebpFailure("the picture's data is damaged or truncated");
    const WebPRGBABuffer& px = config.output.u.RGBA;
    if (!PlaceUpright({px.rgba, static_cast<std::size_t>(px.stride), config.output.width,
                       config.output.height, config.input.has_alpha ? 4 : 3, true},
                      orientation, bitmap))
        return WebpFailure("out of memory for the picture");
    return bitmap;
}

} // namespace

base::Result<DecodedPhoto> DecodeWebpMemory(const std::uint8_t* data, std::size_t size,
                                            const DecodeLimits& limits, DecodedRows* rows) {
    if (data == nullptr || !HasWebpSignature(data, size))
        return WebpFailure("no WebP signature");
    const WebPData file{data, size};
    // The demuxer checks every chunk's length against the file before anything is decoded.
    const std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&file));
    if (!demux)
        return WebpFailure("the file's chunks are damaged or truncated");
    const std::int64_t w = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const std::int64_t h = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    if (!limits.Fits(w, h))
        return WebpFailure("picture size " + std::to_string(w) + "x" + std::to_string(h) +
                           " is beyond the limits");
    const std::uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);

    int orientation = 1;
    WebPChunkIterator chunk;
    if ((flags & EXIF_FLAG) != 0 && WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) {
        orientation = TiffOrientation(chunk.chunk.bytes, chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    ColorToSrgb color;
    if ((flags & ICCP_FLAG) != 0 && WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) {
        color = ColorToSrgb::FromIcc(chunk.chunk.bytes, chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }

    auto bitmap = (flags & ANIMATION_FLAG) != 0 ? FirstFrame(file, orientation)
                                                : WebpStill(data, size, orientation, color, rows);
    if (!bitmap)
        return base::Fail(bitmap.error());
    return DecodedPhoto{std::move(*bitmap), std::move(color)};
}

base::Result<DecodedPhoto> DecodeWebpFile(const std::string& path, DecodedRows* rows) {
    auto bytes = detail::ReadWholeFile(path, kMaxWebpFileBytes);
    if (!bytes)
        return base::Fail(bytes.error());
    auto decoded = DecodeWebpMemory(reinterpret_cast<const std::uint8_t*>(bytes->data()),
                                    bytes->size(), {}, rows);
    if (!decoded)
        return detail::ReadFailure(path, decoded.error());
    return decoded;
}

base::Result<Bitmap> LoadWebpMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeLimits& limits) {
    return InSrgb(DecodeWebpMemory(data, size, limits));
}

base::Result<Bitmap> LoadWebpFile(const std::string& path) {
    return InSrgb(DecodeWebpFile(path));
}

} // namespace imaging
