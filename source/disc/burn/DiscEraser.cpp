#include "disc/burn/DiscEraser.h"

#include "disc/burn/WriteTarget.h"
#include "disc/mmc/DriveCapabilities.h"
#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/WriteParams.h"

#include <array>
#include <vector>

namespace disc {

namespace {

using namespace media_type;

constexpr std::array<std::uint8_t, 12> kFormatRamFull{0x00, 0x82, 0x00, 0x08, 0x00, 0x22,
                                                      0x21, 0x20, 0x00, 0x00, 0x08, 0x00};
// Zeroed at the start of an overwritable disc by a quick erase: the descriptors and the
// directories of the first session.
constexpr std::uint32_t kQuickZeroBlocks = 65;
constexpr std::int64_t kPollMs = 2000;

// The job's message for a failed step, with the drive's own account of it.
base::Error EraseFailed(const base::Status& failed) {
    return base::Fail("ERASE FAILED [" + failed.error() + "]");
}

class Erase {
public:
    Erase(ScsiDevice& device, bool quick, base::Progress& progress, DiscJobStatus& status,
          const DiscMessageSink& messages)
        : device_(device), mmc_(device), quick_(quick), progress_(progress), status_(status),
          messages_(messages) {}
    base::Status Run();

private:
    base::Status Start();
    base::Status WaitDone();
    base::Status ZeroFill(std::uint32_t blocks, bool wholeDisc);
    void SetProgress() {
        const std::int64_t elapsed = device_.Clock().NowMs() - started_;
        const std::int64_t percent = elapsed * 100 / (estimateS_ * std::int64_t{1000});
        status_.erasePercent = static_cast<int>(std::min<std::int64_t>(percent, 99));
        progress_.SetPosition(status_.erasePercent);
        progress_.Pump();
    }

