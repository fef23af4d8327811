// FfPtr<T>: an owning handle for an FFmpeg object, a std::unique_ptr whose deleter is the
// library's own free function for T, so every encoder, frame, packet and converter is released on
// every path without a free written by hand. Made with the library's allocator, e.g.
// FfPtr<AVFrame> frame(av_frame_alloc()).
#pragma once

#include <memory>
#include <string>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/buffer.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace media {

// "what: the library's reason" for an FFmpeg error code.
inline std::string AvText(std::string_view what, int rc) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(rc, text, sizeof text);
    return std::string(what) + ": " + text;
}

struct FfFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
    void operator()(AVFrame* p) const { av_frame_free(&p); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(SwsContext* p) const { sws_freeContext(p); }
    void operator()(SwrContext* p) const { swr_free(&p); }
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
    // The pool goes once the last of its buffers is returned.
    void operator()(AVBufferPool* p) const { av_buffer_pool_uninit(&p); }
    // An output muxer: its file is closed (as far as it was written) and the context freed.
    void operator()(AVFormatContext* p) const {
        if (p->pb && !(p->oformat && (p->oformat->flags & AVFMT_NOFILE)))
            avio_closep(&p->pb);
        avformat_free_context(p);
    }
    // A reader over bytes of the program's own (avio_alloc_context): its buffer goes with it.
    void operator()(AVIOContext* p) const {
        av_freep(&p->buffer);
        avio_context_free(&p);
    }
    void operator()(AVFilterGraph* p) const { avfilter_graph_free(&p); }
};

// An input demuxer (avformat_open_input): closed with its file; a reader of the program's own
// (AVFMT_FLAG_CUSTOM_IO) stays with its owner.
struct FfCloseInput {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
using FfInputPtr = std::unique_ptr<AVFormatContext, FfCloseInput>;

template <typename T> using FfPtr = std::unique_ptr<T, FfFree>;

} // namespace media
