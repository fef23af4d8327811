#include "media/video/CompressedVideo.h"

#include "base/ThreadPool.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace media {

namespace {

std::shared_ptr<const imaging::Bitmap> CopyOf(const imaging::Bgr& picture) {
    auto copy = std::make_shared<imaging::Bitmap>(
        imaging::Bitmap::CreateUninitialised(picture.Width, picture.Height));
    std::memcpy(copy->Bits, picture.Bits, static_cast<std::size_t>(picture.ByteSize));
    return copy;
}

// Groups gathered ahead of the one being stored, per worker: enough to keep every worker busy
// while the pictures they hold stay few.
constexpr std::int64_t kAheadPerWorker = 2;

} // namespace

CompressedVideo::~CompressedVideo() {
    StopWorkers();
}

void CompressedVideo::StopWorkers() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    for (auto& t : tasks_)
        t.wait();
    tasks_.clear();
}

base::Result<std::unique_ptr<CompressedVideo>>
CompressedVideo::Create(const VideoEncoderSettings& given, const std::string& spoolFolder,
                        bool replay, int workers) {
    std::unique_ptr<CompressedVideo> v(new CompressedVideo);
    v->workers_ = workers > 0 ? workers : base::ThreadPool::UsableCores();
    v->settings_ = given;
    // The groups share the cores, not a frame's slices: one slice keeps the stream the same
    // whatever the machine and the number of workers.
    v->settings_.Threads = 1;
    auto encoder = VideoEncoder::Create(v->settings_);
    if (!encoder)
        return base::Fail(encoder.error());
    v->bitCount_ = (*encoder)->BitCount();
    v->replay_ = replay;
    v->group_ = std::max(1, static_cast<int>(std::nearbyint(1000.0 / given.FrameTime)));
    auto spool = FrameSpool::Create(spoolFolder);
    if (!spool)
        return base::Fail(spool.error());
    v->spool_ = std::move(*spool);
    if (v->workers_ == 1) {
        v->encoder_ = std::move(*encoder);
        return v;
    }
    v->encoders_.push_back(std::move(*encoder));
    for (int i = 1; i < v->workers_; ++i) {
        auto more = VideoEncoder::Create(v->settings_);
        if (!more)
            return base::Fail(more.error());
        v->encoders_.push_back(std::move(*more));
    }
    for (auto& e : v->encoders_)
        v->tasks_.push_back(
            base::ThreadPool::Shared().Spawn([self = v.get(), e = e.get()] { self->Work(e); }));
    return v;
}

base::Result<CompressedVideo::Encoded> CompressedVideo::EncodeGroup(VideoEncoder& encoder,
                                                                    const Group& group,
                                                                    int groupLength, bool replay) {
    Encoded out;
    if (auto started = encoder.StartGroup(); !started)
        return base::Fail(started.error());
    const std::int64_t first = group.Number * groupLength;
    // The encoder alternates its rounding on every predicted frame, so after an odd number of
    // replays it encodes the replayed picture once more (an unchanged frame, dropped) to keep in
    // step; should that frame change the picture after all, it takes the last replay's place.
    std::int64_t replayedSinceEncode = 0;
    const imaging::Bitmap* replayedPicture = nullptr;
    auto encode = [&](const imaging::Bgr& picture, std::int64_t index) -> base::Status {
        auto encoded = encoder.Encode(picture, index);
        if (!encoded)
            return base::Fail(encoded.error());
        if (encoded->Data.empty())
            return base::Fail("Failed to add Frame. Err: 800440C7");
        out.Outputs.push_back(std::move(*encoded));
        return {};
    };
    for (const Piece& piece : group.Pieces) {
        std::size_t unchanged = SIZE_MAX;
        for (std::int64_t i = 0; i < piece.Count; ++i) {
            if (unchanged != SIZE_MAX) {
                out.Shows.push_back(unchanged);
                ++replayedSinceEncode;
                continue;
            }
            const std::int64_t index = first + static_cast<std::int64_t>(out.Shows.size());
            if (replayedSinceEncode % 2 == 1) {
                if (auto done = encode(*replayedPicture, index - 1); !done)
                    return base::Fail(done.error());
                if (out.Outputs.back().NoChange)
                    out.Outputs.pop_back();
                else
                    out.Shows.back() = out.Outputs.size() - 1;
            }
            replayedSinceEncode = 0;
            if (auto done = encode(*piece.Picture, index); !done)
                return base::Fail(done.error());
            out.Shows.push_back(out.Outputs.size() - 1);
            if (replay && out.Outputs.back().NoChange)
                unchanged = out.Outputs.size() - 1;
        }
        if (replayedSinceEncode > 0)
            replayedPicture = piece.Picture.get(); // the group goes on with this encoder
    }
    return out;
}

