#include "media/music/TruePeakScan.h"

#include <ebur128.h>

#include <algorithm>
#include <cstdlib>

namespace media {

namespace {

constexpr std::size_t kStretch = 16; // frames judged at a time (more than a filter's reach, 6)
constexpr std::size_t kSettle = 16;  // frames fed before a stretch (more than the filter, 12)

// libebur128's 4× interpolator, rounded up (see the header), with a margin for its arithmetic
// in single precision.
constexpr double kMargin = 1.0001;
// A point half-way between samples n and n + 1: their two taps, the next two outwards, the rest.
constexpr double kHalf1 = 0.625775 * kMargin;
constexpr double kHalf2 = 0.181131 * kMargin;
constexpr double kHalfRest = 0.250375 * kMargin;
// A point a quarter of the way from sample n (the near one) to n + 1 (the far one).
constexpr double kNear = 0.896466 * kMargin;
constexpr double kFar = 0.288684 * kMargin;
constexpr double kBeyondNear = 0.161460 * kMargin;
constexpr double kBeyondFar = 0.103458 * kMargin;
constexpr double kQuarterRest = 0.181113 * kMargin;
constexpr double kWhole = 1.864182 * kMargin; // every tap of the half-way filter

int LargestMagnitude(const std::int16_t* samples, std::size_t count) {
    int m = 0;
    for (std::size_t i = 0; i < count; ++i)
        m = std::max(m, std::abs(static_cast<int>(samples[i])));
    return m;
}

} // namespace

struct TruePeakScan::State {
    ebur128_state* Handle = nullptr;
    ~State() {
        if (Handle)
            ebur128_destroy(&Handle);
    }
};

base::Result<std::unique_ptr<TruePeakScan>> TruePeakScan::Create(unsigned channels, unsigned rate) {
    std::unique_ptr<TruePeakScan> scan(new TruePeakScan);
    scan->meter_ = std::make_unique<State>();
    scan->meter_->Handle = ebur128_init(channels, rate, EBUR128_MODE_TRUE_PEAK);
    if (!scan->meter_->Handle)
        return base::Fail("the loudness meter cannot be set up");
    scan->channels_ = channels;
    scan->fourTimes_ = rate < 96000;
    return scan;
}

TruePeakScan::~TruePeakScan() = default;

bool TruePeakScan::Feed(const std::int16_t* at, std::size_t frames, bool counts) {
    if (frames == 0)
        return true;
    if (ebur128_add_frames_short(meter_->Handle, at, frames) != EBUR128_SUCCESS)
        return false;
    oversampled_ += frames;
    for (unsigned c = 0; counts && c < channels_; ++c) {
        double p = 0;
        if (ebur128_prev_true_peak(meter_->Handle, c, &p) != EBUR128_SUCCESS)
            return false;
        peak_ = std::max(peak_, p);
    }
    return true;
}

// Whether a point between the stretch's samples (or just after its last) may reach the largest
// value found so far; `nearby` is the largest |sample| within the filter's reach of the stretch.
bool TruePeakScan::MayRaise(const std::int16_t* stretch, std::size_t frames, int nearby) const {
    if (nearby == 0)
        return false; // digital silence interpolates to 0
    if (!fourTimes_)
        return true; // the bounds hold for the 4× filter only
    const double floor = std::max(peak_ * 32768.0, static_cast<double>(sampleMax_));
    const double m = nearby;
    if (kWhole * m < floor)
        return false;
    if (floor == 0)
        return true;
    const auto width = static_cast<std::ptrdiff_t>(channels_);
    const auto count = static_cast<std::ptrdiff_t>(frames) * width;
    // |sample| k frames from the i-th sample, the largest nearby one outside the stretch.
    auto at = [&](std::ptrdiff_t i, std::ptrdiff_t k) {
        const std::ptrdiff_t j = i + k * width;
        return j >= 0 && j < count ? std::abs(static_cast<int>(stretch[j])) : m;
    };
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        const double x0 = at(i, 0), x1 = at(i, 1), before = at(i, -1), after = at(i, 2);
        const double half = kHalf1 * (x0 + x1) + kHalf2 * (before + after) + kHalfRest * m;
        const double nearFirst =
            kNear * x0 + kFar * x1 + kBeyondNear * before + kBeyondFar * after + kQuarterRest * m;
        const double nearSecond =
            kNear * x1 + kFar * x0 + kBeyondNear * after + kBeyondFar * before + kQuarterRest * m;
        if (std::max({half, nearFirst, nearSecond}) >= floor)
            return true;
    }
    return false;
}

base::Status TruePeakScan::Add(const std::int16_t* samples, std::size_t frames) {
    pending_.insert(pending_.end(), samples, samples + frames * channels_);
    return Judge(false);
}

base::Status TruePeakScan::Judge(bool atEnd) {
    const std::size_t width = channels_;
    const std::size_t stretch = kStretch * width;
    std::size_t at = 0;
    int known = -1; // the largest |sample| of the stretch at `at`, once measured
    // Each stretch is judged once the next one is known (a point's filter reaches into it).
    while (pending_.size() - at >= 2 * stretch || (atEnd && pending_.size() > at)) {
        const std::size_t n = std::min(stretch, pending_.size() - at);
        const std::int16_t* s = pending_.data() + at;
        const int own = known >= 0 ? known : LargestMagnitude(s, n);
        const std::size_t nextSize = std::min(stretch, pending_.size() - at - n);
        const int next = LargestMagnitude(s + n, nextSize);
        known = next;
        const bool fed = MayRaise(s, n / width, std::max({beforeMax_, own, next}));
        bool ok = true;
        if (fed) {
            if (!lastFed_) // the frames before settle the filter; their points are not counted
                ok = Feed(tail_.data(), tail_.size() / width, false);
            ok = ok && Feed(s, n / width, true);
        } else if (lastFed_) {
            // The filter lags: the start of this stretch completes the points of the one before.
            ok = Feed(s, std::min(n / width, kSettle), true);
        }
        if (!ok)
            return base::Fail("the loudness meter failed");
        lastFed_ = fed;
        sampleMax_ = std::max(sampleMax_, own);
        beforeMax_ = own;
        // The last kSettle frames before the next stretch.
        tail_.insert(tail_.end(), s, s + n);
        if (tail_.size() > kSettle * width)
            tail_.erase(tail_.begin(), tail_.begin() + static_cast<std::ptrdiff_t>(
                                                           tail_.size() - kSettle * width));
        at += n;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    return {};
}

base::Result<double> TruePeakScan::Finish() {
    if (auto st = Judge(true); !st)
        return base::Fail(st.error());
    return std::max(peak_, sampleMax_ / 32768.0);
}

} // namespace media
