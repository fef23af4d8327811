// Plays the common metafile records onto a QPainter: the device context (window mapping, pens,
// brushes, fonts, colours, clip, saved states), the object table, and the drawing records.
#pragma once

#include "imaging/ImageLoad.h"
#include "imaging/WmfFormat.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRegion>
#include <QString>

#include <cstdint>
#include <set>
#include <vector>

namespace imaging::wmf {

struct FontSpec {
    int height = 0;     // logical units; negative = character height, positive = cell height
    int escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int charset = 0;
    QString face;
};

class WmfPlayer {
public:
    // Draws into frame (device pixels, origin 0,0) with the window org/ext mapped onto it.
    WmfPlayer(QPainter& painter, QSizeF frame, QPointF windowOrg, QSizeF windowExt,
              std::size_t numObjects, const DecodeLimits& limits);

    // Plays one record; records it does not know or that are too short are skipped.
    void Play(std::uint16_t function, const Params& p);

    // A picture may play at most this many records and do this much drawing work: about the
    // pixels its shapes cover (lines by length times width), its bitmaps' pixels and the
    // rectangles of its clip region each time that changes. Past either, the picture is refused:
    // a metafile of a few kilobytes can otherwise keep the program busy for minutes.
    static constexpr std::uint64_t kMaxRecords = 1'000'000;
    static constexpr std::uint64_t kMaxWork = 1'500'000'000;
    // The work every record costs before it draws anything.
    static constexpr std::uint64_t kRecordWork = 64;
    bool OverBudget() const { return records_ > kMaxRecords || work_ > kMaxWork; }
    std::uint64_t Records() const { return records_; }
    std::uint64_t Work() const { return work_; }

private:
    struct Object {
        enum Kind { Empty, Pen, Brush, Font, Other } kind = Empty;
        QPen pen;
        QBrush brush;
        FontSpec font;
    };
    struct State {
        QPen pen{QColor(Qt::black), 0};
        QBrush brush{QColor(Qt::white)};
        FontSpec font;
        QColor textColor{Qt::black};
        QColor bkColor{Qt::white};
        bool opaque = true;
        Qt::FillRule fillRule = Qt::OddEvenFill;
        std::uint16_t textAlign = 0;
        QPointF windowOrg;
        QSizeF windowExt;
        QPointF current;
        bool clipped = false;
        QRegion clip; // device pixels; the window mapping never rotates, so rectangles stay so
    };

    // Device context
    void UpdateTransform();
    void ApplyClip();
    void ClipRect(const QRectF& logical, bool exclude);
    void DoSaveDC();
    void DoRestoreDC(int which);
    void AddObject(const Object& object);
    void DoSelectObject(std::size_t index);
    void DoDeleteObject(std::size_t index);
    void ApplyPenAndBrush(bool fill);
    // Adds the drawing work of a shape with these logical bounds: its device area when filled,
    // its outline (length times pen width) when only stroked.
    void ChargeShape(const QRectF& logical, bool fill);
    void ChargeDevice(double pixels);
    QColor ColorRef(std::uint32_t value) const;

    // Drawing
    QRectF RectFrom(const Params& p, std::size_t first) const; // bottom, right, top, left order
    bool PointsFrom(const Params& p, std::size_t first, std::size_t count, QPolygonF& out) const;
    void DrawArcLike(const Params& p, std::uint16_t function);
    void DrawPolyPolygon(const Params& p);
    void DrawDib(const Params& p, std::uint16_t function);
    void DoPatBlt(const Params& p);

    // Text (WmfPlayerText.cpp)
    void DoTextOut(const Params& p);
    void DoExtTextOut(const Params& p);
    void DrawText(QPointF logical, const QByteArray& bytes, const std::vector<int>& dx,
                  const QRectF* rect, bool opaqueRect, bool clipToRect);
    QString DecodeText(const QByteArray& bytes) const;

    QPainter& painter_;
    QSizeF frame_;
    DecodeLimits limits_;
    std::vector<Object> objects_;
    std::set<std::size_t> freeSlots_; // empty entries of objects_, lowest first as GDI fills them
    State state_;
    std::uint64_t records_ = 0;
    std::uint64_t work_ = 0;
    std::vector<State> saved_;
};

} // namespace imaging::wmf
