#include "project/OriginalMatch.h"

#include "imaging/BmpFile.h"
#include "imaging/Compose.h"
#include "imaging/ImageLoad.h"
#include "project/Import.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace project {

namespace {

// Files are decoded to fit this box (a JPEG decodes at an eighth of its size then), and both
// pictures are compared at the working picture's shape within the smaller one.
constexpr int kFileBox = 160;
constexpr int kCompareBox = 40;
// Above this difference before the caption is drawn, drawing it cannot bring a file below
// kSameOriginal: the pair is not looked at further.
constexpr double kWorthCaption = 4 * kSameOriginal;
// How much closer a lie tried later must come to be taken over an earlier, simpler one.
constexpr double kSimplerLie = 0.5;
// How far the shapes may differ (both were rounded to whole pixels at their own sizes).
constexpr double kShapeTolerance = 0.03;

// The eight ways a picture can lie after turns and mirrors, as the turns that give each.
const std::array<std::vector<TurnKind>, 8> kLies = {{
    {},
    {TurnKind::Right},
    {TurnKind::Right, TurnKind::Right},
    {TurnKind::Left},
    {TurnKind::Mirror},
    {TurnKind::Mirror, TurnKind::Right},
    {TurnKind::Mirror, TurnKind::Right, TurnKind::Right},
    {TurnKind::Mirror, TurnKind::Left},
}};

imaging::Bitmap Resample(const imaging::Bitmap& picture, int width, int height) {
    if (picture.Width >= width && picture.Height >= height)
        return imaging::ReduceByArea(picture, width, height);
    imaging::Bitmap out = imaging::Bitmap::CreateUninitialised(width, height);
    picture.ScaleBilinear(out);
    return out;
}

double Difference(const imaging::Bitmap& a, const imaging::Bitmap& b) {
    if (a.Width != b.Width || a.Height != b.Height || a.IsEmpty())
        return std::numeric_limits<double>::infinity();
    std::int64_t sum = 0;
    for (int y = 0; y < a.Height; ++y) {
        const std::uint8_t* pa = a.Row(y);
        const std::uint8_t* pb = b.Row(y);
        for (int x = 0; x < 3 * a.Width; ++x)
            sum += std::abs(int(pa[x]) - int(pb[x]));
    }
    return double(sum) / (3.0 * a.Width * a.Height);
}

// A slide looked for: its working picture small, and what its original must be drawn with.
struct Wanted {
    std::size_t Slide = 0;
    int WorkWidth = 0;
    int WorkHeight = 0;
    imaging::Bitmap Small;
    std::optional<CaptionStep> Caption;
};

bool SameShape(int w1, int h1, int w2, int h2) {
    const double a1 = double(w1) / h1;
    const double a2 = double(w2) / h2;
    return std::abs(a1 - a2) <= kShapeTolerance * a2;
}

// The best lie of file for the wanted slide, with its difference (infinity when none fits).
FoundOriginal BestLie(const Wanted& wanted, const imaging::Bitmap& file, std::int32_t backColor) {
    FoundOriginal best;
    best.Difference = std::numeric_limits<double>::infinity();
    for (const std::vector<TurnKind>& lie : kLies) {
        const auto quarter =
            std::count_if(lie.begin(), lie.end(), [](TurnKind t) { return t != TurnKind::Mirror; });
        const bool across = quarter % 2 == 1;
        const int w = across ? file.Height : file.Width;
        const int h = across ? file.Width : file.Height;
        if (!SameShape(w, h, wanted.WorkWidth, wanted.WorkHeight))
            continue;
        imaging::Bitmap turned = file;
        std::vector<PhotoStep> steps;
        for (TurnKind turn : lie) {
            TurnPicture(turned, turn, backColor);
            steps.push_back(TurnEdit{turn});
        }
        double difference =
            Difference(Resample(turned, wanted.Small.Width, wanted.Small.Height), wanted.Small);
        if (wanted.Caption && difference < kWorthCaption) {
            (void)ApplyPhotoStep(turned, *wanted.Caption, backColor);
            steps.push_back(*wanted.Caption);
            difference =
                Difference(Resample(turned, wanted.Small.Width, wanted.Small.Height), wanted.Small);
        }
        // A picture that looks the same mirrored (a symmetric scene) keeps the simpler lie, tried
        // first, unless the mirrored one is clearly closer.
        if (difference + kSimplerLie < best.Difference) {
            best.Difference = difference;
            best.Steps = std::move(steps);
        }
    }
    return best;
}

} // namespace

base::Result<OriginalSearch> FindOriginals(const std::vector<Slide>& slides,
                                           const std::vector<std::string>& files,
                                           base::Progress& progress) {
    OriginalSearch search;
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const Slide& slide = slides[i];
        if (!slide.Photo() || !slide.DrawableOriginal().empty())
            continue;
        ++search.Looked;
        auto work = imaging::LoadBmpFile(slide.WorkFile);
        if (!work || work->IsEmpty())
            continue;
        Wanted w;
        w.Slide = i;
        w.WorkWidth = work->Width;
        w.WorkHeight = work->Height;
        const imaging::ImageSize small =
            FittedSize(work->Width, work->Height, kCompareBox, kCompareBox);
        w.Small = Resample(*work, std::max(1, small.Width), std::max(1, small.Height));
        if (!slide.Caption.Text.empty() && slide.Caption.Motion == imaging::TextMotion::None)
            w.Caption = CaptionStep{slide.Caption, work->Width, work->Height};
        wanted.push_back(std::move(w));
    }
    if (wanted.empty())
        return search;

    std::vector<FoundOriginal> best(wanted.size());
    for (FoundOriginal& b : best)
        b.Difference = std::numeric_limits<double>::infinity();
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (progress.Cancelled())
            return base::Fail("cancelled");
        progress.SetItem(static_cast<int>(f) + 1, static_cast<int>(files.size()));
        auto file = imaging::LoadImageFileFitted(files[f], [](int w, int h) {
            return FittedSize(w, h, std::min(w, kFileBox), std::min(h, kFileBox));
        });
        progress.Pump();
        if (!file || file->IsEmpty()) {
            ++search.Unreadable;
            continue;
        }
        for (std::size_t k = 0; k < wanted.size(); ++k) {
            FoundOriginal lie = BestLie(wanted[k], *file, slides[wanted[k].Slide].BackColor);
            if (lie.Difference < best[k].Difference) {
                best[k] = std::move(lie);
                best[k].Slide = wanted[k].Slide;
                best[k].File = files[f];
            }
        }
    }
    for (FoundOriginal& b : best)
        if (b.Difference < kSameOriginal)
            search.Found.push_back(std::move(b));
    return search;
}

} // namespace project
