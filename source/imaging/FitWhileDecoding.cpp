#include "imaging/FitWhileDecoding.h"

#include "base/ThreadPool.h"
#include "imaging/MotionSampler.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <utility>

namespace imaging {

namespace {

// Rows of the result per band handed to a worker: about a millisecond of Little CMS's work on a
// photo fitted to 1920 wide, few enough bands for the queue's costs not to count.
constexpr int kBandRows = 64;

} // namespace

// What the bands' tasks share with their owner, kept alive by a task that runs late.
struct FitWhileDecoding::Shared {
    struct Band {
        int First = 0;
        int Last = 0;
        bool Claimed = false; // under Mutex
    };
    std::mutex Mutex;
    std::condition_variable Idle;
    int Running = 0;        // bands claimed by workers and not yet done; under Mutex
    std::deque<Band> Bands; // added by the owner's thread only; a deque keeps their places
};

FitWhileDecoding::FitWhileDecoding(SizeFor sizeFor)
    : sizeFor_(std::move(sizeFor)), shared_(std::make_shared<Shared>()) {}

FitWhileDecoding::~FitWhileDecoding() {
    Settle(false);
}

void FitWhileDecoding::Begin(const Bgr& picture, const ColorToSrgb& toSrgb) {
    begun_ = true;
    source_ = picture;
    toSrgb_ = toSrgb;
    const ImageSize size = sizeFor_ ? sizeFor_(picture.Width, picture.Height)
                                    : ImageSize{picture.Width, picture.Height};
    if (picture.IsEmpty() || (size.Width == picture.Width && size.Height == picture.Height)) {
        mode_ = picture.IsEmpty() || toSrgb.IsIdentity() ? Mode::Nothing : Mode::Convert;
        return;
    }
    mode_ = Mode::AtEnd;
    if (picture.Width < 2 || size.Width < 1 || size.Height < 1)
        return;
    target_ = Bitmap::CreateUninitialised(size.Width, size.Height);
    if (!target_.IsEmpty())
        mode_ = Mode::Scale;
}

void FitWhileDecoding::Ready(int rows) {
    if (mode_ != Mode::Scale && mode_ != Mode::Convert)
        return;
    const int total = mode_ == Mode::Scale ? target_.Height : source_.Height;
    int made = next_;
    if (mode_ == Mode::Convert)
        made = std::min(rows, total);
    else
        while (made < total &&
               BilinearSourceRowsNeeded(source_.Height, target_.Height, made + 1) <= rows)
            ++made;
    if (made - next_ >= kBandRows || (made == total && made > next_)) {
        Post(next_, made);
        next_ = made;
    }
}

void FitWhileDecoding::Abandon() {
    Settle(false);
    mode_ = Mode::Nothing;
}

void FitWhileDecoding::MakeRows(int first, int last) {
    if (mode_ == Mode::Scale) {
        ScaleBilinearRows(source_, target_, first, last);
        toSrgb_.ApplyRows(target_, first, last);
    } else {
        // The decoder's own rows, which it no longer writes.
        toSrgb_.ApplyRows(source_, first, last);
    }
}

void FitWhileDecoding::Post(int first, int last) {
    Shared::Band* band = nullptr;
    {
        const std::lock_guard lock(shared_->Mutex);
        band = &shared_->Bands.emplace_back();
        band->First = first;
        band->Last = last;
    }
    try {
        base::ThreadPool::Shared().Post([shared = shared_, band, this] {
            {
                const std::lock_guard lock(shared->Mutex);
                if (band->Claimed)
                    return; // taken back by the owner, which may be gone
                band->Claimed = true;
                ++shared->Running;
            }
            MakeRows(band->First, band->Last);
            const std::lock_guard lock(shared->Mutex);
            if (--shared->Running == 0)
                shared->Idle.notify_all();
        });
    } catch (const std::system_error&) {
        // No thread to be had: the band waits for Finish.
    }
}

void FitWhileDecoding::Settle(bool run) {
    std::unique_lock lock(shared_->Mutex);
    // One band at a time, from the top: a worker that finishes its band meanwhile starts on the
    // next one still queued, so the bands the decoder left behind are shared with the pool rather
    // than all made on this thread while the workers idle.
    for (; settled_ < shared_->Bands.size(); ++settled_) {
        Shared::Band& band = shared_->Bands[settled_];
        if (band.Claimed)
            continue;
        band.Claimed = true;
        if (!run)
            continue;
        ++shared_->Running;
        lock.unlock();
        MakeRows(band.First, band.Last);
        lock.lock();
        --shared_->Running;
    }
    shared_->Idle.wait(lock, [this] { return shared_->Running == 0; });
}

Bitmap FitWhileDecoding::Finish(Bitmap decoded, const ColorToSrgb& toSrgb) {
    if (!begun_)
        Begin(decoded, toSrgb);
    Settle(true);
    switch (mode_) {
    case Mode::Nothing:
        return decoded;
    case Mode::Scale:
    case Mode::Convert: {
        // What the decoder did not hand over in time, shared with the pool's workers.
        const int total = mode_ == Mode::Scale ? target_.Height : source_.Height;
        const int first = next_;
        ForRowBands(total - first,
                    static_cast<std::int64_t>(total - first) *
                        (mode_ == Mode::Scale ? target_.Width : source_.Width),
                    [&](int a, int b) { MakeRows(first + a, first + b); });
        next_ = total;
        return mode_ == Mode::Scale ? std::move(target_) : std::move(decoded);
    }
    case Mode::AtEnd:
        break;
    }
    // A picture one pixel wide, or no memory for the fitted one at the start: fitted as a whole
    // (kept as it is when that fails too), then converted.
    const ImageSize size = sizeFor_(decoded.Width, decoded.Height);
    Bitmap fitted = Bitmap::CreateUninitialised(size.Width, size.Height);
    if (!fitted.IsEmpty()) {
        decoded.ScaleBilinear(fitted);
        decoded = std::move(fitted);
    }
    toSrgb.Apply(decoded);
    return decoded;
}

} // namespace imaging
