#include "imaging/TitleCard.h"

#include "imaging/Colors.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

constexpr double kTitleHeight = 0.09;
constexpr double kSubtitleHeight = 0.045;
constexpr double kWidest = 0.9;
constexpr double kDarken = 0.5;
// The blurred backdrop is made at 1/kBlurDivisor of the frame and smoothed back up.
constexpr int kBlurDivisor = 24;

QColor ColorOf(std::int32_t value) {
    const auto c = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QFont TitleFont(double pixels, bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    font.setBold(bold);
    return font;
}

} // namespace

std::optional<TitleSettings> ParseBackdrop(const std::string& text, TitleSettings title) {
    if (text == "blur") {
        title.Backdrop = TitleBackdrop::Blur;
        return title;
    }
    if (const auto one = ParseRrggbb(text)) {
        title.Backdrop = TitleBackdrop::Color;
        title.Color1 = *one;
        return title;
    }
    const auto dash = text.find('-');
    if (dash == std::string::npos)
        return std::nullopt;
    const auto top = ParseRrggbb(text.substr(0, dash));
    const auto bottom = ParseRrggbb(text.substr(dash + 1));
    if (!top || !bottom)
        return std::nullopt;
    title.Backdrop = TitleBackdrop::Gradient;
    title.Color1 = *top;
    title.Color2 = *bottom;
    return title;
}

std::string BackdropText(const TitleSettings& title) {
    switch (title.Backdrop) {
    case TitleBackdrop::Blur:
        return "blur";
    case TitleBackdrop::Gradient:
        return RrggbbText(title.Color1) + "-" + RrggbbText(title.Color2);
    case TitleBackdrop::Color:
        break;
    }
    return RrggbbText(title.Color1);
}

void DrawTitleBackdrop(Bitmap& frame, const TitleSettings& title, const Bitmap* next) {
    if (frame.IsEmpty())
        return;
    QImage view = frame.View();
    if (title.Backdrop == TitleBackdrop::Blur && next && !next->IsEmpty()) {
        // The part of the next photo that covers the frame's shape, made small (an area average),
        // smoothed, and drawn back at the frame's size: a blur that costs little at any size.
        const double scale =
            std::max(double(frame.Width) / next->Width, double(frame.Height) / next->Height);
        const int cw =
            std::clamp(static_cast<int>(std::lround(frame.Width / scale)), 1, next->Width);
        const int ch =
            std::clamp(static_cast<int>(std::lround(frame.Height / scale)), 1, next->Height);
        const QImage cover =
            next->View().copy((next->Width - cw) / 2, (next->Height - ch) / 2, cw, ch);
        const QImage small = cover.scaled(std::max(1, frame.Width / kBlurDivisor),
                                          std::max(1, frame.Height / kBlurDivisor),
                                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage wide = small.scaled(frame.Width, frame.Height, Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation);
        QPainter p(&view);
        p.drawImage(0, 0, wide);
        p.fillRect(view.rect(), QColor(0, 0, 0, static_cast<int>(255 * kDarken)));
        return;
    }
    QPainter p(&view);
    if (title.Backdrop == TitleBackdrop::Gradient) {
        QLinearGradient gradient(0, 0, 0, frame.Height);
        gradient.setColorAt(0, ColorOf(title.Color1));
        gradient.setColorAt(1, ColorOf(title.Color2));
        p.fillRect(view.rect(), gradient);
    } else {
        p.fillRect(view.rect(), ColorOf(title.Color1));
    }
}

TextBlock TitleText(const TitleSettings& title, int width, int height) {
    const QString text = QString::fromUtf8(title.Title.data(), qsizetype(title.Title.size()));
    const QString subtitle =
        QString::fromUtf8(title.Subtitle.data(), qsizetype(title.Subtitle.size()));
    double pixels = kTitleHeight * height;
    // Shrink both lines together until the widest fits.
    double widest = 0.0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, QFontMetricsF(TitleFont(pixels, true)).horizontalAdvance(line));
    for (const QString& line : subtitle.split(QLatin1Char('\n')))
        widest =
            std::max(widest, QFontMetricsF(TitleFont(pixels / 2.0, false)).horizontalAdvance(line));
    if (widest > kWidest * width && widest > 0.0)
        pixels *= kWidest * width / widest;

    TextBlock block;
    block.HAlign = 2;
    block.Color = ColorOf(title.TextColor);
    block.Outline = std::max(1.0, pixels / 40.0);
    block.Shadow = std::max(1.0, pixels / 16.0);
    block.Lines.push_back({text, TitleFont(pixels, true)});
    if (!subtitle.isEmpty())
        block.Lines.push_back(
            {subtitle, TitleFont(pixels * kSubtitleHeight / kTitleHeight, false)});
    return block;
}

QPointF TitlePlace(const TextLayerImage& layer, int width, int height) {
    return QPointF((width - layer.Block.width()) / 2.0, (height - layer.Block.height()) / 2.0);
}

void DrawTitleCard(Bitmap& frame, const TitleSettings& title, const Bitmap* next) {
    DrawTitleBackdrop(frame, title, next);
    const TextLayerImage layer = RenderTextLayer(TitleText(title, frame.Width, frame.Height));
    DrawTextLayer(frame, layer, TitlePlace(layer, frame.Width, frame.Height), TextMotionState{});
}

} // namespace imaging
