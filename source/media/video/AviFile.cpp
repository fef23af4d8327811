#include "media/video/AviFile.h"

#include "media/audio/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace media {

using namespace avi;
using base::StoreLE;

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::uint32_t kSuperIndexBytes =
    sizeof(SuperIndexHeader) + sizeof(SuperIndexEntry) * AviFile::kSuperIndexEntries;
constexpr std::uint32_t kOdmlBytes = 4 + sizeof(ChunkHeader) + sizeof(ExtendedHeader);

template <typename T> void Put(std::vector<std::uint8_t>& out, const T& value) {
    static_assert(alignof(T) == 1, "file records are byte arrays");
    const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof(T));
}

void PutChunkHeader(std::vector<std::uint8_t>& out, std::string_view id, std::uint32_t size) {
    Put(out, ChunkHeader{FourCC(id), size});
}

void PutList(std::vector<std::uint8_t>& out, std::string_view id, std::uint32_t size,
             std::string_view type) {
    Put(out, ListHeader{FourCC(id), size, FourCC(type)});
}

std::uint32_t Even(std::uint32_t n) {
    return n + (n & 1u);
}

// A failed step of the writer: the system's reason for an errno value; the public calls put the
// file's name before it.
base::Error SystemFailure(int code) {
    return base::Fail(SystemReason(code));
}

FourCC IndexChunkName(std::size_t stream) {
    const char name[4] = {'i', 'x', static_cast<char>('0' + stream / 10),
                          static_cast<char>('0' + stream % 10)};
    return FourCC(std::string_view(name, 4));
}

} // namespace

AviFile::AviFile(int fd, std::string path, const AviMainInfo& info,
                 std::vector<AviStreamSpec> streams, std::uint64_t riffLimit)
    : fd_(fd), path_(std::move(path)), info_(info), riffLimit_(riffLimit) {
    for (auto& s : streams) {
        StreamState state;
        state.Spec = std::move(s);
        streams_.push_back(std::move(state));
    }
    buffer_.reserve(kBufferSize);
}

AviFile::~AviFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

AviStreamSpec PcmStreamSpec(const PcmFormat& audio) {
    AviStreamSpec sound;
    sound.ChunkId = avi::FourCC("01wb");
    sound.Header.Type = avi::FourCC("auds");
    sound.Header.Handler = avi::FourCC::Zero();
    sound.Header.Scale = audio.BlockAlign();
    sound.Header.Rate = audio.BytesPerSecond();
    sound.Header.SampleSize = audio.BlockAlign();
    sound.Header.Quality = 0xFFFFFFFFu;
    avi::PcmWaveFormat wf{};
    wf.FormatTag = 1;
    wf.Channels = audio.Channels;
    wf.SamplesPerSec = audio.SampleRate;
    wf.AvgBytesPerSec = audio.BytesPerSecond();
    wf.BlockAlign = static_cast<std::uint16_t>(audio.BlockAlign());
    wf.BitsPerSample = audio.Bits;
    const auto* w = reinterpret_cast<const std::uint8_t*>(&wf);
    sound.Format.assign(w, w + sizeof wf);
    sound.BytesPerUnit = audio.BlockAlign();
    return sound;
}

base::Result<std::unique_ptr<AviFile>> AviFile::Create(const std::string& path,
                                                       const AviMainInfo& info,
                                                       std::vector<AviStreamSpec> streams,
                                                       std::uint64_t riffLimit) {
    if (streams.empty() || streams.size() > 100)
        return base::Fail(CannotCreate(path, -EINVAL));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return base::Fail(CannotCreate(path, -errno));
    std::unique_ptr<AviFile> file(new AviFile(fd, path, info, std::move(streams), riffLimit));
    const std::vector<std::uint8_t> header = file->BuildHeader(false);
    file->headerSize_ = header.size();
    base::Status written = file->Write(header.data(), header.size());
    if (written)
        written = file->StartRiff(true);
    if (!written)
        return base::Fail("Cannot create " + path + ": " + written.error());
    return file;
}

