#include "media/video/ClipFilter.h"

#include <cstdio>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

namespace media {

namespace {

// The peak a tone mapper takes SDR white at, in cd/m².
constexpr int kSdrWhite = 100;

std::string Named(const char* name, const char* fallback) {
    return name != nullptr ? name : fallback;
}

// zscale's description of the stored colours; unknown ones are taken as HDR phones record.
std::string HdrInput(const ClipInfo& info) {
    const auto trc = static_cast<AVColorTransferCharacteristic>(info.Transfer);
    const auto pri = static_cast<AVColorPrimaries>(info.Primaries);
    const auto spc = static_cast<AVColorSpace>(info.Matrix);
    const auto range = static_cast<AVColorRange>(info.Range);
    return "tin=" + Named(av_color_transfer_name(trc), "arib-std-b67") + ":pin=" +
           (pri == AVCOL_PRI_UNSPECIFIED ? "bt2020"
                                         : Named(av_color_primaries_name(pri), "bt2020")) +
           ":min=" +
           (spc == AVCOL_SPC_UNSPECIFIED ? "bt2020nc"
                                         : Named(av_color_space_name(spc), "bt2020nc")) +
           ":rin=" + (range == AVCOL_RANGE_JPEG ? "pc" : "tv");
}

} // namespace

std::string ClipFilter::Chain(const ClipInfo& info, int width, int height) {
    const bool turned = info.Rotation == 90 || info.Rotation == 270;
    const int w = turned ? height : width; // scaled before it is turned
    const int h = turned ? width : height;
    std::string chain;
    if (info.Interlaced)
        chain += "bwdif=mode=send_frame:parity=auto:deint=interlaced,";
    char size[64];
    if (info.Hdr) {
        std::snprintf(size, sizeof size, "w=%d:h=%d:f=bicubic:", w, h);
        chain += "zscale=" + std::string(size) + HdrInput(info) +
                 ":t=linear:npl=" + std::to_string(kSdrWhite) +
                 ",format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
                 "zscale=t=bt709:m=bt709:r=tv,format=yuv420p,";
    } else {
        std::snprintf(size, sizeof size, "scale=w=%d:h=%d:flags=bicubic,", w, h);
        chain += size;
    }
    if (info.Rotation == 90)
        chain += "transpose=clock,";
    else if (info.Rotation == 180)
        chain += "hflip,vflip,";
    else if (info.Rotation == 270)
        chain += "transpose=cclock,";
    chain += "format=bgr24";
    return chain;
}

base::Result<std::unique_ptr<ClipFilter>>
ClipFilter::Open(const std::string& name, const ClipInfo& info, const AVFrame& first,
                 AVRational timeBase, int width, int height, int threads) {
    std::unique_ptr<ClipFilter> f(new ClipFilter);
    f->name_ = name;
    const auto fail = [&name](const std::string& what) { return base::Fail(name + ": " + what); };
    f->graph_.reset(avfilter_graph_alloc());
    if (!f->graph_)
        return fail("out of memory");
    f->graph_->nb_threads = threads > 0 ? threads : 1;
    const AVRational aspect =
        first.sample_aspect_ratio.num > 0 ? first.sample_aspect_ratio : AVRational{1, 1};
    char args[256];
    std::snprintf(args, sizeof args,
                  "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", first.width,
                  first.height, first.format, timeBase.num, timeBase.den, aspect.num, aspect.den);
    int rc = avfilter_graph_create_filter(&f->source_, avfilter_get_by_name("buffer"), "in", args,
                                          nullptr, f->graph_.get());
    if (rc >= 0)
        rc = avfilter_graph_create_filter(&f->sink_, avfilter_get_by_name("buffersink"), "out",
                                          nullptr, nullptr, f->graph_.get());
    if (rc < 0)
        return fail(AvText("its pictures cannot be converted", rc));

    AVFilterInOut* outputs = avfilter_inout_alloc(); // the source's pad, open in the text
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (outputs == nullptr || inputs == nullptr) {
        avfilter_inout_free(&outputs);
        avfilter_inout_free(&inputs);
        return fail("out of memory");
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = f->source_;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = f->sink_;
    const std::string chain = Chain(info, width, height);
    rc = avfilter_graph_parse_ptr(f->graph_.get(), chain.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (rc >= 0)
        rc = avfilter_graph_config(f->graph_.get(), nullptr);
    if (rc < 0)
        return fail(AvText("its pictures cannot be converted", rc));
    f->inWidth_ = first.width;
    f->inHeight_ = first.height;
    f->inFormat_ = first.format;
    return f;
}

base::Status ClipFilter::Push(AVFrame* frame) {
    const int rc = av_buffersrc_add_frame(source_, frame);
    if (rc < 0 && rc != AVERROR_EOF)
        return base::Fail(name_ + ": " + AvText("its pictures cannot be converted", rc));
    return {};
}

base::Result<bool> ClipFilter::Pull(AVFrame& picture) {
    av_frame_unref(&picture);
    const int rc = av_buffersink_get_frame(sink_, &picture);
    if (rc == AVERROR(EAGAIN))
        return false;
    if (rc == AVERROR_EOF) {
        ended_ = true;
        return false;
    }
    if (rc < 0)
        return base::Fail(name_ + ": " + AvText("its pictures cannot be converted", rc));
    return true;
}

bool ClipFilter::Takes(const AVFrame& frame) const {
    return frame.width == inWidth_ && frame.height == inHeight_ && frame.format == inFormat_;
}

AVRational ClipFilter::TimeBase() const {
    return av_buffersink_get_time_base(sink_);
}

} // namespace media
