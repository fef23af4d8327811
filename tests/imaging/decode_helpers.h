// Shared helpers of the decoder tests: a scratch folder, running the outside tools that make
// test photos, reading files back as bytes and looking at decoded pixels.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/ImageLoad.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/FileBytes.h"
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace decode_test {

struct Rgb {
    int r, g, b;
};

inline Rgb PixelAt(const imaging::Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

inline ::testing::AssertionResult Near(Rgb got, Rgb want, int tolerance = 24) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << got.r << "," << got.g << "," << got.b << ") want (" << want.r << ","
           << want.g << "," << want.b << ")";
}

constexpr Rgb kRed{255, 0, 0}, kLime{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0},
    kWhite{255, 255, 255}, kBlack{0, 0, 0};

class Scratch {
public:
    std::string Path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    // Runs a shell command inside the scratch folder; true when it exits with 0.
    bool Run(const std::string& command) const {
        const std::string full =
            "cd '" + dir_.path().toStdString() + "' && { " + command + "; } >/dev/null 2>&1";
        return std::system(full.c_str()) == 0;
    }

private:
    QTemporaryDir dir_;
};

// The scratch folder's file decoded by its extension; an empty picture (and a failure) when it
// cannot be.
inline imaging::Bitmap Load(const Scratch& s, const std::string& name) {
    auto b = imaging::LoadImageFile(s.Path(name));
    EXPECT_TRUE(b) << b.error();
    return b ? std::move(*b) : imaging::Bitmap();
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    return testsupport::FileBytes<std::vector<std::uint8_t>>(path);
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The four-colour picture most tests decode: red, lime / blue, yellow quadrants.
inline std::string QuadrantsCommand(int w, int h, const std::string& out) {
    const std::string half = std::to_string(w / 2) + "x" + std::to_string(h / 2);
    return "convert -size " + half + " xc:red xc:lime +append \\( -size " + half +
           " xc:blue xc:yellow +append \\) -append " + out;
}

// The colours at the centres of the four quadrants, top-left first, row by row.
inline void ExpectQuadrants(const imaging::Bitmap& b, Rgb tl, Rgb tr, Rgb bl, Rgb br,
                            int tolerance = 24) {
    const int x0 = b.Width / 4, x1 = 3 * b.Width / 4, y0 = b.Height / 4, y1 = 3 * b.Height / 4;
    EXPECT_TRUE(Near(PixelAt(b, x0, y0), tl, tolerance)) << "top left";
    EXPECT_TRUE(Near(PixelAt(b, x1, y0), tr, tolerance)) << "top right";
    EXPECT_TRUE(Near(PixelAt(b, x0, y1), bl, tolerance)) << "bottom left";
    EXPECT_TRUE(Near(PixelAt(b, x1, y1), br, tolerance)) << "bottom right";
}

// The largest difference of any channel of any pixel between a decoded bitmap and a picture
// another program wrote (a PPM or PNG from a format's own decoder); -1 when the sizes differ or
// the reference cannot be read.
inline int MaxDifference(const imaging::Bitmap& got, const std::string& referencePath) {
    const QImage ref =
        QImage(QString::fromStdString(referencePath)).convertToFormat(QImage::Format_RGB888);
    if (ref.isNull() || ref.width() != got.Width || ref.height() != got.Height)
        return -1;
    int worst = 0;
    for (int y = 0; y < got.Height; ++y) {
        const std::uint8_t* r = ref.constScanLine(y);
        const std::uint8_t* g = got.Row(y);
        for (int x = 0; x < got.Width; ++x, r += 3, g += 3) {
            worst = std::max(
                {worst, std::abs(r[0] - g[2]), std::abs(r[1] - g[1]), std::abs(r[2] - g[0])});
        }
    }
    return worst;
}

// A little-endian TIFF structure holding only an orientation tag, as cameras write it into
// EXIF; the WebP and TIFF tests put it into their files with the formats' own tools.
inline std::vector<std::uint8_t> ExifWithOrientation(std::uint16_t orientation) {
    return {'I',
            'I',
            42,
            0,
            8,
            0,
            0,
            0, // header, IFD0 at 8
            1,
            0, // one entry
            0x12,
            0x01,
            3,
            0,
            1,
            0,
            0,
            0, // orientation, SHORT, 1
            static_cast<std::uint8_t>(orientation),
            0,
            0,
            0,
            0,
            0,
            0,
            0}; // value; no next IFD
}

} // namespace decode_test
