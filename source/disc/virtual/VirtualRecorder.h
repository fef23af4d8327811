// A recorder that exists only in software: the disc is a raw image file (sector n at byte
// n * 2048) with its state in a text file beside it (image path + ".state"), and the drive
// answers the MMC commands the disc layer uses as a real drive of the disc's profile does,
// refusals included. Tests can inject faults: busy, not ready, medium errors, no medium, a
// vanishing drive, timeouts, deferred errors, descriptor-format sense and failures at
// SYNCHRONIZE CACHE and at close.
//
// Write rules: sequential media (CD-R/RW, DVD-R, sequential DVD-RW, DVD+R) take WRITE (10) only
// at the next writable address of the open track; DVD+RW and DVD-RAM anywhere once formatted;
// restricted-overwrite DVD-RW in 16-block aligned runs. On CD, WRITE (10) needs data block type
// 8 (Mode 1, 2048 bytes) in the write parameters page and a write type other than raw; DVD-R and
// sequential DVD-RW refuse the track-at-once and raw write types (incremental and
// disc-at-once only).
#pragma once

#include "base/AtomicFile.h"
#include "disc/scsi/RequestBlock.h"
#include "disc/scsi/Transport.h"
#include "disc/virtual/VirtualMedium.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace disc {

struct VirtualFaults {
    int busyCommands = 0;     // the next N commands end with target status BUSY
    int notReadyCommands = 0; // the next N medium commands: NOT READY, becoming ready (04/01)
    int stuckNotReady = 0;    // the next N medium commands: NOT READY, cause unknown (04/00)
    std::optional<std::uint32_t> mediumErrorAt; // READ/WRITE touching this block fail
    bool vanished = false;                      // the drive no longer answers at all
    int timeoutOpcode = -1;            // the next command with this opcode times out (256: any)
    bool deferredError = false;        // the next command reports a deferred write error
    bool descriptorSense = false;      // sense in descriptor format
    bool failSynchronizeCache = false; // SYNCHRONIZE CACHE fails with a write error
    bool failClose = false;            // CLOSE TRACK/SESSION fails
};

class VirtualRecorder {
public:
    // Opens the recorder of an image: the disc's state is read from the state file when it
    // exists (its kind must match), else the disc is blank.
    static base::Result<std::shared_ptr<VirtualRecorder>> Open(VirtualMedium::Kind kind,
                                                               std::string imagePath);
    VirtualRecorder(const VirtualRecorder&) = delete;
    VirtualRecorder& operator=(const VirtualRecorder&) = delete;
    ~VirtualRecorder();

    const std::string& ImagePath() const { return imagePath_; }
    std::string StatePath() const { return imagePath_ + ".state"; }
    std::array<std::uint8_t, kInquiryCacheSize> Inquiry() const;

    // Answers one command. Thread-safe.
    void Execute(RequestBlock& block);

    void SetFaults(const VirtualFaults& faults);
    VirtualFaults Faults() const;
    // Takes the disc out (tray closed, no medium) or puts a disc in.
    void RemoveMedium();
    void InsertMedium(const VirtualMedium& medium);
    VirtualMedium Medium() const;
    bool TrayOpen() const;
    // The command blocks received, oldest first (the last 256).
    std::vector<std::array<std::uint8_t, kCommandBlockCapacity>> CommandLog() const;
    // Takes the recorder for one job: a lock on the image that every other holder, in this
    // process or another, is refused with "recorder busy" until Release().
    base::Status Hold();
    void Release();
    // Writes the state file now (it is also written after every change of the disc's layout).
    base::Status Save() const;

private:
    VirtualRecorder(VirtualMedium medium, std::string imagePath);

    // Helpers of Execute (the lock is held).
    void Check(RequestBlock& b, SenseCode code, std::optional<std::uint64_t> info = {});
    void Answer(RequestBlock& b, const std::uint8_t* data, std::size_t size,
                std::size_t allocation);
    void StartOperation(std::uint8_t ascq, int polls);
    bool MediumCommand(std::uint8_t opcode) const;
    void Dispatch(RequestBlock& b);
    void SaveLocked() const;
    base::Status WriteState(base::AtomicFile::Durability durability) const;

    void RequestSense(RequestBlock& b);
    void FormatUnit(RequestBlock& b);
    void StartStop(RequestBlock& b);
    void Read(RequestBlock& b);
    void Write(RequestBlock& b);
    void SynchronizeCache(RequestBlock& b);
    void CloseTrackSession(RequestBlock& b);
    void Blank(RequestBlock& b);
    void ModeSelect(RequestBlock& b);
    void SetStreaming(RequestBlock& b);
    void SetCdSpeed(RequestBlock& b);
    void SendDvdStructure(RequestBlock& b);

    // Replies (VirtualRecorderReplies.cpp).
    std::vector<std::uint8_t> ConfigurationReply(std::uint8_t requestType,
                                                 std::uint16_t startFeature) const;
    std::vector<std::uint8_t> CapabilitiesPage(std::uint8_t pageControl) const;
    std::vector<std::uint8_t> WriteParametersPage() const;
    std::vector<std::uint8_t> DiscInformationReply() const;
    // Empty when the track does not exist.
    std::vector<std::uint8_t> TrackInformationReply(std::uint8_t addressType,
                                                    std::uint32_t number) const;
    // Empty when the format cannot be read from this disc.
    std::vector<std::uint8_t> TocReply(std::uint8_t format, bool msf, std::uint8_t track) const;
    std::vector<std::uint8_t> FormatCapacitiesReply() const;
    std::uint32_t MaxWriteSpeed() const;
    std::uint32_t MaxReadSpeed() const;

    mutable std::mutex mutex_;
    VirtualMedium medium_;
    std::string imagePath_;
    int imageFd_ = -1;
    int holdFd_ = -1; // the image opened once more, locked while a job holds the recorder
    bool present_ = true;
    bool trayOpen_ = false;
    bool preventRemoval_ = false;
    bool unitAttention_ = false;
    // An immediate format, blank, close or cache flush still running: NOT READY (04/ascq) for
    // this many more polls.
    int operationPolls_ = 0;
    int operationTotal_ = 0;
    std::uint8_t operationAscq_ = 0;
    // Write parameters page.
    std::uint8_t writeType_ = 1;
    std::uint8_t blockType_ = 8;
    std::uint8_t multiSession_ = 0;
    bool testWrite_ = false;
    // KB/s; FFFFh is the fastest.
    std::uint32_t readSpeed_ = 0xFFFF;
    std::uint32_t writeSpeed_ = 0xFFFF;
    VirtualFaults faults_;
    std::vector<std::array<std::uint8_t, kCommandBlockCapacity>> log_;
};

} // namespace disc