std::vector<std::uint8_t> AviFile::BuildHeader(bool final) const {
    const bool odml = final && riffs_.size() > 1;
    std::vector<std::uint8_t> out;
    PutList(out, "RIFF", 0, "AVI "); // size patched at close
    const std::size_t hdrlAt = out.size();
    PutList(out, "LIST", 0, "hdrl");

    const StreamState* video = nullptr;
    std::uint64_t totalBytes = 0;
    std::uint32_t maxChunk = 0;
    for (const auto& s : streams_) {
        if (!video && s.Spec.BytesPerUnit == 0)
            video = &s;
        totalBytes += s.Bytes;
        maxChunk = std::max(maxChunk, s.MaxChunk);
    }
    MainHeader main{};
    main.MicroSecPerFrame = info_.MicroSecPerFrame;
    std::uint32_t maxBytesPerSec = info_.MaxBytesPerSec;
    if (maxBytesPerSec == 0 && video && video->Units > 0 && info_.MicroSecPerFrame > 0) {
        const double seconds = static_cast<double>(video->Units) * info_.MicroSecPerFrame / 1e6;
        maxBytesPerSec = static_cast<std::uint32_t>(
            std::min(static_cast<double>(totalBytes) / seconds + 0.5, 4294967295.0));
    }
    main.MaxBytesPerSec = maxBytesPerSec;
    main.Flags = info_.Flags;
    main.TotalFrames = static_cast<std::uint32_t>(video ? video->FirstRiffFrames : 0);
    main.Streams = static_cast<std::uint32_t>(streams_.size());
    main.SuggestedBufferSize = maxChunk;
    main.Width = info_.Width;
    main.Height = info_.Height;
    PutChunkHeader(out, "avih", sizeof(MainHeader));
    Put(out, main);

    for (const auto& s : streams_) {
        const auto formatSize = static_cast<std::uint32_t>(s.Spec.Format.size());
        const std::uint32_t strlSize =
            4 + 8 + sizeof(StreamHeader) + 8 + Even(formatSize) + 8 + kSuperIndexBytes;
        PutList(out, "LIST", strlSize, "strl");
        StreamHeader h = s.Spec.Header;
        h.Length = static_cast<std::uint32_t>(std::min<std::uint64_t>(s.Units, 0xFFFFFFFFu));
        h.SuggestedBufferSize = s.MaxChunk;
        PutChunkHeader(out, "strh", sizeof(StreamHeader));
        Put(out, h);
        PutChunkHeader(out, "strf", formatSize);
        out.insert(out.end(), s.Spec.Format.begin(), s.Spec.Format.end());
        if (formatSize & 1u)
            out.push_back(0);
        if (odml) {
            PutChunkHeader(out, "indx", kSuperIndexBytes);
            SuperIndexHeader sh{};
            sh.LongsPerEntry = 4;
            sh.IndexType = 0;
            sh.EntriesInUse = static_cast<std::uint32_t>(s.Super.size());
            sh.ChunkId = s.Spec.ChunkId;
            Put(out, sh);
            for (std::uint32_t i = 0; i < kSuperIndexEntries; ++i)
                Put(out, i < s.Super.size() ? s.Super[i] : SuperIndexEntry{});
        } else {
            PutChunkHeader(out, "JUNK", kSuperIndexBytes);
            out.resize(out.size() + kSuperIndexBytes, 0);
        }
    }
    if (odml) {
        PutList(out, "LIST", kOdmlBytes, "odml");
        PutChunkHeader(out, "dmlh", sizeof(ExtendedHeader));
        ExtendedHeader dmlh{};
        dmlh.TotalFrames = static_cast<std::uint32_t>(video ? video->Units : 0);
        Put(out, dmlh);
    } else {
        PutChunkHeader(out, "JUNK", kOdmlBytes);
        out.resize(out.size() + kOdmlBytes, 0);
    }
    StoreLE<std::uint32_t>(out.data() + hdrlAt + 4,
                           static_cast<std::uint32_t>(out.size() - hdrlAt - 8));
    return out;
}

base::Status AviFile::StartRiff(bool first) {
    Riff r{first ? 0 : position_, position_};
    if (!first) {
        std::vector<std::uint8_t> head;
        PutList(head, "RIFF", 0, "AVIX");
        if (base::Status done = Write(head.data(), head.size()); !done)
            return done;
        r.MoviStart = position_;
    }
    std::vector<std::uint8_t> movi;
    PutList(movi, "LIST", 0, "movi");
    if (base::Status done = Write(movi.data(), movi.size()); !done)
        return done;
    riffs_.push_back(r);
    return {};
}

