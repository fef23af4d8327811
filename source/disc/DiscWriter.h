// Writing a laid-out session: to the disc in the selected recorder (the sequence each media type
// needs, the close, the drive reset and a read-back verify), or to an image file for users
// without a recorder. Runs on the calling thread; a read-ahead thread fills the write queue.
// Nothing destructive happens before the disc's state, its free space and every source file
// were checked.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "disc/IsoImageBuilder.h"
#include "disc/ScsiDevice.h"
#include "disc/WriteCache.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace disc {

struct WriteOptions {
    std::size_t cacheSize = kDefaultCacheSize; // see NormalizeCacheSize
    bool testWrite = false;
    bool underrunProtection = true;
    bool performOpc = false;
    bool finalizeTrack = true;    // close the track and session (a test write never does)
    bool finalizeDisc = false;    // no session may follow
    std::uint16_t readSpeed = 0;  // KB/s, 0 the fastest
    std::uint16_t writeSpeed = 0; // KB/s, 0 the fastest
    bool importPrevious = true;   // the new session lists the files of the newest one
    bool verify = true;           // read the new session back and compare with the sources
    std::string imageFile;        // set: write this ISO image file instead of a disc
};

// Counters a front end reads while a job runs (from any thread).
struct DiscJobStatus {
    std::atomic<std::int64_t> bytesWritten{0};
    std::atomic<std::int64_t> totalBytes{0};
    std::atomic<int> cacheFillPercent{0};
    std::atomic<int> erasePercent{0};
};

// Lines for the user (">>> STARTING WRITE PROCESS ON ..."); called on the job's thread.
using DiscMessageSink = std::function<void(const std::string&)>;

// The start of the new session and what must happen before it can be written.
struct WritePlan {
    int mediaType = 0;
    std::uint32_t start = 0;
    std::uint32_t capacity = 0; // blocks the disc can hold
    bool formatFirst = false;   // a blank disc that needs formatting
    bool holdsData = false;     // an earlier session is there
    bool overwritable = false;  // the session grows in place (descriptors at 16)
    std::uint16_t track = 0;    // sequential media: the number the new track will have
    // An interrupted write left the last session open: it must be closed before a new session
    // can be planned. openTrack is the number of its unclosed track (0: only the session).
    bool unfinished = false;
    std::uint16_t openTrack = 0;
};

// Looks at the disc without changing it: where the new session starts, or why it cannot be
// written (closed disc, foreign data, no next writable address...). A disc whose last session
// was left open comes back `unfinished`, without a start.
base::Result<WritePlan> PlanWrite(ScsiDevice& device);

// Sectors written for a track on the media type: DVD writes go in whole 32-sector blocks.
std::uint64_t WrittenSectors(int mediaType, std::int64_t trackSectors);

// Writes the builder's files as a new session (to options.imageFile when set). The builder
// takes over the newest session's tree first (importPrevious) and is laid out here. Every
// failure comes back as a message: the writer's texts ("WRITER ERROR [sense]",
// "OPERATION ABORTED BY USER", "CAN'T OPEN FILE ..."), a verify mismatch, a failed close.
base::Status WriteDisc(ScsiDevice& device, IsoImageBuilder& builder, const WriteOptions& options,
                       base::Progress& progress, DiscJobStatus& status,
                       const DiscMessageSink& messages = {});

} // namespace disc
