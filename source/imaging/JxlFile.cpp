// JPEG XL photos through libjxl: the first frame, turned upright by libjxl from the file's
// orientation, alpha laid on white, and the colour encoding of the decoded pixels converted to
// sRGB (nothing to do when libjxl says they are sRGB already). The size is checked from the
// basic information before the pixel buffer is given.
#include "imaging/ColorToSrgb.h"
#include "imaging/DecodedPhoto.h"
#include "imaging/ImageLoad.h"
#include "imaging/PlaceUpright.h"

#include <memory>
#include <new>
#include <vector>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

namespace imaging {

namespace {

constexpr std::size_t kMaxJxlFileBytes = 256u << 20;
// The smallest codestream signature (0xFF 0x0A) and a byte of its size header.
constexpr std::size_t kMinJxlBytes = 3;

struct JxlDecoderFree {
    void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};
struct JxlRunnerFree {
    void operator()(void* r) const { JxlThreadParallelRunnerDestroy(r); }
};

// sRGB, or what writers tag sRGB pictures with when they say "gamma 2.2" (PNG's gAMA turned into
// the encoder's colour encoding), as the PNG decoder takes it.
bool IsSrgb(const JxlColorEncoding& e) {
    if (e.color_space == JXL_COLOR_SPACE_GRAY)
        return true;
    if (e.color_space != JXL_COLOR_SPACE_RGB || e.white_point != JXL_WHITE_POINT_D65 ||
        e.primaries != JXL_PRIMARIES_SRGB)
        return false;
    return e.transfer_function == JXL_TRANSFER_FUNCTION_SRGB ||
           (e.transfer_function == JXL_TRANSFER_FUNCTION_GAMMA && e.gamma > 1.0 / 2.2 - 0.01 &&
            e.gamma < 1.0 / 2.2 + 0.01);
}

// sRGB (or grey with sRGB's curve), as libjxl names colour encodings.
JxlColorEncoding SrgbEncoding(bool grey) {
    JxlColorEncoding e{};
    e.color_space = grey ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
    e.white_point = JXL_WHITE_POINT_D65;
    e.primaries = JXL_PRIMARIES_SRGB;
    e.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    e.rendering_intent = JXL_RENDERING_INTENT_RELATIVE;
    return e;
}

// The conversion the decoded pixels need: none when libjxl names them sRGB (or grey), otherwise
// from the ICC profile libjxl gives for them.
ColorToSrgb JxlColor(const JxlDecoder* dec) {
    JxlColorEncoding encoding{};
    if (JxlDecoderGetColorAsEncodedProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                           &encoding) == JXL_DEC_SUCCESS &&
        IsSrgb(encoding))
        return {};
    std::size_t size = 0;
    if (JxlDecoderGetICCProfileSize(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
            JXL_DEC_SUCCESS ||
        size == 0)
        return {};
    std::vector<std::uint8_t> icc(size);
    if (JxlDecoderGetColorAsICCProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, icc.data(),
                                       icc.size()) != JXL_DEC_SUCCESS)
        return {};
    return ColorToSrgb::FromIcc(icc.data(), icc.size());
}

} // namespace

