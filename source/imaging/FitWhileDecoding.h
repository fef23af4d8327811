// FitWhileDecoding: fits a photo to a size (the bilinear scaler of Bitmap::ScaleBilinear, the
// same bytes) and converts it to sRGB in bands of rows, handed to the thread pool as the decoder
// finishes them (DecodedRows), so that on a second core the work hides behind a decoder that
// runs on one (libjpeg). A tagged photo's Little CMS conversion (about 9 ns a pixel, 25 ms for a
// 12 MP photo fitted to 1920x1440) then costs the import little wall-clock time. What the
// decoder did not hand over in time is done at Finish, shared with the pool as before. Bands
// still queued when Finish comes are made by the caller one at a time, from the top, alongside
// the workers that come free; at Abandon they are dropped. So the caller never waits on a worker
// that is busy elsewhere (or is itself), and the bands a slow conversion left behind still use
// both cores.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/ColorToSrgb.h"
#include "imaging/DecodedRows.h"

#include <cstddef>
#include <functional>
#include <memory>

namespace imaging {

class FitWhileDecoding final : public DecodedRows {
public:
    // The size the upright width x height picture is fitted to; null keeps every picture's size.
    using SizeFor = std::function<ImageSize(int width, int height)>;

    explicit FitWhileDecoding(SizeFor sizeFor);
    ~FitWhileDecoding() override; // waits for the bands in flight
    FitWhileDecoding(const FitWhileDecoding&) = delete;
    FitWhileDecoding& operator=(const FitWhileDecoding&) = delete;

    void Begin(const Bgr& picture, const ColorToSrgb& toSrgb) override;
    void Ready(int rows) override;
    void Abandon() override;

    // After a successful decode: the picture fitted and in sRGB. `decoded` holds the pixels the
    // decoder began with (or, if it never called Begin, the whole picture).
    Bitmap Finish(Bitmap decoded, const ColorToSrgb& toSrgb);

private:
    struct Shared;
    enum class Mode { Nothing, Scale, Convert, AtEnd };

    void MakeRows(int first, int last);
    void Post(int first, int last);
    // Takes back the bands no worker has started (running them when `run`) and waits for the rest.
    void Settle(bool run);

    SizeFor sizeFor_;
    Mode mode_ = Mode::Nothing;
    bool begun_ = false;
    Bgr source_;    // a view of the decoder's pixels
    Bitmap target_; // the fitted picture (Scale)
    ColorToSrgb toSrgb_;
    int next_ = 0;            // the first row of the result no band covers yet
    std::size_t settled_ = 0; // the bands before this one are claimed for good
    std::shared_ptr<Shared> shared_;
};

} // namespace imaging
