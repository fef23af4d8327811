// JPEG photos through libjpeg-turbo: decoded straight into the bitmap's BGR rows, turned upright
// by the EXIF orientation while decoding (a small band of rows at a time, never a second picture),
// and converted to sRGB from the ICC profile of its APP2 segments.
#include "imaging/ColorToSrgb.h"
#include "imaging/DecodedPhoto.h"
#include "imaging/DecodedRows.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageLoad.h"
#include "imaging/StdioFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace imaging {

namespace {

// Beyond this many scans a progressive file is a decoding-time attack, not a photo.
constexpr int kMaxScans = 1000;
// Rows decoded per call when the rows go through the band buffer.
constexpr int kBandRows = 16;

struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are mostly harmless damage a photo viewer shows anyway; a file that ends early, or a
// scan that stops at a marker before its last block, is refused, since the rest of the picture
// would be invented grey (and a few hundred bytes could claim a picture of hundreds of MB).
void OnJpegMessage(j_common_ptr cinfo, int level) {
    if (level == -1 &&
        (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER))
        OnJpegError(cinfo);
}

void OnJpegProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_BAD_SCAN_SCRIPT;
        std::snprintf(reinterpret_cast<JpegError*>(cinfo->err)->message, JMSG_LENGTH_MAX,
                      "too many progressive scans");
        std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
    }
}

// jpeg_read_icc_profile hands back malloc'd memory.
struct MallocFree {
    void operator()(JOCTET* p) const { std::free(p); }
};

// Everything the decode touches lives here, outside the frame that calls setjmp, so a longjmp
// skips no destructor and leaves no stale local.
struct JpegSession {
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    jpeg_progress_mgr progress{};
    bool created = false;
    std::vector<std::uint8_t> band;
    std::vector<JSAMPROW> bandRows;
    Bitmap* out = nullptr;
    const DecodeLimits* limits = nullptr;
    std::string failure;
    std::unique_ptr<JOCTET, MallocFree> icc;
    ColorToSrgb color;
    DecodedRows* rows = nullptr; // told of the rows finished, when given

    ~JpegSession() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

int OrientationOf(j_decompress_ptr cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
        if (m->marker == JPEG_APP0 + 1) {
            const int o = ExifOrientation(m->data, m->data_length);
            if (o != 1)
                return o;
        }
    }
    return 1;
}

// Copies band rows [first, first + count) of the stored picture into their upright places.
void ScatterBand(JpegSession& s, int orientation, int first, int count, bool cmyk, bool adobe) {
    const int w = static_cast<int>(s.cinfo.output_width);
    const int h = static_cast<int>(s.cinfo.output_height);
    const int comps = s.cinfo.output_components;
    for (int r = 0; r < count; ++r) {
        const std::uint8_t* src = s.bandRows[static_cast<std::size_t>(r)];
        const int y = first + r;
        for (int x = 0; x < w; ++x, src += comps) {
            int ox, oy;
            OrientPoint(orientation, w, h, x, y, ox, oy);
            std::uint8_t* d = s.out->Row(oy) + static_cast<std::ptrdiff_t>(ox) * 3;
            if (!cmyk) {
                d[0] = src[0];
                d[1] = src[1];
                d[2] = src[2];
                continue;
            }
            // Adobe writes CMYK inverted; plain CMYK stores ink amounts.
            int c = src[0], m = src[1], ye = src[2], k = src[3];
            if (!adobe) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            d[0] = static_cast<std::uint8_t>(ye * k / 255);
            d[1] = static_cast<std::uint8_t>(m * k / 255);
            d[2] = static_cast<std::uint8_t>(c * k / 255);
        }
    }
}

