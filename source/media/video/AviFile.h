// AviFile: writes one AVI file chunk by chunk from the streams it was opened with. The first RIFF
// stays within a limit (1 GiB) and carries the old index (idx1); past it the file goes on in
// 'AVIX' RIFFs with OpenDML super and standard indexes, so a reader of either kind finds every
// chunk. The caller decides the interleaving by the order of its WriteChunk calls.
#pragma once

#include "base/Result.h"
#include "media/audio/WavFile.h"
#include "media/video/AviLayout.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace media {

struct AviStreamSpec {
    avi::FourCC ChunkId;              // "00dc", "00db", "01wb"
    avi::StreamHeader Header;         // Length and SuggestedBufferSize are filled in at close
    std::vector<std::uint8_t> Format; // the strf bytes
    // Units of the stream's time line per chunk byte: 0 for video (one frame per chunk),
    // otherwise the bytes of one sample frame (audio block align).
    std::uint32_t BytesPerUnit = 0;
};

struct AviMainInfo {
    std::uint32_t MicroSecPerFrame = 40000;
    std::uint32_t Flags = avi::kAvifHasIndex | avi::kAvifIsInterleaved;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    // Bytes of data per second of video, for the main header's MaxBytesPerSec; 0 = measured.
    std::uint32_t MaxBytesPerSec = 0;
};

// The stream of a PCM soundtrack in the given format ('01wb', one sample frame per unit).
AviStreamSpec PcmStreamSpec(const PcmFormat& format);

class AviFile {
public:
    // Files past this size go on in further RIFFs.
    static constexpr std::uint64_t kRiffLimit = 1ull << 30;
    // Standard indexes a stream can have: one per RIFF, so files up to 256 GiB.
    static constexpr std::uint32_t kSuperIndexEntries = 256;

    ~AviFile();
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    // Creates (replaces) the file and reserves its header; the failure names the file and the
    // system's reason. riffLimit is for tests of the OpenDML path on small files.
    static base::Result<std::unique_ptr<AviFile>> Create(const std::string& path,
                                                         const AviMainInfo& info,
                                                         std::vector<AviStreamSpec> streams,
                                                         std::uint64_t riffLimit = kRiffLimit);

    // Appends one chunk to the current movi list.
    base::Status WriteChunk(std::size_t stream, std::span<const std::uint8_t> data, bool key);
    // The same with the data in pieces (rows of a picture, say), written without joining them.
    base::Status WriteChunkPieces(std::size_t stream,
                                  std::span<const std::span<const std::uint8_t>> pieces, bool key);
    // Writes the indexes and the final header and closes the file.
    base::Status Close();

    std::uint64_t Size() const { return position_; }
    std::size_t RiffCount() const { return riffs_.size(); }
    std::uint64_t ChunkCount(std::size_t stream) const;

private:
    struct IndexEntry {
        std::uint64_t Offset; // of the chunk header, from the start of the file
        std::uint32_t Size;
        bool Key;
    };
    struct StreamState {
        AviStreamSpec Spec;
        std::uint64_t HeaderOffset = 0;  // of its strl list in the file
        std::vector<IndexEntry> Current; // chunks of the current RIFF
        std::vector<avi::SuperIndexEntry> Super;
        std::uint64_t Units = 0;
        std::uint64_t FirstRiffFrames = 0;
        std::uint32_t MaxChunk = 0;
        std::uint64_t Bytes = 0;
    };
    struct OldEntry {
        std::uint32_t Stream;
        IndexEntry Entry;
    };
    struct Riff {
        std::uint64_t Start;     // of its "RIFF" header
        std::uint64_t MoviStart; // of its "LIST" movi header
    };

    AviFile(int fd, std::string path, const AviMainInfo& info, std::vector<AviStreamSpec> streams,
            std::uint64_t riffLimit);
    // The private steps below fail with the system's reason of the call that failed; the
    // public ones put the file's name before it.
    base::Status AppendChunk(std::size_t stream,
                             std::span<const std::span<const std::uint8_t>> pieces, bool key);
    base::Status Finish();
    std::vector<std::uint8_t> BuildHeader(bool final) const;
    base::Status BeginChunk(std::size_t stream, std::uint32_t size, bool key);
    base::Status EndChunk(std::uint32_t size);
    base::Status CloseRiff();
    base::Status StartRiff(bool first);
    std::uint64_t PendingIndexBytes() const;
    base::Status Write(const void* data, std::size_t size);
    base::Status Flush();
    base::Status WriteAt(std::uint64_t offset, const void* data, std::size_t size);

    int fd_ = -1;
    std::string path_;
    AviMainInfo info_;
    std::vector<StreamState> streams_;
    std::vector<Riff> riffs_;
    std::vector<OldEntry> oldIndex_;
    std::uint64_t riffLimit_;
    std::uint64_t position_ = 0;
    std::uint64_t headerSize_ = 0;
    std::vector<std::uint8_t> buffer_;
    bool failed_ = false;
    bool closed_ = false;
};

} // namespace media
