#include "disc/burn/DiscWriter.h"

#include "base/Endian.h"
#include "disc/burn/DriveSectorSource.h"
#include "disc/burn/WriteCache.h"
#include "disc/burn/WriteTarget.h"
#include "disc/iso/IsoImageFile.h"
#include "disc/iso/SessionImport.h"
#include "disc/iso/SessionStream.h"
#include "disc/mmc/DriveCapabilities.h"
#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/WriteParams.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cstring>

#include <sys/stat.h>

namespace disc {

namespace {

using namespace media_type;

constexpr std::uint32_t kLongTimeoutMs = 1800000;
constexpr int kCloseRetries = 1000; // 1 s apart

// Quick format lists: DVD+RW (type 26h), sequential DVD-RW to restricted overwrite (15h).
constexpr std::array<std::uint8_t, 12> kFormatDvdRwQuick{0x00, 0xA2, 0x00, 0x08, 0x00, 0x00,
                                                         0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};

// The job's message for a failed step, with the drive's own account of it.
std::string WriterError(const base::Status& failed) {
    return "WRITER ERROR [" + failed.error() + "]";
}

bool IsCd(int type) {
    return type == kCdR || type == kCdRw;
}

// A drive that is busy or becoming ready is waited for; anything else is a real failure.
bool WorthRetry(const ScsiReply& reply) {
    return reply.Busy() || reply.Sense().asc == 0x04;
}

// Each new file exists, is a regular file and still has the size the layout gave it.
base::Status CheckSources(const IsoImageBuilder& builder) {
    bool any = false;
    for (const auto& f : builder.Files()) {
        if (f->IsDirectory() && !f->Imported)
            any = true; // a new folder is content, even an empty one
        if (f->IsDirectory() || f->Imported || f->SourcePath.empty())
            continue;
        any = true;
        struct stat st {};
        if (::stat(f->SourcePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            ::access(f->SourcePath.c_str(), R_OK) != 0)
            return base::Fail("CAN'T OPEN FILE \"" + f->SourcePath +
                              "\" OR FILE IS IN USES BY OTHER SOFTWARE");
        if (static_cast<std::uint64_t>(st.st_size) != f->Size)
            return base::Fail("FILE \"" + f->SourcePath + "\" CHANGED SIZE AFTER IT WAS ADDED");
    }
    if (!any)
        return base::Fail("NO FILES TO WRITE");
    return {};
}

base::Status Lay(IsoImageBuilder& builder, std::uint32_t start) {
    builder.ComputeLayout(start);
    if (auto headed = builder.BuildHeader(); !headed)
        return headed;
    return CheckSources(builder);
}

// The new session read back: the tree must list every written file at its address, and each
// file's sectors must hold what was read from its source.
base::Status Verify(SectorSource& source, const std::vector<WrittenFile>& files) {
    const auto tree = ReadSessionTree(source, {}, {});
    if (!tree)
        return base::Fail("VERIFY FAILED: " + tree.error());
    std::vector<std::uint8_t> buffer(32 * kSectorBytes);
    for (const WrittenFile& w : files) {
        const FileEntry& f = *w.entry;
        const bool listed =
            std::any_of(tree->Entries.begin(), tree->Entries.end(), [&](const ImportedEntry& e) {
                return !e.Directory && e.Extent == f.Extent && e.Size == f.Size;
            });
        if (!listed)
            return base::Fail("VERIFY FAILED: \"" + f.JolietName.toStdString() +
                              "\" IS NOT IN THE NEW SESSION");
        Checksum sum;
        std::uint64_t left = f.Size;
        std::uint32_t lba = f.Extent;
        while (left > 0) {
            const std::uint32_t sectors = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(32, (left + kSectorBytes - 1) / kSectorBytes));
            if (auto read = source.Read(lba, sectors, buffer.data()); !read)
                return base::Fail("VERIFY FAILED: " + read.error());
            const std::size_t n = static_cast<std::size_t>(
                std::min<std::uint64_t>(left, std::uint64_t{sectors} * kSectorBytes));
            sum.Add(buffer.data(), n);
            left -= n;
            lba += sectors;
        }
        if (sum.value != w.checksum)
            return base::Fail("VERIFY FAILED: \"" + f.JolietName.toStdString() +
                              "\" DIFFERS FROM ITS SOURCE");
    }
    return {};
}

// The queue drained into a target at consecutive addresses from `start`.
base::Status Pump(WriteCache& cache, WriteTarget& target, std::uint32_t start,
                  std::uint64_t trackBytes, base::Progress& progress, DiscJobStatus& status) {
    std::vector<std::uint8_t> block;
    std::uint64_t sectorsDone = 0;
    for (;;) {
        if (progress.Cancelled()) {
            cache.Cancel();
            return base::Fail(kAbortedByUser);
        }
        const long got = cache.TakeBlock(block);
        status.cacheFillPercent = cache.FillPercent();
        if (got < 0)
            continue;
        if (got == 0)
            break;
        const auto sectors = static_cast<std::uint32_t>(block.size() / kSectorBytes);
        if (auto put =
                target.Write(start + static_cast<std::uint32_t>(sectorsDone), block, progress);
            !put) {
            cache.Fail(put.error());
            return put;
        }
        sectorsDone += sectors;
        const auto done = std::min<std::uint64_t>(sectorsDone * kSectorBytes, trackBytes);
        status.bytesWritten = static_cast<std::int64_t>(done);
        progress.SetPosition(static_cast<int>(done * 100 / std::max<std::uint64_t>(trackBytes, 1)));
        progress.Pump();
    }
    if (const std::string error = cache.Error(); !error.empty())
        return base::Fail(error);
    return {};
}

} // namespace

namespace {

class DiscWrite {
public:
    DiscWrite(ScsiDevice& device, IsoImageBuilder& builder, const WriteOptions& options,
              base::Progress& progress, DiscJobStatus& status, const DiscMessageSink& messages)
        : device_(device), mmc_(device), builder_(builder), options_(options), progress_(progress),
          status_(status), messages_(messages) {}

