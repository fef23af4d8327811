#include "media/video/SoundtrackAac.h"

#include "base/ThreadPool.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>

namespace media {

base::Result<std::unique_ptr<SoundtrackAac>> SoundtrackAac::Start(std::vector<SoundPiece> pieces,
                                                                  const std::string& spoolFolder) {
    std::unique_ptr<SoundtrackAac> s(new SoundtrackAac);
    if (pieces.empty())
        return s; // no music: no sound, and neither a thread nor a spool for it
    auto spool = FrameSpool::Create(spoolFolder);
    if (!spool)
        return base::Fail(spool.error());
    s->spool_ = std::move(*spool);
    s->done_ =
        base::ThreadPool::Shared().Spawn([self = s.get(), pieces = std::move(pieces)]() mutable {
            self->result_ = self->Encode(std::move(pieces));
        });
    return s;
}

SoundtrackAac::~SoundtrackAac() {
    stop_ = true;
    if (done_.valid())
        done_.wait();
}

base::Status SoundtrackAac::Wait() {
    if (done_.valid())
        done_.wait();
    return result_;
}

base::Status SoundtrackAac::Encode(std::vector<SoundPiece> pieces) {
    auto soundtrack = SoundtrackReader::OpenPieces(std::move(pieces));
    const PcmFormat pcm = soundtrack->Format();
    if (!pcm.Valid())
        return {}; // no piece could be read: no sound
    auto encoder = AacEncoder::Create(pcm);
    if (!encoder)
        return base::Fail(encoder.error());
    auto keep = [this](AVPacket& p) -> base::Status {
        auto place = spool_->Append({p.data, static_cast<std::size_t>(p.size)});
        if (!place)
            return base::Fail(place.error());
        packets_.push_back(Packet{*place, p.pts, p.duration});
        return {};
    };
    // A tenth of a second at a time, so a stop request is seen at once.
    std::vector<std::uint8_t> samples;
    const auto block = static_cast<std::size_t>(pcm.SampleRate / 10 + 1);
    while (!stop_) {
        samples.resize(block * pcm.BlockAlign());
        auto got = soundtrack->Read(samples.data(), block);
        if (!got)
            return base::Fail("Unable to read the soundtrack: " + got.error());
        if (*got == 0)
            break;
        if (auto st = (*encoder)->Encode(samples.data(), *got, keep); !st)
            return st;
    }
    if (stop_)
        return base::Fail("The soundtrack's encoding was stopped");
    if (auto st = (*encoder)->Finish(keep); !st)
        return st;
    if (auto st = spool_->Flush(); !st)
        return st;
    encoder_ = std::move(*encoder);
    return {};
}

} // namespace media
