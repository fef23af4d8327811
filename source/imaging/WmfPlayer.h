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
#include <QString>

#include <cstdint>
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
        QPainterPath clip; // device coordinates
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
    State state_;
    std::vector<State> saved_;
};

} // namespace imaging::wmf
