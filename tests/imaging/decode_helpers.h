// Shared helpers of the decoder tests: a scratch folder, running the outside tools that make
// test photos, reading files back as bytes and looking at decoded pixels.
#pragma once

#include "imaging/Bitmap.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/FileBytes.h"
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
            "cd '" + dir_.path().toStdString() + "' && " + command + " >/dev/null 2>&1";
        return std::system(full.c_str()) == 0;
    }

private:
    QTemporaryDir dir_;
};

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

} // namespace decode_test
