// ColorToSrgb: turns a decoded picture from the colour space its file names (an embedded ICC
// profile, or the colour codes of a HEIF/AVIF nclx box) into sRGB through Little CMS, with the
// relative colorimetric intent and black-point compensation. Every decoder uses it, so a photo
// tagged Adobe RGB or Display P3 looks the same whatever its format. The conversion from a
// profile or colour codes met lately is reused, not made again. An untagged picture is taken
// as sRGB and left alone; a profile that cannot be used is ignored with one note.
#pragma once

#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace imaging {

class ColorToSrgb {
public:
    // No conversion: the picture is already sRGB.
    ColorToSrgb() = default;

    // From the bytes of an embedded ICC profile. No bytes means untagged. A profile that Little
    // CMS cannot read, or that is not an RGB profile, gives no conversion and a note saying why.
    // A grey profile is left alone: the decoder has already spread grey over three channels.
    static ColorToSrgb FromIcc(const std::uint8_t* data, std::size_t size);
    // From CICP colour codes (ITU-T H.273): colour primaries and transfer characteristics. The
    // codes of sRGB, or 2 ("unspecified"), give no conversion; codes without a defined meaning
    // here give a note.
    static ColorToSrgb FromCicp(int primaries, int transfer);
    // From chromaticities (x, y of the white point and the red, green and blue primaries) and an
    // encoding gamma (0.45455 for a 2.2 display), as PNG's cHRM and gAMA chunks give them. Values
    // within a rounding of sRGB's are taken as sRGB (writers add these chunks to sRGB pictures);
    // impossible values give a note.
    struct Chromaticities {
        double whiteX, whiteY, redX, redY, greenX, greenY, blueX, blueY;
    };
    static ColorToSrgb FromChromaticities(const Chromaticities& c, double encodingGamma);

    // CMYK pixels (C, M, Y, K bytes, 0 meaning no ink), `count` of them, turned in place into R, G,
    // B, A bytes (A 255) in sRGB through the picture's own CMYK profile. False, with nothing
    // changed and a note given, when the profile is not a CMYK profile Little CMS can convert
    // from (the decoder then falls back on plain ink arithmetic).
    static bool CmykToRgbaInPlace(const std::uint8_t* icc, std::size_t iccSize,
                                  std::uint8_t* pixels, std::size_t count);

    bool IsIdentity() const { return transform_ == nullptr; }
    // Why a profile was ignored; empty when it was used or there was none.
    const std::string& Note() const { return note_; }

    // Converts the bitmap's pixels in place.
    void Apply(Bitmap& bitmap) const;
    // Converts rows [first, last) of the pixels in place on the calling thread, for work that
    // converts a picture in bands (several threads may convert other rows at once).
    void ApplyRows(Bgr& pixels, int first, int last) const;

private:
    static ColorToSrgb Ignored(std::string why);
    // space: the data colour space the profile's header names (an ICC signature).
    static ColorToSrgb FromProfile(void* profile, std::uint32_t space);
    // The conversion kept under key (RecentTransforms.h), else the one make() gives, kept when
    // it converts.
    template <typename Make> static ColorToSrgb Recent(const std::string& key, const Make& make);

    std::shared_ptr<void> transform_; // shared with the conversions kept for the next photo
    std::string note_;
};

} // namespace imaging
