#include "cli/FrameCommand.h"

#include "base/AtomicFile.h"
#include "base/FileName.h"
#include "base/Job.h"
#include "cli/Commands.h"
#include "cli/ExportCommands.h"
#include "cli/Failure.h"
#include "media/video/ClipPictureSource.h"
#include "media/video/CodecChoice.h"
#include "media/video/Mp4Format.h"
#include "media/video/SharpFit.h"
#include "project/ShowSession.h"
#include "render/FrameRenderer.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>

namespace cli {

namespace {

constexpr int kMaxFrameSide = 8192;

struct FrameChoice {
    int Width = 0;
    int Height = 0;
    bool Sharp = true; // the sizes of today's players fill the frame sharply, as the MP4 does
};

// The size as the export names it, or WxH.
bool ParseFrameSize(const QString& v, FrameChoice& out) {
    if (v == "high" || v == "standard") {
        const int resolution = v == "high" ? media::kResolutionHigh : media::kResolutionStandard;
        const media::FrameSize size = media::ExportFrameSize("", resolution, 768);
        out = {size.Width, size.Height, false};
        return true;
    }
    if (v.endsWith('p')) {
        const int resolution = media::ResolutionOfShortSide(v.chopped(1).toInt());
        if (resolution < 0)
            return false;
        const media::FrameSize size = media::ShapedFrameSize(resolution, media::VideoShape::Wide);
        out = {size.Width, size.Height, true};
        return true;
    }
    static const QRegularExpression kWxH(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const auto m = kWxH.match(v);
    if (!m.hasMatch())
        return false;
    out = {m.captured(1).toInt(), m.captured(2).toInt(), true};
    return out.Width >= 1 && out.Height >= 1 && out.Width <= kMaxFrameSide &&
           out.Height <= kMaxFrameSide;
}

} // namespace

int RunFrame(const QStringList& args) {
    QString show, out;
    std::int64_t atMs = -1;
    int fps = media::kExportFramesPerSecond;
    FrameChoice size;
    ParseFrameSize("720p", size);
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--at") {
            bool ok = false;
            const double seconds = hasValue ? args[++i].toDouble(&ok) : 0.0;
            if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 86400.0 * 10000)
                return Fail("--at needs a time in seconds from 0, e.g. 12.5");
            atMs = std::llround(seconds * 1000.0);
        } else if (a == "--size") {
            if (!hasValue || !ParseFrameSize(args[++i], size))
                return Fail("--size needs high, standard, 720p, 1080p, 1440p, 2160p or WxH (up "
                            "to 8192 x 8192)");
        } else if (a == "--fps") {
            if (!hasValue || !ParseInt(args[++i], 1, 240, fps) || !media::IsOfferedFrameRate(fps))
                return Fail("--fps needs 24, 25, 30, 50 or 60");
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a);
        } else if (show.isEmpty()) {
            show = a;
        } else if (out.isEmpty()) {
            out = a;
        } else {
            return Fail("unexpected argument " + a);
        }
    }
    if (show.isEmpty() || out.isEmpty() || atMs < 0)
        return Fail("usage: frame SHOW.qvs OUT.png --at SECONDS [--size SIZE] [--fps N]");
    if (!out.endsWith(".png", Qt::CaseInsensitive))
        return Fail("the frame is written as a PNG picture: name it OUT.png");

    project::ShowSession session;
    if (const auto opened = OpenShowForExport(session, show); !opened)
        return Fail(QString::fromLocal8Bit(opened.error().c_str()));
    auto& model = session.Show();

    render::RenderOptions drawing;
    drawing.Rate = render::FrameRate::Fps(fps);
    if (size.Sharp)
        drawing.Fit = media::ComposeSharp;
    drawing.Scale = media::ScaleSharp;
    const std::string outPath = base::EncodeFileName(out);
    drawing.ScratchPath = outPath + ".incoming.bmp";
    drawing.Clips = media::ClipOpenerForRendering();
    render::FrameRenderer renderer(model.Slides(), drawing);
    const std::int64_t count = renderer.FrameCount();
    if (count <= 0)
        return Fail("the show has no frame to draw: no photo is shown for any time");
    const std::int64_t n = render::ShowTimeline::FrameOnScreen(atMs, drawing.Rate);
    if (n >= count)
        return Fail(QString("the show lasts %1 s; --at must be less")
                        .arg(static_cast<double>(renderer.Timeline().LengthMs()) / 1000.0));
    imaging::Bitmap frame = imaging::Bitmap::CreateSized(size.Width, size.Height);
    if (!renderer.Render(frame, n))
        std::fprintf(stderr, "reelpane-cli: warning: a photo of this frame could not be read\n");
    renderer.EndTransition();

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!frame.CopyToImage().save(&buffer, "PNG"))
        return Fail("cannot encode the frame as PNG");
    base::AtomicFile file(outPath);
    if (auto st = file.Open(); !st)
        return Fail(QString::fromLocal8Bit(st.error().c_str()));
    if (auto st = file.Write(png.constData(), static_cast<std::size_t>(png.size())); !st)
        return Fail(QString::fromLocal8Bit(st.error().c_str()));
    if (auto st = file.Commit(); !st)
        return Fail(QString::fromLocal8Bit(st.error().c_str()));
    std::fprintf(stderr, "reelpane-cli: wrote %s (%d x %d, frame %lld at %d fps)\n",
                 outPath.c_str(), size.Width, size.Height, static_cast<long long>(n), fps);
    return 0;
}

} // namespace cli
