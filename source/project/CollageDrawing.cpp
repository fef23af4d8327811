#include "project/CollageDrawing.h"

#include "imaging/AutoMotion.h"
#include "imaging/Compose.h"
#include "imaging/MotionRender.h"
#include "project/OriginalDrawing.h"

#include <algorithm>
#include <cmath>

namespace project {

namespace {

// Automatic motion zooms from the cover to this much of it (AutoMotion.h): a cell samples its
// photo at most this much closer than the cover.
constexpr double kCellZoomTravel = 1.25;

// n spans of equal length (the last takes the remainder) from `from` over `length`, with `gap`
// between them; empty when a span would have no pixel.
std::vector<std::pair<int, int>> Spans(int from, int length, int n, int gap) {
    std::vector<std::pair<int, int>> spans;
    const int each = (length - (n - 1) * gap) / n;
    if (n < 1 || each < 1)
        return spans;
    for (int i = 0; i < n; ++i) {
        const int start = from + i * (each + gap);
        const int end = i + 1 == n ? from + length : start + each;
        spans.emplace_back(start, end - start);
    }
    return spans;
}

} // namespace

std::vector<CollageCell> CollageCells(CollageLayout layout, std::size_t count, int width,
                                      int height, std::int32_t gap) {
    if (count < kMinCollagePhotos || count > kMaxCollagePhotos || width < 1 || height < 1)
        return {};
    const int g = static_cast<int>(
        std::lround(std::clamp(gap, 0, kMaxCollageGap) / 1000.0 * std::min(width, height)));
    const int x0 = g, y0 = g, w = width - 2 * g, h = height - 2 * g;
    if (w < 1 || h < 1)
        return {};
    const int n = static_cast<int>(count);
    std::vector<CollageCell> cells;
    const auto add = [&](std::pair<int, int> x, std::pair<int, int> y) {
        cells.push_back({x.first, y.first, x.second, y.second});
    };
    const auto fail = [&] { return std::vector<CollageCell>{}; };
    switch (layout) {
    case CollageLayout::Side:
    case CollageLayout::Stack: {
        const bool side = layout == CollageLayout::Side;
        const auto spans = Spans(side ? x0 : y0, side ? w : h, n, g);
        if (spans.empty())
            return fail();
        for (const auto& s : spans)
            side ? add(s, {y0, h}) : add({x0, w}, s);
        break;
    }
    case CollageLayout::Grid: {
        // Two rows: two photos above, the rest (one or two) below; two photos stand side by side.
        if (n == 2)
            return CollageCells(CollageLayout::Side, count, width, height, gap);
        const auto rows = Spans(y0, h, 2, g);
        const auto top = Spans(x0, w, 2, g);
        const auto bottom = Spans(x0, w, n - 2, g);
        if (rows.empty() || top.empty() || bottom.empty())
            return fail();
        for (const auto& s : top)
            add(s, rows[0]);
        for (const auto& s : bottom)
            add(s, rows[1]);
        break;
    }
    case CollageLayout::Feature: {
        // The first photo on the left, three fifths of the width (half for two photos); the
        // others stacked on the right.
        const int left = n == 2 ? (w - g) / 2 : (w - g) * 3 / 5;
        const int right = w - g - left;
        if (left < 1 || right < 1)
            return fail();
        const auto others = Spans(y0, h, n - 1, g);
        if (others.empty())
            return fail();
        add({x0, left}, {y0, h});
        for (const auto& s : others)
            add({x0 + left + g, right}, s);
        break;
    }
    default:
        return fail();
    }
    return cells;
}

base::Result<imaging::Bitmap> DrawCollagePhoto(const CollagePhoto& photo, int cellWidth,
                                               int cellHeight) {
    if (cellWidth < 1 || cellHeight < 1)
        return base::Fail("no room for " + photo.Name + " in the collage");
    return DrawOriginalFile(photo.File, photo.Name, photo.Steps, 0, [&](double w, double h) {
        return w > 0 && h > 0 ? std::max(cellWidth / w, cellHeight / h) * kCellZoomTravel : 1.0;
    });
}

imaging::Motion CollagePhotoMotion(const CollageSettings& collage, std::size_t k,
                                   const CollageCell& cell, int pictureWidth, int pictureHeight) {
    imaging::Motion automatic;
    automatic.Mode = imaging::MotionMode::Auto;
    const std::vector<imaging::FaceBox> none;
    return imaging::ResolveMotion(automatic, static_cast<int>(k), cell.Width, cell.Height,
                                  pictureWidth, pictureHeight,
                                  k < collage.Photos.size() ? collage.Photos[k].Faces : none);
}

void DrawCollage(imaging::Bitmap& frame, const CollageSettings& collage,
                 const std::vector<CollagePicture>& pictures, double u, std::int32_t backColor) {
    imaging::FillColor(frame, backColor);
    const std::vector<CollageCell> cells =
        CollageCells(collage.Layout, collage.Photos.size(), frame.Width, frame.Height, collage.Gap);
    imaging::Bitmap cellFrame;
    for (std::size_t k = 0; k < cells.size() && k < pictures.size(); ++k) {
        const CollagePicture& p = pictures[k];
        if (p.Picture == nullptr || p.Picture->IsEmpty())
            continue;
        const CollageCell& cell = cells[k];
        cellFrame.SetSizeUninitialised(cell.Width, cell.Height);
        const imaging::Motion motion =
            CollagePhotoMotion(collage, k, cell, p.Picture->Width, p.Picture->Height);
        imaging::ComposeMovingPhoto(cellFrame, *p.Picture, backColor, motion, u, 0, {}, p.Levels);
        frame.Draw(cellFrame, cell.X, cell.Y);
    }
}

base::Result<imaging::Bitmap> DrawCollagePicture(const CollageSettings& collage, int width,
                                                 int height, std::int32_t backColor) {
    const std::vector<CollageCell> cells =
        CollageCells(collage.Layout, collage.Photos.size(), width, height, collage.Gap);
    if (cells.empty())
        return base::Fail("a collage holds " + std::to_string(kMinCollagePhotos) + " to " +
                          std::to_string(kMaxCollagePhotos) + " photos");
    std::vector<imaging::Bitmap> drawn;
    drawn.reserve(cells.size());
    for (std::size_t k = 0; k < cells.size(); ++k) {
        auto photo = DrawCollagePhoto(collage.Photos[k], cells[k].Width, cells[k].Height);
        if (!photo)
            return base::Fail(photo.error());
        drawn.push_back(std::move(*photo));
    }
    std::vector<CollagePicture> pictures;
    std::vector<imaging::PicturePyramid> levels(drawn.size());
    for (std::size_t k = 0; k < drawn.size(); ++k)
        pictures.push_back({&drawn[k], &levels[k]});
    imaging::Bitmap frame = imaging::Bitmap::CreateSized(width, height);
    if (frame.IsEmpty())
        return base::Fail("cannot make a picture of " + std::to_string(width) + " x " +
                          std::to_string(height));
    DrawCollage(frame, collage, pictures, 0.0, backColor);
    return frame;
}

} // namespace project