// The part of the decode that libjpeg may leave by longjmp. Only plain data changes here.
bool DecodeProtected(JpegSession& s) {
    j_decompress_ptr cinfo = &s.cinfo;
    if (setjmp(s.err.jump)) {
        s.failure = s.err.message;
        return false;
    }
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);

    const std::int64_t w = cinfo->image_width, h = cinfo->image_height;
    if (!s.limits->Fits(w, h)) {
        s.failure =
            "picture size " + std::to_string(w) + "x" + std::to_string(h) + " is beyond the limits";
        return false;
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    const int orientation = OrientationOf(cinfo);
    JOCTET* icc = nullptr;
    unsigned iccSize = 0;
    if (jpeg_read_icc_profile(cinfo, &icc, &iccSize)) {
        s.icc.reset(icc);
        // A CMYK picture keeps its plain ink-to-colour arithmetic: its profile is not applied.
        if (!cmyk && cinfo->jpeg_color_space != JCS_GRAYSCALE)
            s.color = ColorToSrgb::FromIcc(icc, iccSize);
        s.icc.reset();
    }
    jpeg_start_decompress(cinfo);

    const int ow = static_cast<int>(cinfo->output_width);
    const int oh = static_cast<int>(cinfo->output_height);
    if (OrientationSwapsAxes(orientation))
        s.out->SetSizeUninitialised(oh, ow);
    else
        s.out->SetSizeUninitialised(ow, oh);
    if (s.out->IsEmpty()) {
        s.failure = "out of memory for the picture";
        return false;
    }

    if (orientation == 1 && !cmyk) {
        // The common case: libjpeg writes straight into the bitmap's rows, top down, so the work
        // waiting for them may start on the rows done.
        if (s.rows != nullptr)
            s.rows->Begin(*s.out, s.color);
        JSAMPROW rows[kBandRows];
        while (cinfo->output_scanline < cinfo->output_height) {
            const int first = static_cast<int>(cinfo->output_scanline);
            const int n = std::min(kBandRows, oh - first);
            for (int i = 0; i < n; ++i)
                rows[i] = s.out->Row(first + i);
            jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(n));
            if (s.rows != nullptr)
                s.rows->Ready(static_cast<int>(cinfo->output_scanline));
        }
    } else {
        const std::size_t rowBytes =
            static_cast<std::size_t>(ow) * static_cast<std::size_t>(cinfo->output_components);
        s.band.assign(rowBytes * kBandRows, 0);
        s.bandRows.resize(kBandRows);
        for (int i = 0; i < kBandRows; ++i)
            s.bandRows[static_cast<std::size_t>(i)] = s.band.data() + rowBytes * i;
        while (cinfo->output_scanline < cinfo->output_height) {
            const int first = static_cast<int>(cinfo->output_scanline);
            const int n = static_cast<int>(
                jpeg_read_scanlines(cinfo, s.bandRows.data(),
                                    static_cast<JDIMENSION>(std::min(kBandRows, oh - first))));
            ScatterBand(s, orientation, first, n, cmyk, cinfo->saw_Adobe_marker != 0);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// Sets up the session's error handling; the source is attached by the caller.
void BeginSession(JpegSession& s, Bitmap& bitmap, const DecodeLimits& limits) {
    s.cinfo.err = jpeg_std_error(&s.err.pub);
    s.err.pub.error_exit = OnJpegError;
    s.err.pub.emit_message = OnJpegMessage;
    s.err.message[0] = '\0';
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    // No backing store exists, so this turns an absurd coefficient buffer into an error.
    s.cinfo.mem->max_memory_to_use = static_cast<long>(limits.maxPixels * 8 + (64L << 20));
    s.progress.progress_monitor = OnJpegProgress;
    s.cinfo.progress = &s.progress;
    s.out = &bitmap;
    s.limits = &limits;
}

base::Result<DecodedPhoto> Finish(JpegSession& s, Bitmap& bitmap, bool ok) {
    if (!ok) {
        if (s.rows != nullptr)
            s.rows->Abandon();
        return base::Fail("JPEG: " + s.failure);
    }
    return DecodedPhoto{std::move(bitmap), std::move(s.color)};
}

} // namespace

base::Result<DecodedPhoto> DecodeJpegMemory(const std::uint8_t* data, std::size_t size,
                                            const DecodeLimits& limits) {
    if (data == nullptr || size < 4)
        return base::Fail("JPEG: file too short");
    Bitmap bitmap;
    JpegSession s;
    BeginSession(s, bitmap, limits);
    jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
    return Finish(s, bitmap, DecodeProtected(s));
}

base::Result<DecodedPhoto> DecodeJpegFile(const std::string& path, DecodedRows* rows) {
    StdioFile file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return detail::OpenFailure(path);
    const DecodeLimits limits;
    Bitmap bitmap;
    JpegSession s;
    BeginSession(s, bitmap, limits);
    s.rows = rows;
    jpeg_stdio_src(&s.cinfo, file.get());
    auto loaded = Finish(s, bitmap, DecodeProtected(s));
    if (!loaded)
        return detail::ReadFailure(path, loaded.error());
    return loaded;
}

base::Result<Bitmap> LoadJpegMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeLimits& limits) {
    return InSrgb(DecodeJpegMemory(data, size, limits));
}

base::Result<Bitmap> LoadJpegFile(const std::string& path) {
    return InSrgb(DecodeJpegFile(path));
}

} // namespace imaging
