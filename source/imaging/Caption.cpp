#include "imaging/Caption.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace imaging {

namespace {

constexpr int kWorkMargin = 12;

QFont CaptionFont(const CaptionLook& look, double scale) {
    QFont font(look.Font);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(look.Size * 96.0 / 72.0 * scale))));
    font.setBold((look.Style & 1) != 0);
    font.setItalic((look.Style & 2) != 0);
    font.setUnderline((look.Style & 4) != 0);
    font.setStrikeOut((look.Style & 8) != 0);
    return font;
}

QColor FromColorValue(std::int32_t color) {
    const auto c = static_cast<std::uint32_t>(color);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

} // namespace

CaptionPlace PlaceCaption(const CaptionLook& look, int width, int height, double scale) {
    const QFontMetrics metrics(CaptionFont(look, scale));
    const int tw = metrics.horizontalAdvance(look.Text);
    const int th = metrics.height();
    const int kMargin = static_cast<int>(std::lround(kWorkMargin * scale));
    CaptionPlace place;
    place.Shadow = static_cast<int>(std::lround((look.Size / 12) * scale));
    switch (look.HAlign) {
    case 2:
        place.X = (width - tw) / 2;
        break;
    case 3:
        place.X = width - tw - kMargin;
        break;
    default:
        place.X = kMargin;
    }
    switch (look.VAlign) {
    case 2:
        place.Y = (height - th) / 2;
        break;
    case 3:
        place.Y = height - th - kMargin;
        break;
    default:
        place.Y = kMargin;
    }
    return place;
}

void DrawCaption(Bitmap& picture, const CaptionLook& look, double scale) {
    if (look.Text.isEmpty() || picture.IsEmpty())
        return;
    const CaptionPlace place = PlaceCaption(look, picture.Width, picture.Height, scale);
    QImage view = picture.View();
    QPainter painter(&view);
    const QFont font = CaptionFont(look, scale);
    painter.setFont(font);
    // (x, y) is the top of the text cell; QPainter places text by its baseline.
    const int ascent = QFontMetrics(font).ascent();
    painter.setPen(Qt::black);
    painter.drawText(place.X, place.Y + ascent, look.Text);
    painter.setPen(FromColorValue(look.Color));
    painter.drawText(place.X - place.Shadow, place.Y - place.Shadow + ascent, look.Text);
}

TextBlock MovingCaptionText(const CaptionLook& look, double scale) {
    const double pixels = std::max(1.0, look.Size * 96.0 / 72.0 * scale);
    TextBlock block;
    QFont font = CaptionFont(look, 1.0);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    block.Lines.push_back({look.Text, font});
    block.HAlign = look.HAlign;
    block.Color = FromColorValue(look.Color);
    block.Outline = std::max(1.0, pixels / 40.0);
    block.Shadow = std::max(1.0, pixels / 16.0);
    return block;
}

QPointF MovingCaptionPlace(const CaptionLook& look, const TextLayerImage& layer, double scale,
                           int width, int height) {
    const double margin = kWorkMargin * scale;
    const double w = layer.Block.width();
    const double h = layer.Block.height();
    const double x = look.HAlign == 2   ? (width - w) / 2.0
                     : look.HAlign == 3 ? width - w - margin
                                        : margin;
    const double y = look.VAlign == 2   ? (height - h) / 2.0
                     : look.VAlign == 3 ? height - h - margin
                                        : margin;
    return QPointF(x, y);
}

void DrawShownCaption(Bitmap& picture, const CaptionLook& look, double scale) {
    if (look.Text.isEmpty() || picture.IsEmpty() || !(scale > 0.0))
        return;
    const TextLayerImage layer = RenderTextLayer(MovingCaptionText(look, scale));
    DrawTextLayer(picture, layer,
                  MovingCaptionPlace(look, layer, scale, picture.Width, picture.Height),
                  TextMotionState{});
}

} // namespace imaging
