#include "imaging/ColorToSrgb.h"

#include "base/Endian.h"
#include "imaging/MotionSampler.h"
#include "imaging/RecentTransforms.h"

#include <QtGlobal>

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace imaging {

namespace {

struct ProfileClose {
    void operator()(void* p) const { cmsCloseProfile(static_cast<cmsHPROFILE>(p)); }
};
using ProfilePtr = std::unique_ptr<void, ProfileClose>;

struct CurveFree {
    void operator()(cmsToneCurve* c) const { cmsFreeToneCurve(c); }
};
using CurvePtr = std::unique_ptr<cmsToneCurve, CurveFree>;

// The profile of a picture's colour, from its H.273 colour primaries and transfer codes; null for
// codes this table does not know.
ProfilePtr ProfileOfCicp(int primaries, int transfer) {
    cmsCIExyYTRIPLE p{};
    cmsCIExyY white{0.3127, 0.3290, 1.0}; // D65
    switch (primaries) {
    case 1: // BT.709, the primaries of sRGB
        p = {{0.640, 0.330, 1.0}, {0.300, 0.600, 1.0}, {0.150, 0.060, 1.0}};
        break;
    case 9: // BT.2020
        p = {{0.708, 0.292, 1.0}, {0.170, 0.797, 1.0}, {0.131, 0.046, 1.0}};
        break;
    case 11: // DCI-P3, with the cinema white
        white = {0.314, 0.351, 1.0};
        [[fallthrough]];
    case 12: // Display P3 (D65)
        p = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
        break;
    case 5: // BT.601 625 lines
        p = {{0.640, 0.330, 1.0}, {0.290, 0.600, 1.0}, {0.150, 0.060, 1.0}};
        break;
    case 6: // BT.601 525 lines
        p = {{0.630, 0.340, 1.0}, {0.310, 0.595, 1.0}, {0.155, 0.070, 1.0}};
        break;
    default:
        return nullptr;
    }
    // Little CMS type 4: Y = (aX + b)^g for X >= d, Y = cX below.
    CurvePtr curve;
    switch (transfer) {
    case 2:  // unspecified: taken as sRGB's, like an untagged picture
    case 13: // sRGB
    {
        const cmsFloat64Number srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        curve.reset(cmsBuildParametricToneCurve(nullptr, 4, srgb));
        break;
    }
    case 1: // BT.709 and its 10/12-bit twins
    case 6:
    case 14:
    case 15: {
        const cmsFloat64Number bt709[5] = {1.0 / 0.45, 1.0 / 1.099, 0.099 / 1.099, 1.0 / 4.5,
                                           0.081};
        curve.reset(cmsBuildParametricToneCurve(nullptr, 4, bt709));
        break;
    }
    case 4:
        curve.reset(cmsBuildGamma(nullptr, 2.2));
        break;
    case 5:
        curve.reset(cmsBuildGamma(nullptr, 2.8));
        break;
    case 8:
        curve.reset(cmsBuildGamma(nullptr, 1.0));
        break;
    default:
        return nullptr;
    }
    if (!curve)
        return nullptr;
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    return ProfilePtr(cmsCreateRGBProfile(&white, &p, curves));
}

// The data colour space a profile's header names (bytes 16..19, big-endian), as a number: a
// damaged profile may name a space Little CMS's enumeration does not hold, which must not be
// read as that enumeration. 0 for a profile too short to have a header.
std::uint32_t HeaderColourSpace(const std::uint8_t* icc, std::size_t size) {
    return size >= 20 ? base::LoadBE<std::uint32_t>(icc + 16) : 0;
}

} // namespace

template <typename Make> ColorToSrgb ColorToSrgb::Recent(const std::string& key, const Make& make) {
    if (RecentTransforms::Transform kept = RecentTransforms::Find(key)) {
        ColorToSrgb c;
        c.transform_ = std::move(kept);
        return c;
    }
    ColorToSrgb made = make();
    RecentTransforms::Keep(key, made.transform_);
    return made;
}

ColorToSrgb ColorToSrgb::Ignored(std::string why) {
    ColorToSrgb c;
    c.note_ = "colour profile ignored, the picture is taken as sRGB: " + std::move(why);
    qWarning("%s", c.note_.c_str());
    return c;
}

ColorToSrgb ColorToSrgb::FromProfile(void* profile, std::uint32_t space) {
    if (space == cmsSigGrayData)
        return {};
    if (space != cmsSigRgbData)
        return Ignored("not an RGB profile");
    const ProfilePtr srgb(cmsCreate_sRGBProfile());
    if (!srgb)
        return Ignored("out of memory");
    // No one-pixel cache: photo pixels rarely repeat their neighbour, and without it the
    // transform may run on several threads at once.
    cmsHTRANSFORM t = cmsCreateTransform(static_cast<cmsHPROFILE>(profile), TYPE_BGR_8, srgb.get(),
                                         TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC,
                                         cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE);
    if (t == nullptr)
        return Ignored("Little CMS cannot convert from it");
    ColorToSrgb c;
    c.transform_.reset(t, [](void* p) { cmsDeleteTransform(static_cast<cmsHTRANSFORM>(p)); });
    return c;
}

ColorToSrgb ColorToSrgb::FromIcc(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size == 0)
        return {};
    if (size > std::numeric_limits<cmsUInt32Number>::max())
        return Ignored("the profile is too large");
    return Recent("icc " + std::string(reinterpret_cast<const char*>(data), size), [&] {
        const ProfilePtr profile(cmsOpenProfileFromMem(data, static_cast<cmsUInt32Number>(size)));
        if (!profile)
            return Ignored("Little CMS cannot read it");
        return FromProfile(profile.get(), HeaderColourSpace(data, size));
    });
}

