// WMF photos: the metafile's headers give its size (the placeable header's frame at 96 pixels
// per inch, else the window extent), then the records are played onto a white picture.
#include "imaging/ImageLoad.h"
#include "imaging/WmfFormat.h"
#include "imaging/WmfPlayer.h"

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace imaging {

namespace {

constexpr std::size_t kMaxWmfFileBytes = 64u << 20;
constexpr double kScreenDpi = 96.0;
constexpr double kTwipsPerInch = 1440.0;
// A metafile without a placeable header that is wider than this is taken to be in twips.
constexpr double kLargestPixelExtent = 1600.0;

struct Layout {
    std::size_t recordsAt = 0;
    std::size_t numObjects = 0;
    QSize size;
    QPointF windowOrg;
    QSizeF windowExt;
};

// Visits each record after the header; false when a record runs past the data or no EOF
// record ends the list.
template <typename Visit>
bool WalkRecords(const std::uint8_t* data, std::size_t size, std::size_t at, Visit&& visit) {
    while (at <= size && size - at >= sizeof(wmf::RecordHeader)) {
        wmf::RecordHeader rh;
        std::memcpy(&rh, data + at, sizeof(rh));
        const std::uint32_t words = rh.sizeWords;
        const std::uint16_t function = rh.function;
        if (words < 3 || (size - at) / 2 < words)
            return false;
        if (function == wmf::EndOfFile)
            return true;
        if (!visit(function, wmf::Params(data + at + sizeof(rh), words - 3)))
            return true;
        at += static_cast<std::size_t>(words) * 2;
    }
    return false;
}

base::Result<Layout> ReadLayout(const std::uint8_t* data, std::size_t size) {
    Layout out;
    std::size_t at = 0;
    bool placeable = false;
    wmf::PlaceableHeader ph;
    if (size >= sizeof(ph)) {
        std::memcpy(&ph, data, sizeof(ph));
        placeable = ph.key == wmf::kPlaceableKey;
    }
    if (placeable)
        at = sizeof(ph);
    wmf::MetaHeader mh;
    if (size - at < sizeof(mh))
        return base::Fail("WMF: file too short");
    std::memcpy(&mh, data + at, sizeof(mh));
    if ((mh.type != 1 && mh.type != 2) || mh.headerWords != 9)
        return base::Fail("WMF: not a metafile");
    out.recordsAt = at + sizeof(mh);
    out.numObjects = mh.numObjects;

    // The window as the records first set it, and whether the record list is whole.
    bool haveOrg = false, haveExt = false;
    QPointF org;
    QSizeF ext;
    const bool whole =
        WalkRecords(data, size, out.recordsAt, [&](std::uint16_t function, const wmf::Params& p) {
            if (function == wmf::SetWindowOrg && !haveOrg && p.Count() >= 2) {
                org = QPointF(p.I16(1), p.I16(0));
                haveOrg = true;
            } else if (function == wmf::SetWindowExt && !haveExt && p.Count() >= 2 &&
                       p.I16(0) != 0 && p.I16(1) != 0) {
                ext = QSizeF(p.I16(1), p.I16(0));
                haveExt = true;
            }
            return true; // on to the end: is the list whole?
        });
    if (!whole)
        return base::Fail("WMF: the records are cut short");

    double w, h;
    if (placeable) {
        if (ph.unitsPerInch == 0)
            return base::Fail("WMF: no units per inch");
        const double left = ph.left, top = ph.top, right = ph.right, bottom = ph.bottom;
        w = std::abs(right - left) * kScreenDpi / ph.unitsPerInch;
        h = std::abs(bottom - top) * kScreenDpi / ph.unitsPerInch;
        out.windowOrg = QPointF(left, top);
        out.windowExt = QSizeF(right - left, bottom - top);
    } else {
        if (!haveExt)
            return base::Fail("WMF: no placeable header and no window extent");
        w = std::abs(ext.width());
        h = std::abs(ext.height());
        if (std::max(w, h) > kLargestPixelExtent) {
            w = w * kScreenDpi / kTwipsPerInch;
            h = h * kScreenDpi / kTwipsPerInch;
        }
        out.windowOrg = org;
        out.windowExt = ext;
    }
    out.size = QSize(std::max(1, static_cast<int>(std::lround(w))),
                     std::max(1, static_cast<int>(std::lround(h))));
    return out;
}

} // namespace

base::Result<Bitmap> LoadWmfMemory(const std::uint8_t* data, std::size_t size,
                                   const DecodeLimits& limits) {
    if (data == nullptr)
        return base::Fail("WMF: no data");
    const auto read = ReadLayout(data, size);
    if (!read)
        return base::Fail(read.error());
    const Layout& layout = *read;
    if (!limits.Fits(layout.size.width(), layout.size.height()))
        return base::Fail("WMF: picture size " + std::to_string(layout.size.width()) + "x" +
                          std::to_string(layout.size.height()) + " is beyond the limits");
    // The records are drawn straight into the picture's own pixels: no canvas of another
    // format and no conversion, so the picture is the only large block the decode holds.
    Bitmap bitmap = Bitmap::CreateUninitialised(layout.size.width(), layout.size.height());
    if (bitmap.IsEmpty())
        return base::Fail("WMF: out of memory for the picture");
    bitmap.Fill(0xFF, 0xFF, 0xFF);
    bool overBudget = false;
    {
        QImage canvas = bitmap.View();
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        wmf::WmfPlayer player(painter, QSizeF(layout.size), layout.windowOrg, layout.windowExt,
                              layout.numObjects, limits);
        WalkRecords(data, size, layout.recordsAt,
                    [&](std::uint16_t function, const wmf::Params& p) {
                        player.Play(function, p);
                        overBudget = player.OverBudget();
                        return !overBudget;
                    });
    }
    if (overBudget)
        return base::Fail("WMF: the picture needs more drawing than any photo does");
    return bitmap;
}

base::Result<Bitmap> LoadWmfFile(const std::string& path) {
    auto bytes = detail::ReadWholeFile(path, kMaxWmfFileBytes);
    if (!bytes)
        return base::Fail(bytes.error());
    auto loaded =
        LoadWmfMemory(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
    if (!loaded)
        return detail::ReadFailure(path, loaded.error());
    return loaded;
}

} // namespace imaging
