// One recorder seen through a transport: lists the drives the transport reaches, selects one,
// executes one command block at a time on it and answers each with its outcome: a readable text
// of a failure and the drive's sense bytes (ScsiReply). The MMC wrappers (MmcCommands) and the
// disc jobs reach the drive only through ExecCommand.
#pragma once

#include "disc/scsi/RequestBlock.h"
#include "disc/scsi/ScsiReply.h"
#include "disc/scsi/SenseData.h"
#include "disc/scsi/Transport.h"
#include "disc/scsi/WaitClock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace disc {

// Behaviours of particular drive models, set when a drive is selected.
struct DriveQuirks {
    bool underrunProtectionAssumed = false; // reports no underrun protection but has it
    bool linkSizeValidForced = false;       // needs the link-size-valid bit in page 5
    bool slowReady = false;                 // extra ready polling by TEST UNIT READY
    bool immediateClose = true;             // closes sessions with the immediate bit
    bool readyByTestUnitFirst = false;      // polls TEST UNIT READY every 1.5 s first

    // From the trimmed vendor id and the product id as stored (16 characters).
    static DriveQuirks For(const std::string& vendor, const std::string& product);
};

// What the selected drive can do (bits of capability namespace) and its speeds in KB/s.
struct DriveCapabilities {
    std::uint32_t bits = 0;
    std::uint32_t maxWriteSpeed = 0;
    std::uint32_t maxReadSpeed = 0;
    std::uint32_t writeSpeed = 0;         // current
    std::uint32_t readSpeed = 0;          // current
    std::uint32_t bufferSize = 0;         // bytes, from READ BUFFER CAPACITY
    std::uint32_t freeBufferSize = 0;     // bytes
    std::array<std::uint8_t, 516> page{}; // copy of the capabilities page 2Ah
    std::uint8_t writeModes = 0;          // write_mode bits accepted by the drive
};

namespace write_mode {
inline constexpr std::uint8_t kRaw = 1;
inline constexpr std::uint8_t kSessionAtOnce = 2;
inline constexpr std::uint8_t kTrackAtOnce = 4;
} // namespace write_mode

class ScsiDevice {
public:
    // mType 0: a failed command's report.
    using DebugHandler = std::function<void(const std::string& message, std::uint8_t type)>;
    using DeviceChangeHandler = std::function<void()>;

    // Without a transport, OpenTransport() picks one (see DefaultTransport). Without a clock
    // the steady clock is used.
    explicit ScsiDevice(std::unique_ptr<Transport> transport = nullptr,
                        std::shared_ptr<WaitClock> clock = nullptr);
    ScsiDevice(const ScsiDevice&) = delete;
    ScsiDevice& operator=(const ScsiDevice&) = delete;
    ~ScsiDevice();

    // The virtual recorders when REELPANE_VIRTUAL_RECORDERS is set (a bad setting is an
    // error), else the SG_IO transport.
    static base::Result<std::unique_ptr<Transport>> DefaultTransport();

    // Brings the transport up and fills DeviceList. Fails when the transport cannot work or
    // finds no drive (the message says which).
    base::Status OpenTransport();

    // One entry per drive: "h:c:t:l,DEVICE VENDOR__ PRODUCT_________ REV_", plus
    // " (not supported)" for write-once optical devices (peripheral type 4).
    const std::vector<std::string>& DeviceList() const { return deviceList_; }
    // What the user sees for each DeviceList entry, in the same order: vendor and model, or a
    // virtual recorder's disc kind and image name.
    const std::vector<std::string>& DeviceTitles() const { return deviceTitles_; }
    // Closes every handle, finds the drives again and refills DeviceList (used after an
    // erase). The selected drive stays selected when it is still there.
    base::Status ResetTransport();
    const std::vector<DriveInfo>& Drives() const;
    int HostAdapterCount() const;

    // Makes a DeviceList entry current. The address before the comma names the drive. An entry
    // of four characters or less deselects; an entry that names no listed optical drive fails
    // with "INVALID DEVICE ID / NOT A CD OR DVD DRIVE" and leaves nothing
    // selected. The empty entry only deselects, and says "no recorder selected".
    base::Status SelectDevice(const std::string& entry);
    // The entry whose address ("0:0:0:0") or device name (/dev/sr0, an image path) is name;
    // empty when none.
    std::string EntryFor(const std::string& name) const;
    void Deselect();
    bool Selected() const { return current_.has_value(); }
    const std::string& DeviceId() const { return deviceId_; }
    const DriveInfo* CurrentDrive() const;
    // "VENDOR__ PRODUCT_________ REV_" of the selected drive.
    std::string DisplayName() const;

    // Executes a command on the selected drive: fills the address, zeroes a reply buffer
    // first and sends. Succeeds only when the drive completed the command (status kDone); a
    // failure carries the device's text of it (FailureText) and the sense bytes the drive sent.
    // With nothing selected, or a drive that is gone, the block ends with kNoDevice and it fails.
    ScsiReply ExecCommand(RequestBlock& block, std::uint32_t timeoutMs);

    DriveQuirks& Quirks() { return quirks_; }
    DriveCapabilities& Capabilities() { return capabilities_; }
    const DriveCapabilities& Capabilities() const { return capabilities_; }
    // The media type (see MediaDetection.h) last found by GetMediaType; 0 unknown.
    int KnownMediaType() const { return mediaType_; }
    void SetKnownMediaType(int type) { mediaType_ = type; }

    Transport* GetTransport() { return transport_.get(); }
    WaitClock& Clock() { return *clock_; }

    // Closes the drive's handle after every command (after a write, around an erase).
    void SetCloseAfterEachCommand(bool close) { closeAfterEach_ = close; }

    // Only the very first command a device executes may be reported when it fails; the write
    // thread calls this itself before its descriptor write.
    void SuppressReport() { reportSuppressed_ = true; }
    void SetDebug(bool debug) { debug_ = debug; }
    void OnDebugMessage(DebugHandler handler) { onDebug_ = std::move(handler); }
    void OnDeviceChange(DeviceChangeHandler handler) { onDeviceChange_ = std::move(handler); }

    // The first-failure report line of a finished block and the text of its failure.
    static std::string FailureReport(const RequestBlock& block, const std::string& failure);

private:
    void FillDeviceList();
    void Report(const RequestBlock& block, const ScsiReply& reply);

    std::unique_ptr<Transport> transport_;
    std::shared_ptr<WaitClock> clock_;
    bool transportUp_ = false;
    std::vector<std::string> deviceList_;
    std::vector<std::string> deviceTitles_;
    std::optional<DriveAddress> current_;
    std::string deviceId_;
    std::array<std::uint8_t, 128> inquiry_{};

    bool reportSuppressed_ = false;
    bool debug_ = false;
    bool closeAfterEach_ = false;
    DebugHandler onDebug_;
    DeviceChangeHandler onDeviceChange_;

    DriveQuirks quirks_;
    DriveCapabilities capabilities_;
    int mediaType_ = 0;
    std::mutex execMutex_; // one command at a time on this device
};

// Runs work with the selected recorder held by this process alone, and lets it go after: a write
// or erase never shares its drive. "NO RECORDER SELECTED" when there is none.
base::Status WithRecorderHeld(ScsiDevice& device, const std::function<base::Status()>& work);

} // namespace disc