    ScsiDevice& device_;
    MmcCommands mmc_;
    bool quick_;
    base::Progress& progress_;
    DiscJobStatus& status_;
    const DiscMessageSink& messages_;
    int type_ = 0;
    std::int64_t estimateS_ = 1;
    std::int64_t started_ = 0;
};

base::Status Erase::Start() {
    switch (type_) {
    case kCdRw:
    case kDvdRwRestricted:
    case kDvdRwSequential:
        if (auto blanked = mmc_.Blank(quick_ ? blank_type::kMinimal : blank_type::kFull, true);
            !blanked)
            return EraseFailed(blanked);
        return {};
    case kDvdPlusRw:
        if (!mmc_.FormatUnit(kFormatPlusRw)) {
            device_.Clock().SleepMs(1000);
            if (auto formatted = mmc_.FormatUnit(kFormatPlusRw); !formatted)
                return EraseFailed(formatted);
        }
        return {};
    case kDvdRam:
        if (quick_)
            return {};
        if (auto formatted = mmc_.FormatUnit(kFormatRamFull); !formatted)
            return EraseFailed(formatted);
        return {};
    default:
        return base::Fail("THE DISC IS NOT REWRITABLE");
    }
}

// Polls until the drive is ready again; a drive still busy twice the estimate later, or one
// that reports anything but "in progress", ends the erase with its text.
base::Status Erase::WaitDone() {
    const std::int64_t deadline = started_ + estimateS_ * 2000;
    for (;;) {
        SetProgress();
        const ScsiReply ready = mmc_.TestUnitReady();
        if (ready)
            return {};
        if (!ready.Transient() && ready.Sense().asc != 0x04)
            return EraseFailed(ready);
        if (device_.Clock().NowMs() >= deadline)
            return base::Fail("THE ERASE DID NOT FINISH IN TIME [" + ready.error() + "]");
        device_.Clock().SleepMs(kPollMs);
    }
}

// Writes zeros from sector 0 in 32-sector writes. A fill over the whole disc shows its share
// done as the progress and stops at a cancel; the short one counts against the time estimate.
base::Status Erase::ZeroFill(std::uint32_t blocks, bool wholeDisc) {
    const std::vector<std::uint8_t> zeros(32 * kSectorSize, 0);
    DriveTarget target(device_, type_);
    for (std::uint32_t i = 0; i < blocks; ++i) {
        if (progress_.Cancelled())
            return base::Fail("OPERATION ABORTED BY USER");
        if (auto put = target.Write(i * 32, zeros, progress_); !put)
            return put;
        if (wholeDisc) {
            const int percent = static_cast<int>(std::uint64_t{i + 1} * 100 / blocks);
            if (percent != status_.erasePercent) {
                status_.erasePercent = std::min(percent, 99);
                progress_.SetPosition(status_.erasePercent);
            }
            progress_.Pump();
        } else {
            SetProgress();
        }
    }
    if (auto synced = mmc_.SynchronizeCache(false, 30000); !synced)
        return EraseFailed(synced);
    return {};
}

base::Status Erase::Run() {
    (void)mmc_.TestUnitReady();
    (void)mmc_.Load();
    if (auto ready = WaitReady(device_, 30000, 5000); !ready)
        return base::Fail("NO DISC IN THE DRIVE OR THE DRIVE IS NOT READY [" + ready.error() + "]");
    type_ = GetMediaType(device_);
    if (type_ != kDvdRam && !IsErasable(device_))
        return base::Fail("THE DISC IS NOT REWRITABLE");
    if (type_ != kDvdRam) {
        (void)mmc_.SetCdSpeed(0, 0);
        (void)SendWriteParams(device_, type_, WriteParamsOptions{false, false, false});
    }
    if (messages_)
        messages_(">>> STARTING ERASE PROCESS ON " + std::string(MediaName(type_)) + " AT " +
                  SpeedText(type_, device_.Capabilities().writeSpeed));
    estimateS_ = EraseEstimateSeconds(type_, quick_);
    started_ = device_.Clock().NowMs();
    if (auto started = Start(); !started)
        return started;
    if (auto done = WaitDone(); !done)
        return done;
    // Overwritable media keep their old contents after formatting: zero the start so no old
    // volume descriptor or directory is left to read.
    if (type_ == kDvdPlusRw && !quick_) {
        // A full erase leaves nothing of the old data anywhere on the disc.
        const std::uint32_t capacity = ReadDiscState(device_).capacity;
        if (capacity < 32)
            return base::Fail("ERASE FAILED: THE DISC'S SIZE IS UNKNOWN");
        if (auto zeroed = ZeroFill(capacity / 32, true); !zeroed)
            return zeroed;
    } else if (type_ == kDvdPlusRw || (type_ == kDvdRam && quick_)) {
        if (auto zeroed = ZeroFill(kQuickZeroBlocks, false); !zeroed)
            return zeroed;
    }
    if (type_ == kDvdPlusRw) {
        base::Status closed = mmc_.CloseTrackSession(true, close_function::kPlusRwFormat, 0xFF);
        if (closed)
            closed = WaitReady(device_, 240000, 2000);
        if (!closed)
            return EraseFailed(closed);
    }
    status_.erasePercent = 100;
    progress_.SetPosition(100);
    (void)SendWriteParams(device_, kCdRom, WriteParamsOptions{false, false, false});
    (void)mmc_.SetCdSpeed(0, 0);
    (void)mmc_.Rezero();
    (void)mmc_.PreventRemoval(false);
    (void)mmc_.Load();
    (void)mmc_.Rezero();
    (void)mmc_.TestUnitReady();
    return {};
}

} // namespace

int EraseEstimateSeconds(int mediaType, bool quick) {
    if (mediaType > kCdRw)
        return quick ? (mediaType == kDvdRw ? 180 : 600) : 4440;
    return quick ? 150 : 4500;
}

base::Status EraseDisc(ScsiDevice& device, bool quick, base::Progress& progress,
                       DiscJobStatus& status, const DiscMessageSink& messages) {
    progress.Open();
    status.erasePercent = 0;
    const base::Status result = WithRecorderHeld(
        device, [&] { return Erase(device, quick, progress, status, messages).Run(); });
    progress.Close();
    return result;
}

} // namespace disc
