// The byte layout of Windows metafiles: the optional placeable header, the metafile header, the
// record functions the player knows, and a reader of a record's 16-bit parameters that never
// reads past the record's end.
#pragma once

#include "base/Endian.h"

#include <cstddef>
#include <cstdint>

namespace imaging::wmf {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

struct PlaceableHeader {
    base::le_u32 key;
    base::le_u16 handle;
    base::le_i16 left, top, right, bottom;
    base::le_u16 unitsPerInch;
    base::le_u32 reserved;
    base::le_u16 checksum;
};
static_assert(sizeof(PlaceableHeader) == 22);

struct MetaHeader {
    base::le_u16 type; // 1 in memory, 2 on disk
    base::le_u16 headerWords;
    base::le_u16 version;
    base::le_u32 sizeWords;
    base::le_u16 numObjects;
    base::le_u32 maxRecordWords;
    base::le_u16 numParams;
};
static_assert(sizeof(MetaHeader) == 18);

// Every record starts with its size in 16-bit words (this header included) and its function.
struct RecordHeader {
    base::le_u32 sizeWords;
    base::le_u16 function;
};
static_assert(sizeof(RecordHeader) == 6);

enum Function : std::uint16_t {
    EndOfFile = 0x0000,
    SaveDC = 0x001E,
    RealizePalette = 0x0035,
    CreatePalette = 0x00F7,
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetPolyFillMode = 0x0106,
    SetTextAlign = 0x012E,
    RestoreDC = 0x0127,
    SelectClipRegion = 0x012C,
    SelectObject = 0x012D,
    DibCreatePatternBrush = 0x0142,
    DeleteObject = 0x01F0,
    CreatePatternBrush = 0x01F9,
    SetBkColor = 0x0201,
    SetTextColor = 0x0209,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    OffsetWindowOrg = 0x020F,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    Polygon = 0x0324,
    Polyline = 0x0325,
    ScaleWindowExt = 0x0410,
    ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416,
    Ellipse = 0x0418,
    Rectangle = 0x041B,
    SetPixel = 0x041F,
    TextOut = 0x0521,
    PolyPolygon = 0x0538,
    RoundRect = 0x061C,
    PatBlt = 0x061D,
    CreateRegion = 0x06FF,
    Arc = 0x0817,
    Pie = 0x081A,
    Chord = 0x0830,
    DibBitBlt = 0x0940,
    ExtTextOut = 0x0A32,
    DibStretchBlt = 0x0B41,
    SetDIBitsToDevice = 0x0D33,
    StretchDIBits = 0x0F43,
};

// The parameters of one record: 16-bit words after the record header. Reads outside the record
// give 0; handlers check Count() first so a short record is skipped, not half-played.
class Params {
public:
    Params(const std::uint8_t* data, std::size_t words) : data_(data), words_(words) {}

    std::size_t Count() const { return words_; }
    std::uint16_t U16(std::size_t i) const {
        return i < words_ ? base::LoadLE<std::uint16_t>(data_ + 2 * i) : 0;
    }
    // Byte k of the parameters (strings and packed byte fields); 0 past the end.
    std::uint8_t Byte(std::size_t k) const { return k < 2 * words_ ? data_[k] : 0; }
    std::int16_t I16(std::size_t i) const { return static_cast<std::int16_t>(U16(i)); }
    // Two words, low first (COLORREF, raster operations, sizes).
    std::uint32_t U32(std::size_t i) const {
        return static_cast<std::uint32_t>(U16(i)) | static_cast<std::uint32_t>(U16(i + 1)) << 16;
    }
    // The bytes from word i to the end of the record (empty when i is past it).
    const std::uint8_t* Bytes(std::size_t i) const { return i < words_ ? data_ + 2 * i : nullptr; }
    std::size_t BytesFrom(std::size_t i) const { return i < words_ ? 2 * (words_ - i) : 0; }

private:
    const std::uint8_t* data_;
    std::size_t words_;
};

} // namespace imaging::wmf
