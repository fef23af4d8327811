// A track's true peak (the peak of the signal between samples, as libebur128 finds it by 4×
// oversampling), found without oversampling the whole track: the oversampler costs about seven
// decodes when every sample goes through it, and most stretches of a track (all but a few percent
// of one with quiet passages, about three quarters of a loud limited one) cannot raise the peak
// found so far.
//
// libebur128 interpolates each point between samples n and n + 1 with one of four 12-tap
// filters (the coefficients of its 49-tap Hann-windowed sinc for 4×, which it uses below 96 kHz).
// A point's magnitude is at most the sum of |coefficient| × |sample| over its taps, so it is
// bounded by the terms of the four nearest samples plus the rest of the filter's weight times the
// largest sample nearby:
//
//   half-way:     0.625774 (|x[n]| + |x[n+1]|) + 0.181130 (|x[n-1]| + |x[n+2]|) + 0.250374 max
//   quarter-way:  0.896465 |x[n]| + 0.288683 |x[n+1]| + 0.161459 |x[n-1]| + 0.103457 |x[n+2]|
//                 + 0.181112 max   (n the nearer sample, n + 1 the farther)
//
// and every point by 1.864182 max. Only the stretches holding a point whose bound reaches the
// peak found so far, or the largest sample so far, go through the oversampler, each with the
// frames before it to settle the filter and a few after it, so the peak is exactly the one of
// oversampling everything. At 96 kHz and above (2× or no oversampling) every frame goes through.
#pragma once

#include "base/Result.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace media {

class TruePeakScan {
public:
    static base::Result<std::unique_ptr<TruePeakScan>> Create(unsigned channels, unsigned rate);
    ~TruePeakScan();
    TruePeakScan(const TruePeakScan&) = delete;
    TruePeakScan& operator=(const TruePeakScan&) = delete;

    // Interleaved 16-bit frames, in order.
    base::Status Add(const std::int16_t* samples, std::size_t frames);
    // Judges the last frames and gives the true peak (linear, 1 = full scale) of everything
    // added, as libebur128 finds it fed every frame; 0 for silence. Nothing may be added after.
    base::Result<double> Finish();
    // Frames that went through the oversampler (to tell how much was skipped).
    std::uint64_t OversampledFrames() const { return oversampled_; }

private:
    TruePeakScan() = default;
    base::Status Judge(bool atEnd);
    bool Feed(const std::int16_t* at, std::size_t frames, bool counts);
    bool MayRaise(const std::int16_t* stretch, std::size_t frames, int nearby) const;
    struct State;
    std::unique_ptr<State> meter_;
    unsigned channels_ = 0;
    bool fourTimes_ = true;             // libebur128's 4× filter (rates below 96 kHz)
    std::vector<std::int16_t> pending_; // frames not judged yet
    std::vector<std::int16_t> tail_;    // the frames before them, to settle the filter
    int beforeMax_ = 0;                 // the largest |sample| of the stretch before them
    bool lastFed_ = false;              // the stretch before went through the oversampler
    double peak_ = 0;                   // linear, of what was oversampled
    int sampleMax_ = 0;                 // the largest |sample| so far (the peak is never less)
    std::uint64_t oversampled_ = 0;
};

} // namespace media