std::uint64_t AviFile::PendingIndexBytes() const {
    // Standard indexes of every stream (needed if the file goes on), and idx1 in the first RIFF.
    std::uint64_t bytes = 0;
    for (const auto& s : streams_)
        bytes += 8 + sizeof(StdIndexHeader) + sizeof(StdIndexEntry) * (s.Current.size() + 1);
    if (riffs_.size() == 1)
        bytes += 8 + sizeof(OldIndexEntry) * (oldIndex_.size() + 1);
    return bytes;
}

base::Status AviFile::BeginChunk(std::size_t stream, std::uint32_t size, bool key) {
    if (failed_ || closed_ || stream >= streams_.size())
        return SystemFailure(EINVAL);
    const std::uint64_t riffBytes = position_ - riffs_.back().Start;
    const bool hasChunks = std::any_of(streams_.begin(), streams_.end(),
                                       [](const StreamState& s) { return !s.Current.empty(); });
    if (hasChunks && riffBytes + 8 + Even(size) + PendingIndexBytes() > riffLimit_) {
        if (riffs_.size() >= kSuperIndexEntries)
            return SystemFailure(EFBIG);
        if (base::Status done = CloseRiff(); !done)
            return done;
        if (base::Status done = StartRiff(false); !done)
            return done;
    }
    StreamState& s = streams_[stream];
    const IndexEntry entry{position_, size, key};
    s.Current.push_back(entry);
    if (riffs_.size() == 1) {
        oldIndex_.push_back(OldEntry{static_cast<std::uint32_t>(stream), entry});
        if (s.Spec.BytesPerUnit == 0)
            ++s.FirstRiffFrames;
    }
    s.Units += s.Spec.BytesPerUnit == 0 ? 1 : size / s.Spec.BytesPerUnit;
    s.MaxChunk = std::max(s.MaxChunk, size);
    s.Bytes += size;
    std::vector<std::uint8_t> head;
    Put(head, ChunkHeader{s.Spec.ChunkId, size});
    return Write(head.data(), head.size());
}

base::Status AviFile::EndChunk(std::uint32_t size) {
    if (size & 1u) {
        const std::uint8_t zero = 0;
        return Write(&zero, 1);
    }
    return {};
}

base::Status AviFile::WriteChunk(std::size_t stream, std::span<const std::uint8_t> data, bool key) {
    const std::span<const std::uint8_t> one[1] = {data};
    return WriteChunkPieces(stream, one, key);
}

base::Status AviFile::WriteChunkPieces(std::size_t stream,
                                       std::span<const std::span<const std::uint8_t>> pieces,
                                       bool key) {
    if (const base::Status appended = AppendChunk(stream, pieces, key); !appended) {
        failed_ = true;
        return base::Fail("Cannot write " + path_ + ": " + appended.error());
    }
    return {};
}

base::Status AviFile::AppendChunk(std::size_t stream,
                                  std::span<const std::span<const std::uint8_t>> pieces, bool key) {
    std::uint64_t total = 0;
    for (const auto& p : pieces)
        total += p.size();
    if (total > 0x7FFFFFFFu)
        return SystemFailure(EFBIG);
    const auto size = static_cast<std::uint32_t>(total);
    base::Status written = BeginChunk(stream, size, key);
    for (const auto& p : pieces)
        if (written)
            written = Write(p.data(), p.size());
    if (written)
        written = EndChunk(size);
    return written;
}

