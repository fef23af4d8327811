#include "project/OriginalDrawing.h"

#include "imaging/Compose.h"
#include "imaging/ImageLoad.h"
#include "project/Import.h"
#include "project/SlideEdits.h"

#include <cmath>

namespace project {

base::Result<imaging::Bitmap> DrawOriginal(const Slide& slide, const SampleScale& scale) {
    const std::string file = slide.DrawableOriginal();
    if (file.empty())
        return base::Fail("the photo has no original to draw from");
    return DrawOriginalFile(file, slide.Original()->Name, slide.Original()->Steps, slide.BackColor,
                            scale);
}

base::Result<imaging::Bitmap> DrawOriginalFile(const std::string& file, const std::string& name,
                                               const std::vector<PhotoStep>& steps,
                                               std::int32_t backColor, const SampleScale& scale) {
    auto loaded = imaging::LoadImageFileResized(file, [&](imaging::Bitmap& picture) {
        const StepShape shape = ShapeAfterSteps(picture.Width, picture.Height, steps);
        const double s = scale ? scale(shape.Width, shape.Height) : 1.0;
        // Reduced by area only where that halves it at least: a milder reduction by area
        // softens what the use could show and saves few pixels.
        if (!(s > 0.0) || s >= 0.25)
            return;
        picture = imaging::ReduceByArea(
            picture, std::max(1, static_cast<int>(std::ceil(picture.Width * 2 * s))),
            std::max(1, static_cast<int>(std::ceil(picture.Height * 2 * s))));
    });
    if (!loaded)
        return base::Fail(loaded.error());
    for (const PhotoStep& step : steps)
        if (!ApplyPhotoStep(*loaded, step, backColor))
            return base::Fail("cannot draw the edits of " + name);
    return loaded;
}

base::Result<imaging::Bitmap> DrawWorkingPicture(const Slide& slide, const PhotoSettings& photos) {
    int width = 0;
    int height = 0;
    photos.Size(width, height);
    auto drawn = DrawOriginal(slide, [&](double w, double h) {
        const imaging::ImageSize fitted = FittedSize(
            static_cast<int>(std::lround(w)), static_cast<int>(std::lround(h)), width, height);
        return w > 0 ? fitted.Width / w : 1.0;
    });
    if (!drawn)
        return base::Fail(drawn.error());
    if (!FitToResolution(*drawn, width, height))
        return base::Fail("cannot fit " + slide.Original()->Name + " to the photo size");
    return drawn;
}

base::Status RedrawWorkingPicture(const Slide& slide, const PhotoSettings& photos) {
    auto drawn = DrawWorkingPicture(slide, photos);
    if (!drawn)
        return base::Fail(drawn.error());
    return SaveWorkPicture(slide.WorkFile, *drawn);
}

} // namespace project
