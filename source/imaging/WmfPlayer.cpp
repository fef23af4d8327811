#include "imaging/WmfPlayer.h"

#include "imaging/WmfDib.h"

#include <algorithm>
#include <cmath>

namespace imaging::wmf {

namespace {

constexpr std::uint16_t kPsNull = 5;
constexpr std::uint16_t kPsStyleMask = 0x000F;
constexpr std::uint16_t kPsEndcapMask = 0x0F00;
constexpr std::uint16_t kPsJoinMask = 0xF000;
constexpr std::uint16_t kBsSolid = 0, kBsNull = 1, kBsHatched = 2;
constexpr std::uint32_t kSrcAnd = 0x8800C6, kSrcPaint = 0xEE0086, kSrcInvert = 0x660046;
constexpr std::uint32_t kBlackness = 0x000042, kWhiteness = 0xFF0062, kPatInvert = 0x5A0049,
                        kDstInvert = 0x550009;
constexpr std::size_t kMaxObjects = 65535;

Qt::BrushStyle HatchStyle(std::uint16_t hatch) {
    switch (hatch) {
    case 0:
        return Qt::HorPattern;
    case 1:
        return Qt::VerPattern;
    case 2:
        return Qt::FDiagPattern;
    case 3:
        return Qt::BDiagPattern;
    case 4:
        return Qt::CrossPattern;
    case 5:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

QPainter::CompositionMode RasterMode(std::uint32_t rop) {
    switch (rop) {
    case kSrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case kSrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    case kSrcInvert:
    case kPatInvert:
        return QPainter::RasterOp_SourceXorDestination;
    case kDstInvert:
        return QPainter::RasterOp_NotDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

} // namespace

WmfPlayer::WmfPlayer(QPainter& painter, QSizeF frame, QPointF windowOrg, QSizeF windowExt,
                     std::size_t numObjects, const DecodeLimits& limits)
    : painter_(painter), frame_(frame), limits_(limits),
      objects_(std::min(numObjects, kMaxObjects)) {
    for (std::size_t i = 0; i < objects_.size(); ++i)
        freeSlots_.insert(freeSlots_.end(), i);
    state_.windowOrg = windowOrg;
    state_.windowExt = windowExt;
    UpdateTransform();
}

QColor WmfPlayer::ColorRef(std::uint32_t value) const {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

void WmfPlayer::UpdateTransform() {
    const double ex = state_.windowExt.width() == 0 ? 1 : state_.windowExt.width();
    const double ey = state_.windowExt.height() == 0 ? 1 : state_.windowExt.height();
    const double sx = frame_.width() / ex, sy = frame_.height() / ey;
    painter_.setTransform(
        QTransform(sx, 0, 0, sy, -state_.windowOrg.x() * sx, -state_.windowOrg.y() * sy));
}

void WmfPlayer::ApplyClip() {
    if (!state_.clipped) {
        painter_.setClipping(false);
        return;
    }
    const QTransform t = painter_.transform();
    painter_.resetTransform();
    painter_.setClipRegion(state_.clip);
    painter_.setTransform(t);
}

void WmfPlayer::ClipRect(const QRectF& logical, bool exclude) {
    const QRectF dev = painter_.transform().mapRect(logical);
    const QRect rect(
        QPoint(static_cast<int>(std::lround(std::clamp(dev.left(), -1e6, 1e6))),
               static_cast<int>(std::lround(std::clamp(dev.top(), -1e6, 1e6)))),
        QPoint(static_cast<int>(std::lround(std::clamp(dev.right(), -1e6, 1e6))) - 1,
               static_cast<int>(std::lround(std::clamp(dev.bottom(), -1e6, 1e6))) - 1));
    if (!state_.clipped) {
        state_.clip = QRegion(QRect(QPoint(0, 0), frame_.toSize()));
        state_.clipped = true;
    }
    state_.clip = exclude ? state_.clip.subtracted(rect) : state_.clip.intersected(rect);
    // Each change costs about the region's rectangles, once to build and once to clip with.
    work_ += 2 * static_cast<std::uint64_t>(state_.clip.rectCount());
    ApplyClip();
}

void WmfPlayer::ChargeDevice(double pixels) {
    if (pixels > 0)
        work_ += static_cast<std::uint64_t>(std::min(pixels, 1e15));
}

void WmfPlayer::ChargeShape(const QRectF& logical, bool fill) {
    const QRectF frame(QPointF(0, 0), frame_);
    const QRectF dev = painter_.transform().mapRect(logical.normalized());
    const QRectF seen = dev.intersected(frame);
    const QTransform& t = painter_.transform();
    const double penWidth =
        std::max(1.0, state_.pen.widthF() * std::sqrt(std::abs(t.m11() * t.m22())));
    const double outline =
        2 *
        (std::min(dev.width(), 2 * frame.width()) + std::min(dev.height(), 2 * frame.height())) *
        std::min(penWidth, 4 * std::max(frame.width(), frame.height()));
    ChargeDevice((fill ? seen.width() * seen.height() : 0) +
                 (state_.pen.style() == Qt::NoPen ? 0 : outline));
}

void WmfPlayer::DoSaveDC() {
    if (saved_.size() < kMaxObjects)
        saved_.push_back(state_);
}

void WmfPlayer::DoRestoreDC(int which) {
    // Negative: that many states back; positive: the state SaveDC numbered so (from 1).
    const std::int64_t depth = static_cast<std::int64_t>(saved_.size());
    const std::int64_t target = which < 0 ? depth + which : which - 1;
    if (which == 0 || target < 0 || target >= depth)
        return;
    state_ = saved_[static_cast<std::size_t>(target)];
    saved_.resize(static_cast<std::size_t>(target));
    UpdateTransform();
    ApplyClip();
}

void WmfPlayer::AddObject(const Object& object) {
    if (!freeSlots_.empty()) {
        objects_[*freeSlots_.begin()] = object;
        freeSlots_.erase(freeSlots_.begin());
        return;
    }
    // Writers sometimes understate the table size; grow it rather than lose the object.
    if (objects_.size() < kMaxObjects)
        objects_.push_back(object);
}

void WmfPlayer::DoSelectObject(std::size_t index) {
    if (index >= objects_.size())
        return;
    const Object& o = objects_[index];
    switch (o.kind) {
    case Object::Pen:
        state_.pen = o.pen;
        break;
    case Object::Brush:
        state_.brush = o.brush;
        break;
    case Object::Font:
        state_.font = o.font;
        break;
    default:
        break;
    }
}

void WmfPlayer::DoDeleteObject(std::size_t index) {
    if (index < objects_.size() && objects_[index].kind != Object::Empty) {
        objects_[index] = Object();
        freeSlots_.insert(index);
    }
}

void WmfPlayer::ApplyPenAndBrush(bool fill) {
    QPen pen = state_.pen;
    if (pen.style() != Qt::NoPen) {
        // GDI never draws a line thinner than one pixel, nor does a pen get absurdly wide.
        const QTransform& t = painter_.transform();
        const double scale = std::sqrt(std::abs(t.m11() * t.m22()));
        const double device = pen.widthF() * scale;
        if (device < 1.0) {
            pen.setWidth(0);
            pen.setCosmetic(true);
        } else if (device > 4 * std::max(frame_.width(), frame_.height())) {
            pen.setWidthF(4 * std::max(frame_.width(), frame_.height()) / scale);
        }
    }
    painter_.setPen(pen);
    painter_.setBrush(fill ? state_.brush : QBrush(Qt::NoBrush));
}

QRectF WmfPlayer::RectFrom(const Params& p, std::size_t first) const {
    const double bottom = p.I16(first), right = p.I16(first + 1), top = p.I16(first + 2),
                 left = p.I16(first + 3);
    return QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
}

bool WmfPlayer::PointsFrom(const Params& p, std::size_t first, std::size_t count,
                           QPolygonF& out) const {
    if (p.Count() < first || (p.Count() - first) / 2 < count)
        return false;
    out.clear();
    out.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i)
        out.append(QPointF(p.I16(first + 2 * i), p.I16(first + 2 * i + 1)));
    return true;
}

void WmfPlayer::DrawArcLike(const Params& p, std::uint16_t function) {
    if (p.Count() < 8)
        return;
    const QPointF end(p.I16(1), p.I16(0)), start(p.I16(3), p.I16(2));
    const QRectF box = RectFrom(p, 4);
    if (box.width() <= 0 || box.height() <= 0)
        return;
    // Arcs run counter-clockwise on the screen whatever the window mapping, so the angles are
    // worked out in device space and the path mapped back.
    const QTransform& t = painter_.transform();
    const QRectF dev = t.mapRect(box);
    const QPointF c = dev.center(), ds = t.map(start), de = t.map(end);
    const double rx = dev.width() / 2, ry = dev.height() / 2;
    auto angle = [&](QPointF q) {
        return std::atan2(-(q.y() - c.y()) / ry, (q.x() - c.x()) / rx) * 180.0 / M_PI;
    };
    const double a1 = angle(ds);
    double sweep = angle(de) - a1;
    while (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (function == Pie) {
        path.moveTo(c);
        path.arcTo(dev, a1, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(dev, a1);
        path.arcTo(dev, a1, sweep);
        if (function == Chord)
            path.closeSubpath();
    }
    ApplyPenAndBrush(function != Arc);
    ChargeShape(box, function != Arc);
    painter_.drawPath(t.inverted().map(path));
}

void WmfPlayer::DrawPolyPolygon(const Params& p) {
    const std::size_t n = p.U16(0);
    if (p.Count() < 1 + n)
        return;
    std::size_t next = 1 + n;
    QPainterPath path;
    path.setFillRule(state_.fillRule);
    for (std::size_t i = 0; i < n; ++i) {
        QPolygonF poly;
        if (!PointsFrom(p, next, p.U16(1 + i), poly))
            return;
        next += 2 * static_cast<std::size_t>(p.U16(1 + i));
        path.addPolygon(poly);
        path.closeSubpath();
    }
    ApplyPenAndBrush(true);
    ChargeShape(path.boundingRect(), true);
    ChargeDevice(static_cast<double>(path.elementCount()) * kRecordWork);
    painter_.drawPath(path);
}

void WmfPlayer::DrawDib(const Params& p, std::uint16_t function) {
    // Word positions of: raster op, source rectangle, destination rectangle, the DIB.
    std::size_t first = 0, dib = 0;
    double sx = 0, sy = 0, sw = 0, sh = 0, dx = 0, dy = 0, dw = 0, dh = 0;
    const std::uint32_t rop = p.U32(0);
    if (function == StretchDIBits) {
        if (p.Count() < 11 || p.U16(2) != 0) // colours by palette index are not kept
            return;
        first = 3, dib = 11;
    } else if (function == DibStretchBlt) {
        first = 2, dib = 10;
    } else if (function == DibBitBlt) {
        if (p.Count() < 8)
            return;
        sy = p.I16(2), sx = p.I16(3), dh = sh = p.I16(4), dw = sw = p.I16(5), dy = p.I16(6),
        dx = p.I16(7);
        dib = 8;
    } else if (function == SetDIBitsToDevice) {
        if (p.Count() < 9 || p.U16(0) != 0)
            return;
        sy = p.I16(3), sx = p.I16(4), dh = sh = p.I16(5), dw = sw = p.I16(6), dy = p.I16(7),
        dx = p.I16(8);
        dib = 9;
    }
    if (first != 0) {
        if (p.Count() < first + 8)
            return;
        sh = p.I16(first), sw = p.I16(first + 1), sy = p.I16(first + 2), sx = p.I16(first + 3);
        dh = p.I16(first + 4), dw = p.I16(first + 5), dy = p.I16(first + 6), dx = p.I16(first + 7);
    }
    const QRectF target = QRectF(dx, dy, dw, dh).normalized();
    ChargeShape(target, true);
    if (p.BytesFrom(dib) == 0 && function != SetDIBitsToDevice) {
        // The form without a bitmap paints with the brush.
        painter_.setCompositionMode(RasterMode(rop));
        painter_.fillRect(target, rop == kBlackness   ? QBrush(Qt::black)
                                  : rop == kWhiteness ? QBrush(Qt::white)
                                                      : state_.brush);
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    const QImage image = DecodeDib(p.Bytes(dib), p.BytesFrom(dib), limits_);
    if (image.isNull())
        return;
    ChargeDevice(static_cast<double>(image.width()) * image.height());
    // Bottom-up DIBs count the source's y from their last row.
    const bool bottomUp = base::LoadLE<std::int32_t>(p.Bytes(dib) + 8) > 0 &&
                          base::LoadLE<std::uint32_t>(p.Bytes(dib)) >= 40;
    const double top = bottomUp ? image.height() - sy - std::abs(sh) : sy;
    painter_.setCompositionMode(RasterMode(rop));
    painter_.drawImage(target, image, QRectF(sx, top, std::abs(sw), std::abs(sh)));
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void WmfPlayer::DoPatBlt(const Params& p) {
    if (p.Count() < 6)
        return;
    const std::uint32_t rop = p.U32(0);
    const QRectF target = QRectF(p.I16(5), p.I16(4), p.I16(3), p.I16(2)).normalized();
    ChargeShape(target, true);
    painter_.setCompositionMode(RasterMode(rop));
    painter_.fillRect(target, rop == kBlackness   ? QBrush(Qt::black)
                              : rop == kWhiteness ? QBrush(Qt::white)
                              : rop == kDstInvert ? QBrush(Qt::white)
                                                  : state_.brush);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void WmfPlayer::Play(std::uint16_t function, const Params& p) {
    ++records_;
    work_ += kRecordWork;
    QPolygonF poly;
    switch (function) {
    case SaveDC:
        DoSaveDC();
        break;
    case RestoreDC:
        DoRestoreDC(p.I16(0));
        break;
    case SetBkMode:
        if (p.Count() >= 1)
            state_.opaque = p.U16(0) == 2;
        break;
    case SetPolyFillMode:
        if (p.Count() >= 1)
            state_.fillRule = p.U16(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case SetTextAlign:
        state_.textAlign = p.U16(0);
        break;
    case SetBkColor:
        if (p.Count() >= 2)
            state_.bkColor = ColorRef(p.U32(0));
        break;
    case SetTextColor:
        if (p.Count() >= 2)
            state_.textColor = ColorRef(p.U32(0));
        break;
    case SetWindowOrg:
        if (p.Count() >= 2) {
            state_.windowOrg = QPointF(p.I16(1), p.I16(0));
            UpdateTransform();
        }
        break;
    case OffsetWindowOrg:
        if (p.Count() >= 2) {
            state_.windowOrg += QPointF(p.I16(1), p.I16(0));
            UpdateTransform();
        }
        break;
    case SetWindowExt:
        if (p.Count() >= 2 && p.I16(0) != 0 && p.I16(1) != 0) {
            state_.windowExt = QSizeF(p.I16(1), p.I16(0));
            UpdateTransform();
        }
        break;
    case ScaleWindowExt:
        if (p.Count() >= 4 && p.I16(0) != 0 && p.I16(2) != 0) {
            const double w = state_.windowExt.width() * p.I16(3) / p.I16(2);
            const double h = state_.windowExt.height() * p.I16(1) / p.I16(0);
            if (w != 0 && h != 0) {
                state_.windowExt = QSizeF(w, h);
                UpdateTransform();
            }
        }
        break;
    case IntersectClipRect:
    case ExcludeClipRect:
        if (p.Count() >= 4)
            ClipRect(RectFrom(p, 0), function == ExcludeClipRect);
        break;
    case SelectClipRegion:
        if (p.U16(0) == 0) {
            state_.clipped = false;
            ApplyClip();
        }
        break;
    case CreatePenIndirect:
        if (p.Count() >= 5) {
            Object o;
            o.kind = Object::Pen;
            const std::uint16_t style = p.U16(0);
            o.pen = QPen(ColorRef(p.U32(3)), std::abs(p.I16(1)));
            static const Qt::PenStyle kStyles[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                                   Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen,
                                                   Qt::SolidLine};
            const std::uint16_t kind = style & kPsStyleMask;
            o.pen.setStyle(kind <= 6 ? kStyles[kind] : Qt::SolidLine);
            if (kind == kPsNull)
                o.pen.setStyle(Qt::NoPen);
            const std::uint16_t cap = style & kPsEndcapMask, join = style & kPsJoinMask;
            o.pen.setCapStyle(cap == 0x100   ? Qt::SquareCap
                              : cap == 0x200 ? Qt::FlatCap
                                             : Qt::RoundCap);
            o.pen.setJoinStyle(join == 0x1000   ? Qt::BevelJoin
                               : join == 0x2000 ? Qt::MiterJoin
                                                : Qt::RoundJoin);
            AddObject(o);
        }
        break;
    case CreateBrushIndirect:
        if (p.Count() >= 4) {
            Object o;
            o.kind = Object::Brush;
            const std::uint16_t style = p.U16(0);
            const QColor color = ColorRef(p.U32(1));
            if (style == kBsNull)
                o.brush = QBrush(Qt::NoBrush);
            else if (style == kBsHatched)
                o.brush = QBrush(color, HatchStyle(p.U16(3)));
            else
                o.brush = QBrush(color, style == kBsSolid ? Qt::SolidPattern : Qt::SolidPattern);
            AddObject(o);
        }
        break;
    case DibCreatePatternBrush: {
        Object o;
        o.kind = Object::Brush;
        const QImage image = DecodeDib(p.Bytes(2), p.BytesFrom(2), limits_);
        o.brush = image.isNull() ? QBrush(Qt::gray) : QBrush(image);
        AddObject(o);
        break;
    }
    case CreateFontIndirect:
        if (p.Count() >= 9) {
            Object o;
            o.kind = Object::Font;
            o.font.height = p.I16(0);
            o.font.escapement = p.I16(2);
            o.font.weight = p.I16(4);
            o.font.italic = p.Byte(10) != 0;
            o.font.underline = p.Byte(11) != 0;
            o.font.strikeOut = p.Byte(12) != 0;
            o.font.charset = p.Byte(13);
            QByteArray face;
            for (std::size_t k = 18; k < 18 + 32 && p.Byte(k) != 0; ++k)
                face.append(static_cast<char>(p.Byte(k)));
            o.font.face = QString::fromLatin1(face);
            AddObject(o);
        }
        break;
    case CreatePalette:
    case CreatePatternBrush:
    case CreateRegion: {
        // Objects the player does not draw with still take their slot in the table.
        Object o;
        o.kind = Object::Other;
        AddObject(o);
        break;
    }
    case SelectObject:
        DoSelectObject(p.U16(0));
        break;
    case DeleteObject:
        DoDeleteObject(p.U16(0));
        break;
    case MoveTo:
        if (p.Count() >= 2)
            state_.current = QPointF(p.I16(1), p.I16(0));
        break;
    case LineTo:
        if (p.Count() >= 2) {
            const QPointF to(p.I16(1), p.I16(0));
            ApplyPenAndBrush(false);
            ChargeShape(QRectF(state_.current, to), false);
            painter_.drawLine(state_.current, to);
            state_.current = to;
        }
        break;
    case Polyline:
        if (PointsFrom(p, 1, p.U16(0), poly)) {
            ApplyPenAndBrush(false);
            ChargeShape(poly.boundingRect(), false);
            ChargeDevice(static_cast<double>(poly.size()) * kRecordWork);
            painter_.drawPolyline(poly);
        }
        break;
    case Polygon:
        if (PointsFrom(p, 1, p.U16(0), poly)) {
            ApplyPenAndBrush(true);
            ChargeShape(poly.boundingRect(), true);
            ChargeDevice(static_cast<double>(poly.size()) * kRecordWork);
            painter_.drawPolygon(poly, state_.fillRule);
        }
        break;
    case PolyPolygon:
        DrawPolyPolygon(p);
        break;
    case Rectangle:
        if (p.Count() >= 4) {
            ApplyPenAndBrush(true);
            ChargeShape(RectFrom(p, 0), true);
            painter_.drawRect(RectFrom(p, 0));
        }
        break;
    case Ellipse:
        if (p.Count() >= 4) {
            ApplyPenAndBrush(true);
            ChargeShape(RectFrom(p, 0), true);
            painter_.drawEllipse(RectFrom(p, 0));
        }
        break;
    case RoundRect:
        if (p.Count() >= 6) {
            ApplyPenAndBrush(true);
            ChargeShape(RectFrom(p, 2), true);
            painter_.drawRoundedRect(RectFrom(p, 2), std::abs(p.I16(1)) / 2.0,
                                     std::abs(p.I16(0)) / 2.0, Qt::AbsoluteSize);
        }
        break;
    case Arc:
    case Pie:
    case Chord:
        DrawArcLike(p, function);
        break;
    case SetPixel:
        if (p.Count() >= 4)
            painter_.fillRect(QRectF(p.I16(3), p.I16(2), 1, 1), ColorRef(p.U32(0)));
        break;
    case PatBlt:
        DoPatBlt(p);
        break;
    case StretchDIBits:
    case DibStretchBlt:
    case DibBitBlt:
    case SetDIBitsToDevice:
        DrawDib(p, function);
        break;
    case TextOut:
        DoTextOut(p);
        break;
    case ExtTextOut:
        DoExtTextOut(p);
        break;
    default:
        break; // mapping mode, palettes, escapes, ROP2 and the rest change nothing drawn
    }
}

} // namespace imaging::wmf