base::Status AviFile::CloseRiff() {
    const Riff& riff = riffs_.back();
    const bool first = riffs_.size() == 1;
    const bool goesOn = !closed_; // an OpenDML file: every RIFF carries standard indexes
    if (goesOn || riffs_.size() > 1) {
        for (std::size_t i = 0; i < streams_.size(); ++i) {
            StreamState& s = streams_[i];
            std::vector<std::uint8_t> ix;
            const auto bytes = static_cast<std::uint32_t>(sizeof(StdIndexHeader) +
                                                          sizeof(StdIndexEntry) * s.Current.size());
            Put(ix, ChunkHeader{IndexChunkName(i), bytes});
            StdIndexHeader h{};
            h.LongsPerEntry = 2;
            h.IndexType = 1;
            h.EntriesInUse = static_cast<std::uint32_t>(s.Current.size());
            h.ChunkId = s.Spec.ChunkId;
            h.BaseOffset = riff.MoviStart;
            Put(ix, h);
            std::uint64_t units = 0;
            for (const IndexEntry& e : s.Current) {
                StdIndexEntry entry{};
                entry.Offset = static_cast<std::uint32_t>(e.Offset + 8 - riff.MoviStart);
                entry.Size = e.Size | (e.Key ? 0u : kDeltaFrameBit);
                Put(ix, entry);
                units += s.Spec.BytesPerUnit == 0 ? 1 : e.Size / s.Spec.BytesPerUnit;
            }
            SuperIndexEntry super{};
            super.Offset = position_;
            super.Size = static_cast<std::uint32_t>(ix.size());
            super.Duration = static_cast<std::uint32_t>(units);
            s.Super.push_back(super);
            if (base::Status done = Write(ix.data(), ix.size()); !done)
                return done;
        }
    }
    for (auto& s : streams_)
        s.Current.clear();
    // The movi list ends here.
    std::uint8_t size[4];
    StoreLE<std::uint32_t>(size, static_cast<std::uint32_t>(position_ - riff.MoviStart - 8));
    if (base::Status done = WriteAt(riff.MoviStart + 4, size, 4); !done)
        return done;
    if (first) {
        std::vector<std::uint8_t> idx;
        PutChunkHeader(idx, "idx1",
                       static_cast<std::uint32_t>(sizeof(OldIndexEntry) * oldIndex_.size()));
        const std::uint64_t moviType = riff.MoviStart + 8;
        for (const OldEntry& o : oldIndex_) {
            OldIndexEntry e{};
            e.ChunkId = streams_[o.Stream].Spec.ChunkId;
            e.Flags = o.Entry.Key ? kIndexKeyFrame : 0u;
            e.Offset = static_cast<std::uint32_t>(o.Entry.Offset - moviType);
            e.Size = o.Entry.Size;
            Put(idx, e);
        }
        oldIndex_.clear();
        oldIndex_.shrink_to_fit();
        if (base::Status done = Write(idx.data(), idx.size()); !done)
            return done;
    }
    StoreLE<std::uint32_t>(size, static_cast<std::uint32_t>(position_ - riff.Start - 8));
    return WriteAt(riff.Start + 4, size, 4);
}

base::Status AviFile::Close() {
    if (const base::Status finished = Finish(); !finished)
        return base::Fail("Cannot write " + path_ + ": " + finished.error());
    return {};
}

base::Status AviFile::Finish() {
    if (closed_)
        return SystemFailure(EINVAL);
    if (failed_)
        return SystemFailure(EIO);
    closed_ = true;
    base::Status done = CloseRiff();
    if (done) {
        const std::vector<std::uint8_t> header = BuildHeader(true);
        if (header.size() != headerSize_)
            done = SystemFailure(EINVAL);
        else
            done = WriteAt(8, header.data() + 8, header.size() - 8); // RIFF size is already set
    }
    if (done)
        done = Flush();
    if (::close(fd_) != 0 && done)
        done = SystemFailure(errno);
    fd_ = -1;
    return done;
}

std::uint64_t AviFile::ChunkCount(std::size_t stream) const {
    const StreamState& s = streams_.at(stream);
    return s.Spec.BytesPerUnit == 0 ? s.Units : 0;
}

base::Status AviFile::Write(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    position_ += size;
    if (buffer_.size() + size <= kBufferSize) {
        buffer_.insert(buffer_.end(), p, p + size);
        return {};
    }
    if (base::Status done = Flush(); !done)
        return done;
    if (size < kBufferSize) {
        buffer_.insert(buffer_.end(), p, p + size);
        return {};
    }
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed_ = true;
            return SystemFailure(errno);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

base::Status AviFile::Flush() {
    const std::uint8_t* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed_ = true;
            return SystemFailure(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return {};
}

base::Status AviFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    // Patches land either in the part still buffered or in the file itself.
    const std::uint64_t buffered = position_ - buffer_.size();
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint64_t at = offset + i;
        if (at >= buffered) {
            buffer_[static_cast<std::size_t>(at - buffered)] = p[i];
        } else {
            const std::size_t run =
                static_cast<std::size_t>(std::min<std::uint64_t>(size - i, buffered - at));
            const ssize_t n = ::pwrite(fd_, p + i, run, static_cast<off_t>(at));
            if (n != static_cast<ssize_t>(run)) {
                failed_ = true;
                return SystemFailure(n < 0 ? errno : EIO);
            }
            i += run - 1;
        }
    }
    return {};
}

} // namespace media
