#include "imaging/TextLayer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

struct LaidLine {
    QString Text;
    QFont Font;
    double Width = 0.0;
    double Ascent = 0.0;
    double Height = 0.0;
};

std::vector<LaidLine> LayOut(const TextBlock& block) {
    std::vector<LaidLine> lines;
    for (const TextLine& line : block.Lines) {
        const QFontMetricsF metrics(line.Font);
        for (const QString& part : line.Text.split(QLatin1Char('\n'))) {
            LaidLine laid;
            laid.Text = part;
            laid.Font = line.Font;
            laid.Width = metrics.horizontalAdvance(part);
            laid.Ascent = metrics.ascent();
            laid.Height = metrics.lineSpacing();
            lines.push_back(std::move(laid));
        }
    }
    return lines;
}

// The first `letters` grapheme clusters of text (all when letters exceeds them); letters is
// lowered by those taken.
QString TakeLetters(const QString& text, int& letters) {
    if (letters < 0)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int end = 0;
    while (letters > 0) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        end = static_cast<int>(next);
        --letters;
    }
    return text.left(end);
}

// A soft copy of the layer's alpha: three box blurs of radius r, which come close to a Gaussian.
void BlurAlpha(QImage& alpha, int r) {
    if (r < 1)
        return;
    const int w = alpha.width();
    const int h = alpha.height();
    std::vector<int> line(static_cast<std::size_t>(std::max(w, h)));
    const auto pass = [&](auto at, int count, int lines) {
        for (int l = 0; l < lines; ++l) {
            for (int k = 0; k < count; ++k)
                line[static_cast<std::size_t>(k)] = *at(l, k);
            int sum = 0;
            for (int k = -r; k <= r; ++k)
                sum += k >= 0 && k < count ? line[static_cast<std::size_t>(k)] : 0;
            for (int k = 0; k < count; ++k) {
                *at(l, k) = static_cast<uchar>(sum / (2 * r + 1));
                const int add = k + r + 1;
                const int drop = k - r;
                if (add < count)
                    sum += line[static_cast<std::size_t>(add)];
                if (drop >= 0)
                    sum -= line[static_cast<std::size_t>(drop)];
            }
        }
    };
    const auto row = [&](int y, int x) { return alpha.scanLine(y) + x; };
    const auto column = [&](int x, int y) { return alpha.scanLine(y) + x; };
    for (int k = 0; k < 3; ++k) {
        pass(row, w, h);
        pass(column, h, w);
    }
}

} // namespace

int CountLetters(const TextBlock& block) {
    int count = 0;
    for (const LaidLine& line : LayOut(block)) {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line.Text);
        while (finder.toNextBoundary() >= 0)
            ++count;
    }
    return count;
}

TextLayerImage RenderTextLayer(const TextBlock& block, int letters) {
    const std::vector<LaidLine> lines = LayOut(block);
    double width = 0.0;
    double height = 0.0;
    for (const LaidLine& line : lines) {
        width = std::max(width, line.Width);
        height += line.Height;
    }
    TextLayerImage layer;
    layer.Block = QSizeF(width, height);
    const int shadowRadius = static_cast<int>(std::lround(block.Shadow));
    const double room = std::ceil(block.Outline + 3.0 * shadowRadius + 2.0);
    const int w = static_cast<int>(std::ceil(width + 2 * room + block.Shadow));
    const int h = static_cast<int>(std::ceil(height + 2 * room + block.Shadow));
    if (lines.empty() || w <= 0 || h <= 0 || static_cast<std::int64_t>(w) * h > kMaxPixels)
        return layer;
    layer.Origin = QPointF(room, room);

    QPainterPath path;
    double y = room;
    int left = letters;
    for (const LaidLine& line : lines) {
        double x = room;
        if (block.HAlign == 2)
            x += (width - line.Width) / 2.0;
        else if (block.HAlign == 3)
            x += width - line.Width;
        path.addText(QPointF(x, y + line.Ascent), line.Font, TakeLetters(line.Text, left));
        y += line.Height;
    }

    layer.Image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    layer.Image.fill(Qt::transparent);
    if (shadowRadius > 0) {
        QImage shadow(w, h, QImage::Format_Alpha8);
        shadow.fill(0);
        {
            QPainter p(&shadow);
            p.setRenderHint(QPainter::Antialiasing);
            p.translate(block.Shadow, block.Shadow);
            p.setPen(block.Outline > 0 ? QPen(Qt::black, block.Outline * 2.0) : Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawPath(path);
        }
        BlurAlpha(shadow, std::max(1, shadowRadius / 2));
        QPainter p(&layer.Image);
        p.setOpacity(0.75);
        // An alpha picture is drawn in the painter's pen colour: black.
        p.setPen(Qt::black);
        p.drawImage(0, 0, shadow);
    }
    QPainter p(&layer.Image);
    p.setRenderHint(QPainter::Antialiasing);
    if (block.Outline > 0) {
        QPen pen(QColor(0, 0, 0, 220), block.Outline * 2.0);
        pen.setJoinStyle(Qt::RoundJoin);
        p.strokePath(path, pen);
    }
    p.fillPath(path, block.Color);
    return layer;
}

void DrawTextLayer(Bitmap& frame, const TextLayerImage& layer, QPointF blockTopLeft,
                   const TextMotionState& state) {
    if (frame.IsEmpty() || layer.Image.isNull() || state.Opacity <= 0.0)
        return;
    QImage view = frame.View();
    QPainter p(&view);
    p.setRenderHint(QPainter::SmoothPixmapTransform, state.Scale != 1.0);
    p.setOpacity(std::min(state.Opacity, 1.0));
    const QPointF centre =
        blockTopLeft +
        QPointF(layer.Block.width() / 2.0, layer.Block.height() / 2.0 + state.Rise * frame.Height);
    p.translate(centre);
    p.scale(state.Scale, state.Scale);
    p.translate(-QPointF(layer.Block.width() / 2.0, layer.Block.height() / 2.0) - layer.Origin);
    p.drawImage(QPointF(0, 0), layer.Image);
}

} // namespace imaging