base::Result<DecodedPhoto> DecodeJxlMemory(const std::uint8_t* data, std::size_t size,
                                           const DecodeLimits& limits) {
    auto fail = [](const std::string& why) { return base::Fail("JPEG XL: " + why); };
    if (data == nullptr || size < kMinJxlBytes)
        return fail("file too short");
    const JxlSignature signature = JxlSignatureCheck(data, size);
    if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER)
        return fail("no JPEG XL signature");
    const std::unique_ptr<JxlDecoder, JxlDecoderFree> dec(JxlDecoderCreate(nullptr));
    const std::unique_ptr<void, JxlRunnerFree> runner(
        JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
    if (!dec || !runner)
        return fail("out of memory");
    if (JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                                 JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec.get(), data, size) != JXL_DEC_SUCCESS)
        return fail("cannot start the decoder");
    JxlDecoderCloseInput(dec.get());

    JxlBasicInfo info{};
    JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<std::uint8_t> pixels;
    ColorToSrgb color;
    bool haveInfo = false;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
        if (status == JXL_DEC_ERROR)
            return fail("the file is damaged");
        if (status == JXL_DEC_NEED_MORE_INPUT)
            return fail("the file ended early");
        if (status == JXL_DEC_SUCCESS)
            return fail("the file holds no picture");
        if (status == JXL_DEC_BASIC_INFO) {
            if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS)
                return fail("the header is damaged");
            if (!limits.Fits(info.xsize, info.ysize))
                return fail("picture size " + std::to_string(info.xsize) + "x" +
                            std::to_string(info.ysize) + " is beyond the limits");
            format.num_channels = info.alpha_bits > 0 ? 4 : 3;
            haveInfo = true;
        } else if (status == JXL_DEC_COLOR_ENCODING) {
            // A picture stored in the codec's own colour space and tagged with an ICC profile
            // (lossy, from a tagged photo) is asked for in sRGB, which libjxl makes as it
            // decodes: otherwise it hands over linear sRGB in 8 bits, coarse in the shadows, for
            // a conversion of its own to undo. A picture tagged with a named colour encoding
            // comes in that encoding, as libjxl's own decoder writes it.
            JxlColorEncoding original{};
            if (haveInfo && !info.uses_original_profile &&
                JxlDecoderGetColorAsEncodedProfile(dec.get(), nullptr,
                                                   JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                                   &original) != JXL_DEC_SUCCESS) {
                const JxlColorEncoding srgb = SrgbEncoding(info.num_color_channels == 1);
                (void)JxlDecoderSetPreferredColorProfile(dec.get(), &srgb);
            }
            color = JxlColor(dec.get());
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            std::size_t bytes = 0;
            if (!haveInfo ||
                JxlDecoderImageOutBufferSize(dec.get(), &format, &bytes) != JXL_DEC_SUCCESS ||
                bytes != static_cast<std::size_t>(info.xsize) * info.ysize * format.num_channels)
                return fail("the decoder asked for an unexpected buffer");
            try {
                pixels.resize(bytes);
            } catch (const std::bad_alloc&) {
                return fail("out of memory for the picture");
            }
            if (JxlDecoderSetImageOutBuffer(dec.get(), &format, pixels.data(), pixels.size()) !=
                JXL_DEC_SUCCESS)
                return fail("the decoder refused the buffer");
        } else if (status == JXL_DEC_FULL_IMAGE) {
            break; // the first frame is the picture
        }
    }
    const int w = static_cast<int>(info.xsize), h = static_cast<int>(info.ysize);
    Bitmap bitmap;
    if (!PlaceUpright({pixels.data(), static_cast<std::size_t>(w) * format.num_channels, w, h,
                       static_cast<int>(format.num_channels), false},
                      1, bitmap))
        return fail("out of memory for the picture");
    return DecodedPhoto{std::move(bitmap), std::move(color)};
}

base::Result<DecodedPhoto> DecodeJxlFile(const std::string& path) {
    auto bytes = detail::ReadWholeFile(path, kMaxJxlFileBytes);
    if (!bytes)
        return base::Fail(bytes.error());
    auto decoded =
        DecodeJxlMemory(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(), {});
    if (!decoded)
        return detail::ReadFailure(path, decoded.error());
    return decoded;
}

base::Result<Bitmap> LoadJxlMemory(const std::uint8_t* data, std::size_t size,
                                   const DecodeLimits& limits) {
    return InSrgb(DecodeJxlMemory(data, size, limits));
}

base::Result<Bitmap> LoadJxlFile(const std::string& path) {
    return InSrgb(DecodeJxlFile(path));
}

} // namespace imaging