void CompressedVideo::Work(VideoEncoder* encoder) {
    for (;;) {
        Group group;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            group = std::move(waiting_.front());
            waiting_.pop_front();
        }
        base::Result<Encoded> encoded = EncodeGroup(*encoder, group, group_, replay_);
        {
            std::lock_guard lock(mutex_);
            const std::int64_t number = group.Number;
            finished_.emplace(number, std::make_pair(std::move(group), std::move(encoded)));
        }
        done_.notify_all();
    }
}

base::Status CompressedVideo::Store(const Group& group, base::Result<Encoded> encoded) {
    if (group.CopyOf >= 0) {
        const auto from = static_cast<std::ptrdiff_t>(group.CopyOf * group_);
        frames_.insert(frames_.end(), frames_.begin() + from, frames_.begin() + from + group_);
        return {};
    }
    if (!encoded)
        return base::Fail(encoded.error());
    std::vector<Frame> places;
    places.reserve(encoded->Outputs.size());
    for (const EncodedFrame& e : encoded->Outputs) {
        auto place = spool_->Append(e.Data);
        if (!place)
            return base::Fail(place.error());
        places.push_back(Frame{place->Offset, place->Size, e.Key});
        ++encoded_;
    }
    for (std::size_t shown : encoded->Shows)
        frames_.push_back(places[shown]);
    return {};
}

base::Status CompressedVideo::StoreReady(bool wait) {
    for (;;) {
        Finished next{Group{}, Encoded{}};
        {
            std::unique_lock lock(mutex_);
            if (stored_ == submitted_)
                return {};
            // Wait while the next group is not done and too many are ahead (or all must end).
            const bool mustWait = wait || submitted_ - stored_ >
                                              kAheadPerWorker * static_cast<std::int64_t>(workers_);
            if (mustWait)
                done_.wait(lock, [&] { return finished_.count(stored_) > 0; });
            auto it = finished_.find(stored_);
            if (it == finished_.end())
                return {};
            next = std::move(it->second);
            finished_.erase(it);
            ++stored_;
        }
        if (auto st = Store(next.first, std::move(next.second)); !st)
            return st;
    }
}

base::Status CompressedVideo::Submit(Group group) {
    if (group.CopyOf < 0 && workers_ == 1) {
        ++submitted_;
        ++stored_;
        return Store(group, EncodeGroup(*encoder_, group, group_, replay_));
    }
    {
        std::lock_guard lock(mutex_);
        const std::int64_t number = group.Number;
        ++submitted_;
        if (group.CopyOf >= 0) {
            finished_.emplace(number, Finished{std::move(group), Encoded{}});
        } else {
            waiting_.push_back(std::move(group));
        }
    }
    wake_.notify_one();
    done_.notify_all();
    return StoreReady(false);
}

base::Status CompressedVideo::Add(const imaging::Bgr& picture, std::int64_t count) {
    if (count <= 0)
        return {};
    ++addNumber_; // a new picture: no earlier group is copied for it
    std::shared_ptr<const imaging::Bitmap> copy;
    while (count > 0) {
        const std::int64_t segment = std::min<std::int64_t>(count, group_ - gathered_);
        const bool whole = gathered_ == 0 && segment == group_;
        count -= segment;
        if (whole && replay_ && templateAdd_ == addNumber_) {
            Group g;
            g.Number = gathering_.Number;
            g.CopyOf = templateGroup_;
            gathering_.Number += 1;
            if (auto st = Submit(std::move(g)); !st)
                return st;
            continue;
        }
        if (whole) {
            templateAdd_ = addNumber_;
            templateGroup_ = gathering_.Number;
        }
        if (!copy)
            copy = CopyOf(picture);
        gathering_.Pieces.push_back(Piece{copy, segment});
        gathered_ += segment;
        if (gathered_ == group_) {
            Group g = std::move(gathering_);
            gathering_ = Group{};
            gathering_.Number = g.Number + 1;
            gathered_ = 0;
            if (auto st = Submit(std::move(g)); !st)
                return st;
        }
    }
    return {};
}

base::Status CompressedVideo::Finish() {
    if (gathered_ > 0) {
        Group g = std::move(gathering_);
        gathering_ = Group{};
        gathering_.Number = g.Number + 1;
        gathered_ = 0;
        if (auto st = Submit(std::move(g)); !st)
            return st;
    }
    return StoreReady(true);
}

base::Result<std::span<const std::uint8_t>> CompressedVideo::Read(const Frame& frame) {
    return spool_->Read(FrameSpool::Place{frame.Offset, frame.Size});
}

} // namespace media