    base::Status Run();

private:
    void Say(const std::string& line) {
        if (messages_)
            messages_(">>> " + line);
    }
    base::Status Format(const std::array<std::uint8_t, 12>& list);
    base::Status Prepare(); // settings, streaming, reservation: before the data
    base::Status Synchronize();
    base::Status GrowDescriptors();
    base::Status CloseWithRetry(bool immediate, std::uint8_t function, std::uint16_t track);
    base::Status CloseUnfinished();
    base::Status Close();
    void ResetDrive();

    ScsiDevice& device_;
    MmcCommands mmc_;
    IsoImageBuilder& builder_;
    const WriteOptions& options_;
    base::Progress& progress_;
    DiscJobStatus& status_;
    const DiscMessageSink& messages_;
    WritePlan plan_;
    std::uint64_t writeSectors_ = 0;
};

base::Status DiscWrite::Format(const std::array<std::uint8_t, 12>& list) {
    Say("FORMATTING THE DISC");
    base::Status formatted = mmc_.FormatUnit(list);
    if (formatted)
        formatted = WaitReady(device_, 3600000, 2000);
    if (!formatted)
        return base::Fail("FORMAT FAILED [" + formatted.error() + "]");
    plan_.mediaType = GetMediaType(device_);
    return {};
}

base::Status DiscWrite::Prepare() {
    (void)mmc_.ReadBufferCapacity();
    (void)mmc_.Load();
    if (plan_.mediaType != media_type::kDvdPlusRw)
        (void)mmc_.Rezero();
    (void)mmc_.SetCdSpeed(options_.readSpeed, options_.writeSpeed);
    (void)WaitReady(device_, 10000, 1000);
    WriteParamsOptions params{options_.testWrite, options_.underrunProtection,
                              options_.finalizeDisc};
    if (auto sent = SendWriteParams(device_, plan_.mediaType, params); !sent)
        return base::Fail(WriterError(sent));
    if (plan_.mediaType == kDvdR) {
        std::array<std::uint8_t, 28> streaming{};
        base::StoreBE<std::uint32_t>(&streaming[8], 0x0023127F);
        base::StoreBE<std::uint32_t>(&streaming[12], 0x0000ABBD);
        base::StoreBE<std::uint32_t>(&streaming[16], 1000);
        base::StoreBE<std::uint32_t>(&streaming[20], 0x0000058A);
        base::StoreBE<std::uint32_t>(&streaming[24], 1000);
        (void)mmc_.SetStreaming(streaming);
        std::array<std::uint8_t, 22> stamp{};
        base::StoreBE<std::uint16_t>(&stamp[0], 20);
        const QByteArray now = QDateTime::currentDateTime().toString("yyyyMMddhhmmss").toLatin1();
        std::memcpy(&stamp[8], now.constData(), std::min<std::size_t>(14, now.size()));
        (void)mmc_.SendDvdStructure(0x0F, stamp);
        if (auto reserved = mmc_.ReserveTrack(static_cast<std::uint32_t>(writeSectors_)); !reserved)
            return base::Fail(WriterError(reserved));
        (void)WaitReady(device_, 10000, 1000);
    }
    if (plan_.mediaType != kDvdRam && !options_.testWrite && options_.performOpc)
        (void)mmc_.SendOpcInformation();
    return {};
}

base::Status DiscWrite::Synchronize() {
    const bool immediate = plan_.mediaType == kDvdR || plan_.mediaType == kDvdRwSequential ||
                           plan_.mediaType == kDvdRwRestricted;
    const ScsiReply first = mmc_.SynchronizeCache(immediate, immediate ? kLongTimeoutMs : 120000);
    base::Status synced = first;
    if (!first && WorthRetry(first)) {
        (void)WaitReady(device_, 240000, 2000);
        synced = mmc_.SynchronizeCache(false, kLongTimeoutMs);
    }
    if (synced && immediate)
        synced = WaitReady(device_, kLongTimeoutMs, 1000);
    if (!synced)
        return base::Fail(WriterError(synced));
    return {};
}

// On media that grow in place the descriptors at sector 16 are replaced only once the new
// session is on the disc, and the sectors after them are written back as they were.
base::Status DiscWrite::GrowDescriptors() {
    const IsoLayout& l = builder_.Layout();
    const std::uint32_t first = l.Primary - l.Start;
    const std::uint32_t count = l.Terminator - l.Primary + 1;
    std::vector<std::uint8_t> sectors(16 * kSectorSize);
    if (auto read = mmc_.Read10(16, 16, sectors); !read)
        return base::Fail(WriterError(read));
    const auto& head = builder_.Header();
    std::memcpy(sectors.data(), head.data() + std::size_t{first} * kSectorSize,
                std::size_t{count} * kSectorSize);
    DriveTarget target(device_, plan_.mediaType);
    if (auto put = target.Write(16, sectors, progress_); !put)
        return put;
    return Synchronize();
}

base::Status DiscWrite::CloseWithRetry(bool immediate, std::uint8_t function, std::uint16_t track) {
    bool triedAgain = false;
    ScsiReply closed;
    for (int i = 0; i < kCloseRetries; ++i) {
        if (closed = mmc_.CloseTrackSession(immediate, function, track); closed)
            return WaitReady(device_, kLongTimeoutMs, 1000);
        if (!WorthRetry(closed)) {
            if (triedAgain)
                return closed;
            triedAgain = true;
            continue;
        }
        device_.Clock().SleepMs(1000);
    }
    return closed;
}

// A session an interrupted write left open is closed as it stands (its unclosed track first),
// so that the disc takes a new session after it; the sessions before it are untouched.
base::Status DiscWrite::CloseUnfinished() {
    Say("CLOSING THE SESSION LEFT OPEN BY AN INTERRUPTED WRITE");
    const auto refused = [](const base::Status& failed) {
        return base::Fail("THE DISC HOLDS AN UNFINISHED SESSION FROM AN INTERRUPTED WRITE THAT "
                          "COULD NOT BE CLOSED [" +
                          failed.error() + "]; NOTHING WAS WRITTEN");
    };
    WriteParamsOptions params{false, options_.underrunProtection, false};
    base::Status step = SendWriteParams(device_, plan_.mediaType, params);
    if (step && plan_.openTrack != 0)
        step = CloseWithRetry(false, close_function::kTrack, plan_.openTrack);
    if (step)
        step = CloseWithRetry(true, close_function::kSession, 0);
    if (!step)
        return refused(step);
    return {};
}

base::Status DiscWrite::Close() {
    if (!options_.finalizeTrack || options_.testWrite || plan_.mediaType == kDvdRam)
        return {};
    if (plan_.mediaType == kDvdPlusRw) {
        // The format a DVD+RW keeps growing in the background is closed so that any drive
        // reads the disc.
        Say("CLOSING TRACK/SESSION");
        if (auto closed = CloseWithRetry(true, close_function::kPlusRwFormat, 0xFF); !closed)
            return base::Fail("CLOSING THE SESSION FAILED [" + closed.error() + "]");
        return {};
    }
    Say("CLOSING TRACK/SESSION");
    if (plan_.mediaType != kDvdR) {
        WriteParamsOptions params{false, options_.underrunProtection, options_.finalizeDisc};
        if (auto sent = SendWriteParams(device_, plan_.mediaType, params); !sent)
            return base::Fail(WriterError(sent));
    }
    base::Status closed;
    switch (plan_.mediaType) {
    case kDvdPlusR:
    case kDvdR:
        closed = CloseWithRetry(false, close_function::kTrack, plan_.track);
        if (closed)
            closed = CloseWithRetry(true, close_function::kSession, 0);
        break;
    case kDvdRwSequential:
    case kDvdRwRestricted:
        closed = CloseWithRetry(true, close_function::kSession, 0);
        break;
    default:
        closed = CloseWithRetry(device_.Quirks().immediateClose, close_function::kSession, 0);
        break;
    }
    if (!closed)
        return base::Fail("CLOSING THE SESSION FAILED [" + closed.error() + "]");
    return {};
}

void DiscWrite::ResetDrive() {
    (void)WaitReady(device_, 240000, 5000);
    (void)SendWriteParams(device_, plan_.mediaType, WriteParamsOptions{false, false, false});
    (void)mmc_.SetCdSpeed(0, 0);
    (void)mmc_.Rezero();
    (void)mmc_.PreventRemoval(false);
    (void)mmc_.Load();
    (void)mmc_.Rezero();
    (void)mmc_.TestUnitReady();
}

base::Status DiscWrite::Run() {
    auto planned = PlanWrite(device_);
    if (!planned)
        return base::Fail(planned.error());
    plan_ = *planned;
    if (plan_.unfinished) {
        // Only a write that can go ahead changes the disc.
        if (auto checked = CheckSources(builder_); !checked)
            return checked;
        if (auto closed = CloseUnfinished(); !closed)
            return closed;
        planned = PlanWrite(device_);
        if (!planned)
            return base::Fail(planned.error());
        plan_ = *planned;
        if (plan_.unfinished)
            return base::Fail("THE DISC HOLDS AN UNFINISHED SESSION FROM AN INTERRUPTED WRITE "
                              "THAT COULD NOT BE CLOSED; NOTHING WAS WRITTEN");
    }
    if (options_.importPrevious && plan_.holdsData) {
        DriveSectorSource previous(device_, plan_.start);
        ImportLimits limits;
        limits.Stop = &progress_;
        if (auto imported = ImportSession(builder_, previous, nullptr, limits); !imported) {
            if (progress_.Cancelled())
                return base::Fail(kAbortedByUser);
            return base::Fail("CAN'T READ THE SESSION ON THE DISC: " + imported.error());
        }
    }
    if (auto laid = Lay(builder_, plan_.start); !laid)
        return laid;
    writeSectors_ = WrittenSectors(plan_.mediaType, builder_.TrackSectors());
    if (plan_.capacity == 0 || plan_.start + writeSectors_ > plan_.capacity)
        return base::Fail(
            "NOT ENOUGH SPACE ON THE DISC: " + std::to_string(writeSectors_) + " SECTORS NEEDED, " +
            std::to_string(plan_.capacity > plan_.start ? plan_.capacity - plan_.start : 0) +
            " FREE");
    status_.totalBytes = builder_.TrackSectors() * std::int64_t{kSectorSize};

    // The queue fills before anything changes on the disc, so a source that cannot be read
    // stops the write while the disc is still as it was.
    const std::size_t blockBytes = IsCd(plan_.mediaType) ? 55296 : 65536;
    SessionStream stream(builder_, writeSectors_ * kSectorSize);
    WriteCache cache(options_.cacheSize, blockBytes);
    cache.Start(stream);
    if (!cache.WaitFilled())
        return base::Fail(cache.Error());

    // Destructive steps from here on.
    if (plan_.formatFirst) {
        if (auto formatted =
                Format(plan_.mediaType == kDvdPlusRw ? kFormatPlusRw : kFormatDvdRwQuick);
            !formatted)
            return formatted;
    }
    if (auto prepared = Prepare(); !prepared) {
        cache.Fail(prepared.error());
        return prepared;
    }
    Say("STARTING WRITE PROCESS ON " + std::string(MediaName(plan_.mediaType)) + " AT " +
        SpeedText(plan_.mediaType, device_.Capabilities().writeSpeed));
    if (options_.testWrite)
        Say("TEST/DUMMY WRITE");

    DriveTarget target(device_, plan_.mediaType);
    base::Status result =
        Pump(cache, target, plan_.start, static_cast<std::uint64_t>(status_.totalBytes.load()),
             progress_, status_);
    status_.cacheFillPercent = 0;
    if (result) {
        Say("FINALIZING TRACK");
        result = Synchronize();
    }
    if (result && plan_.overwritable && plan_.start > 0)
        result = GrowDescriptors();
    if (result)
        result = Close();
    if (!result)
        return result;
    ResetDrive();
    if (options_.verify && !options_.testWrite) {
        Say("VERIFYING");
        DriveSectorSource written(device_, plan_.start + static_cast<std::uint32_t>(writeSectors_));
        return Verify(written, stream.Written());
    }
    return {};
}

base::Status WriteImage(IsoImageBuilder& builder, const WriteOptions& options,
                        base::Progress& progress, DiscJobStatus& status) {
    if (auto laid = Lay(builder, 0); !laid)
        return laid;
    const auto trackBytes = static_cast<std::uint64_t>(builder.TrackSectors()) * kSectorBytes;
    status.totalBytes = static_cast<std::int64_t>(trackBytes);
    const auto counted = [&status](std::uint64_t done, std::uint64_t) {
        status.bytesWritten = static_cast<std::int64_t>(done);
    };
    if (auto written = WriteImageFile(builder, options.imageFile, progress, counted); !written)
        return written;
    if (!options.verify)
        return {};
    // The sources read once more for their checksums, then the image compared with them.
    SessionStream sources(builder, trackBytes);
    std::vector<std::uint8_t> buffer(1u << 20);
    for (;;) {
        if (progress.Cancelled())
            return base::Fail(kAbortedByUser);
        auto got = sources.Read(buffer);
        if (!got)
            return base::Fail("VERIFY FAILED: " + got.error());
        if (*got == 0)
            break;
    }
    auto source = ImageFileSectorSource::Open(options.imageFile, 0);
    if (!source)
        return base::Fail("VERIFY FAILED: " + source.error());
    return Verify(**source, sources.Written());
}

} // namespace

base::Status WriteDisc(ScsiDevice& device, IsoImageBuilder& builder, const WriteOptions& options,
                       base::Progress& progress, DiscJobStatus& status,
                       const DiscMessageSink& messages) {
    progress.Open();
    status.bytesWritten = 0;
    status.cacheFillPercent = 0;
    base::Status result;
    if (!options.imageFile.empty()) {
        result = WriteImage(builder, options, progress, status);
    } else {
        result = WithRecorderHeld(device, [&] {
            return DiscWrite(device, builder, options, progress, status, messages).Run();
        });
    }
    progress.Close();
    return result;
}

} // namespace disc
