// Text records of the metafile player: fonts sized in device pixels, drawn upright in device
// space at the mapped reference point, aligned the GDI way, with optional per-character advances.
#include "imaging/WmfPlayer.h"
#include "imaging/WmfSymbolFont.h"

#include <QFont>
#include <QFontMetricsF>

#include <cmath>

namespace imaging::wmf {

namespace {

constexpr std::uint16_t kTaUpdateCp = 1, kTaRight = 2, kTaCenter = 6, kTaBottom = 8,
                        kTaBaseline = 24;
constexpr std::uint16_t kEtoOpaque = 2, kEtoClipped = 4;
} // namespace

QString WmfPlayer::DecodeText(const QByteArray& bytes) const {
    if (!IsSymbolFont(state_.font.charset, state_.font.face))
        return QString::fromLatin1(bytes);
    QString s;
    s.reserve(bytes.size());
    for (const char c : bytes)
        s.append(QChar(SymbolToUnicode(static_cast<std::uint8_t>(c))));
    return s;
}

void WmfPlayer::DoTextOut(const Params& p) {
    const std::size_t count = p.U16(0);
    const std::size_t words = (count + 1) / 2;
    if (p.Count() < 1 + words + 2)
        return;
    const QByteArray bytes(reinterpret_cast<const char*>(p.Bytes(1)),
                           static_cast<qsizetype>(count));
    DrawText(QPointF(p.I16(1 + words + 1), p.I16(1 + words)), bytes, {}, nullptr, false, false);
}

void WmfPlayer::DoExtTextOut(const Params& p) {
    if (p.Count() < 4)
        return;
    const QPointF at(p.I16(1), p.I16(0));
    const std::size_t count = p.U16(2);
    const std::uint16_t options = p.U16(3);
    std::size_t next = 4;
    QRectF rect;
    const bool hasRect = (options & (kEtoOpaque | kEtoClipped)) != 0;
    if (hasRect) {
        if (p.Count() < next + 4)
            return;
        rect =
            QRectF(QPointF(p.I16(next), p.I16(next + 1)), QPointF(p.I16(next + 2), p.I16(next + 3)))
                .normalized();
        next += 4;
    }
    const std::size_t words = (count + 1) / 2;
    if (p.Count() < next + words)
        return;
    const QByteArray bytes(reinterpret_cast<const char*>(p.Bytes(next)),
                           static_cast<qsizetype>(count));
    next += words;
    std::vector<int> dx;
    if (count > 0 && p.Count() >= next + count) {
        dx.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            dx.push_back(p.I16(next + i));
    }
    DrawText(at, bytes, dx, hasRect ? &rect : nullptr, (options & kEtoOpaque) != 0,
             (options & kEtoClipped) != 0);
}

void WmfPlayer::DrawText(QPointF logical, const QByteArray& bytes, const std::vector<int>& dx,
                         const QRectF* rect, bool opaqueRect, bool clipToRect) {
    const QTransform t = painter_.transform();
    const double sx = std::abs(t.m11()), sy = std::abs(t.m22());
    if (rect != nullptr && opaqueRect) {
        ChargeShape(*rect, true);
        painter_.fillRect(*rect, state_.bkColor);
    }
    if (bytes.isEmpty())
        return;
    const FontSpec& spec = state_.font;
    if ((state_.textAlign & kTaUpdateCp) != 0)
        logical = state_.current;

    // Size the font in device pixels; a positive height is the whole cell, not the em.
    double pixels = spec.height == 0 ? 12.0 : std::abs(spec.height) * sy;
    pixels = std::clamp(pixels, 1.0, 4.0 * std::max(frame_.width(), frame_.height()));
    QFont font(spec.face.isEmpty() ? QStringLiteral("Arial") : spec.face);
    if (IsSymbolFont(spec.charset, spec.face))
        font.setFamilies(SymbolTextFamilies()); // the text was mapped to Unicode
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    if (spec.height > 0) {
        const double cell = QFontMetricsF(font).height();
        if (cell > 0)
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels * pixels / cell))));
    }
    font.setWeight(
        static_cast<QFont::Weight>(std::clamp(spec.weight <= 0 ? 400 : spec.weight, 100, 900)));
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeOut);
    const QFontMetricsF metrics(font);
    const QString text = DecodeText(bytes);

    // Advances: the record's own per-character spacing when given, else the font's.
    std::vector<double> advance(static_cast<std::size_t>(text.size()));
    double width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        advance[k] = k < dx.size() ? dx[k] * sx : metrics.horizontalAdvance(text.at(i));
        width += advance[k];
    }
    double x = 0;
    const std::uint16_t align = state_.textAlign;
    if ((align & kTaCenter) == kTaCenter)
        x = -width / 2;
    else if ((align & kTaRight) != 0)
        x = -width;
    double baseline = metrics.ascent();
    if ((align & kTaBaseline) == kTaBaseline)
        baseline = 0;
    else if ((align & kTaBottom) != 0)
        baseline = -metrics.descent();

    painter_.save();
    if (rect != nullptr && clipToRect)
        painter_.setClipRect(*rect, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    const QPointF anchor = t.map(logical);
    painter_.resetTransform();
    painter_.translate(anchor);
    if (spec.escapement != 0)
        painter_.rotate(-spec.escapement / 10.0);
    painter_.setFont(font);
    if (state_.opaque && !opaqueRect)
        painter_.fillRect(QRectF(x, baseline - metrics.ascent(), width, metrics.height()),
                          state_.bkColor);
    painter_.setPen(state_.textColor);
    // Glyphs cost about the box they are drawn in (the painter is in device pixels here).
    ChargeDevice(std::min(std::abs(width), 4 * frame_.width()) *
                 std::min(static_cast<double>(metrics.height()), 4 * frame_.height()));
    if (dx.empty()) {
        painter_.drawText(QPointF(x, baseline), text);
    } else {
        for (qsizetype i = 0; i < text.size(); ++i) {
            painter_.drawText(QPointF(x, baseline), QString(text.at(i)));
            x += advance[static_cast<std::size_t>(i)];
        }
    }
    painter_.restore();
    if ((align & kTaUpdateCp) != 0)
        state_.current = t.inverted().map(anchor + QPointF(width, 0));
}

} // namespace imaging::wmf
