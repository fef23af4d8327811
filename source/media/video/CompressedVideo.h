// CompressedVideo: the compressed frames of one video, encoded key-frame group by key-frame group
// and kept in a FrameSpool until the AVI is written. A still shown for many frames costs almost
// nothing: within a group the picture is encoded until a frame comes out unchanged, whose bytes
// are then replayed for the rest of the group; a whole group of the same picture is replayed
// for later groups. The result decodes frame for frame like encoding every frame.
//
// Every group starts a fresh encoder, so groups are independent: with more than one worker, whole
// groups are encoded at the same time by dedicated tasks of the thread pool (each with its encoder)
// while the caller goes on composing, and their frames are stored in order as they complete. The
// stream is the same byte for byte whatever the number of workers.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "media/video/FrameSpool.h"
#include "media/video/VideoEncoder.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace media {

class CompressedVideo {
public:
    // One frame of the stream: where its bytes lie in the spool.
    struct Frame {
        std::uint64_t Offset = 0;
        std::uint32_t Size = 0;
        bool Key = false;
    };

    ~CompressedVideo();
    CompressedVideo(const CompressedVideo&) = delete;
    CompressedVideo& operator=(const CompressedVideo&) = delete;

    // spoolFolder holds the temporary file. replay false encodes every frame (for comparisons).
    // workers: groups encoded at a time (0: one per core the process may use; 1: all on the
    // caller's thread). Each encoder works on a single slice, so the stream is the same whatever
    // the number of workers or cores.
    static base::Result<std::unique_ptr<CompressedVideo>>
    Create(const VideoEncoderSettings& settings, const std::string& spoolFolder, bool replay = true,
           int workers = 0);

    // Appends `count` frames showing the picture (of the settings' size).
    base::Status Add(const imaging::Bgr& picture, std::int64_t count);
    // Encodes the last group and waits for every worker; Frames() is complete afterwards.
    base::Status Finish();

    const std::vector<Frame>& Frames() const { return frames_; }
    int GroupLength() const { return group_; }
    std::uint16_t BitCount() const { return bitCount_; }
    int Workers() const { return workers_; }
    // The bytes of a frame; valid until the next call.
    base::Result<std::span<const std::uint8_t>> Read(const Frame& frame);
    // Frames actually encoded (the rest were replayed).
    std::int64_t EncodedCount() const { return encoded_; }

    // One picture shown for `Count` frames of a group (the picture is shared by the group's
    // pieces of one Add).
    struct Piece {
        std::shared_ptr<const imaging::Bitmap> Picture;
        std::int64_t Count = 0;
    };
    // A group to encode, or (Pieces empty) a copy of an earlier whole group of the same picture.
    struct Group {
        std::int64_t Number = 0;
        std::vector<Piece> Pieces;
        std::int64_t CopyOf = -1;
    };
    // A group's encoded frames: Outputs in encoding order, and for each frame of the group the
    // output it shows (replayed frames share one).
    struct Encoded {
        std::vector<EncodedFrame> Outputs;
        std::vector<std::size_t> Shows;
    };

private:
    // A group done by a worker, or the encoder's failure on it.
    using Finished = std::pair<Group, base::Result<Encoded>>;

    CompressedVideo() = default;
    static base::Result<Encoded> EncodeGroup(VideoEncoder& encoder, const Group& group,
                                             int groupLength, bool replay);
    base::Status Submit(Group group);
    base::Status StoreReady(bool wait);
    base::Status Store(const Group& group, base::Result<Encoded> encoded);
    void Work(VideoEncoder* encoder);
    void StopWorkers();

    VideoEncoderSettings settings_;
    std::unique_ptr<VideoEncoder> encoder_; // the caller's own, with one worker
    std::unique_ptr<FrameSpool> spool_;
    std::vector<Frame> frames_;
    int group_ = 25;
    bool replay_ = true;
    std::uint16_t bitCount_ = 24;
    std::int64_t encoded_ = 0;

    // The group being gathered, and the Add it continues (for whole-group copies).
    Group gathering_;
    std::int64_t gathered_ = 0;
    std::int64_t addNumber_ = 0;
    std::int64_t templateAdd_ = -1; // the Add whose whole group can be copied, and that group
    std::int64_t templateGroup_ = -1;

    // Workers: groups waiting, groups done (by number), the next number to store.
    int workers_ = 1;
    std::vector<std::unique_ptr<VideoEncoder>> encoders_;
    std::vector<std::future<void>> tasks_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<Group> waiting_;
    std::map<std::int64_t, Finished> finished_;
    std::int64_t submitted_ = 0;
    std::int64_t stored_ = 0;
    bool stopping_ = false;
};

} // namespace media