ColorToSrgb ColorToSrgb::FromCicp(int primaries, int transfer) {
    // sRGB itself, or nothing said: no work.
    if ((primaries == 1 || primaries == 2) && (transfer == 13 || transfer == 2))
        return {};
    if (primaries == 2)
        primaries = 1;
    const std::string codes = std::to_string(primaries) + "/" + std::to_string(transfer);
    return Recent("cicp " + codes, [&] {
        const ProfilePtr profile = ProfileOfCicp(primaries, transfer);
        if (!profile)
            return Ignored("colour codes " + codes + " are not known");
        return FromProfile(profile.get(), cmsSigRgbData);
    });
}

ColorToSrgb ColorToSrgb::FromChromaticities(const Chromaticities& c, double encodingGamma) {
    const double v[8] = {c.whiteX, c.whiteY, c.redX, c.redY, c.greenX, c.greenY, c.blueX, c.blueY};
    for (const double x : v)
        if (!(x > 0.0 && x < 1.0))
            return Ignored("chromaticities outside 0..1");
    if (!(encodingGamma > 0.01 && encodingGamma < 10.0))
        return Ignored("gamma out of range");
    // sRGB's own values, and the 2.2 gamma writers give it, within a rounding.
    constexpr double kSrgb[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    bool srgb = std::abs(encodingGamma - 1.0 / 2.2) < 0.01;
    for (int i = 0; i < 8; ++i)
        srgb = srgb && std::abs(v[i] - kSrgb[i]) < 0.01;
    if (srgb)
        return {};
    // The values' own bytes name them exactly.
    std::string key = "chrm ";
    key.append(reinterpret_cast<const char*>(v), sizeof(v));
    key.append(reinterpret_cast<const char*>(&encodingGamma), sizeof(encodingGamma));
    return Recent(key, [&] {
        const cmsCIExyY white{c.whiteX, c.whiteY, 1.0};
        const cmsCIExyYTRIPLE primaries{
            {c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
        const CurvePtr curve(cmsBuildGamma(nullptr, 1.0 / encodingGamma));
        if (!curve)
            return Ignored("out of memory");
        cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
        const ProfilePtr profile(cmsCreateRGBProfile(&white, &primaries, curves));
        if (!profile)
            return Ignored("the chromaticities describe no colour space");
        return FromProfile(profile.get(), cmsSigRgbData);
    });
}

bool ColorToSrgb::CmykToRgbaInPlace(const std::uint8_t* icc, std::size_t iccSize,
                                    std::uint8_t* pixels, std::size_t count) {
    if (icc == nullptr || iccSize == 0 || iccSize > std::numeric_limits<cmsUInt32Number>::max())
        return false;
    const ProfilePtr profile(cmsOpenProfileFromMem(icc, static_cast<cmsUInt32Number>(iccSize)));
    if (!profile) {
        Ignored("Little CMS cannot read the CMYK profile");
        return false;
    }
    if (HeaderColourSpace(icc, iccSize) != cmsSigCmykData) {
        Ignored("the CMYK picture's profile is not a CMYK profile");
        return false;
    }
    const ProfilePtr srgb(cmsCreate_sRGBProfile());
    struct TransformDelete {
        void operator()(void* t) const { cmsDeleteTransform(static_cast<cmsHTRANSFORM>(t)); }
    };
    const std::unique_ptr<void, TransformDelete> transform(
        srgb ? cmsCreateTransform(static_cast<cmsHPROFILE>(profile.get()), TYPE_CMYK_8, srgb.get(),
                                  TYPE_RGBA_8, INTENT_RELATIVE_COLORIMETRIC,
                                  cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE |
                                      cmsFLAGS_COPY_ALPHA)
             : nullptr);
    if (!transform) {
        Ignored("Little CMS cannot convert from the CMYK profile");
        return false;
    }
    // Four bytes in, four out: in place, in bands shared with the thread pool. The alpha byte
    // the output layout has is set after (CMYK has none to copy).
    constexpr std::size_t kBand = 1 << 16;
    const auto bands = static_cast<int>((count + kBand - 1) / kBand);
    ForRowBands(bands, static_cast<std::int64_t>(count), [&](int first, int last) {
        for (int b = first; b < last; ++b) {
            const std::size_t start = static_cast<std::size_t>(b) * kBand;
            const std::size_t n = std::min(kBand, count - start);
            std::uint8_t* p = pixels + 4 * start;
            cmsDoTransform(static_cast<cmsHTRANSFORM>(transform.get()), p, p,
                           static_cast<cmsUInt32Number>(n));
            for (std::size_t k = 0; k < n; ++k)
                p[4 * k + 3] = 255;
        }
    });
    return true;
}

void ColorToSrgb::ApplyRows(Bgr& pixels, int first, int last) const {
    if (!transform_ || last <= first || pixels.Width <= 0)
        return;
    // In place: the input and output layouts are the same size.
    const auto stride = static_cast<cmsUInt32Number>(pixels.RowStride);
    cmsDoTransformLineStride(static_cast<cmsHTRANSFORM>(transform_.get()), pixels.Row(first),
                             pixels.Row(first), static_cast<cmsUInt32Number>(pixels.Width),
                             static_cast<cmsUInt32Number>(last - first), stride, stride, 0, 0);
}

void ColorToSrgb::Apply(Bitmap& bitmap) const {
    if (!transform_ || bitmap.IsEmpty())
        return;
    // In bands of rows shared with the thread pool's workers: a 12 MP photo takes Little CMS
    // about a tenth of a second on one.
    ForRowBands(bitmap.Height, static_cast<std::int64_t>(bitmap.Width) * bitmap.Height,
                [&](int first, int last) { ApplyRows(bitmap, first, last); });
}

} // namespace imaging
