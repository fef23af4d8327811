#include "media/Mixdown.h"

#include "base/Endian.h"

#include <algorithm>
#include <cstdio>

namespace media {

TemporaryFiles::~TemporaryFiles() {
    RemoveAll();
}

void TemporaryFiles::RemoveAll() {
    for (const std::string& p : paths_)
        std::remove(p.c_str());
    paths_.clear();
}

void ApplyVolume(std::uint8_t* samples, std::size_t bytes, const PcmFormat& format, int volume) {
    volume = std::clamp(volume, 0, 100);
    if (volume == 100)
        return;
    if (format.Bits == 8) {
        for (std::size_t i = 0; i < bytes; ++i)
            samples[i] = static_cast<std::uint8_t>((samples[i] - 128) * volume / 100 + 128);
        return;
    }
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const auto s = base::LoadLE<std::int16_t>(samples + i);
        base::StoreLE<std::int16_t>(samples + i, static_cast<std::int16_t>(s * volume / 100));
    }
}

base::Status DecodeTrackToWav(PcmSource& source, const std::string& wavPath,
                              std::int64_t limitSeconds, int volume, base::Progress* progress) {
    const PcmFormat format = source.Format();
    auto writer = WavWriter::Create(wavPath, format);
    if (!writer)
        return base::Fail(writer.error());
    const std::size_t block = format.BlockAlign();
    std::uint64_t left = static_cast<std::uint64_t>(std::max<std::int64_t>(limitSeconds, 0)) *
                         format.SampleRate * block;
    std::vector<std::uint8_t> buffer(10240 - 10240 % block);
    while (left > 0) {
        auto got = source.Read(
            buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), left)));
        if (!got || *got == 0)
            break; // a decoder that fails midway ends the track where it got to
        const std::size_t n = std::min<std::size_t>(*got, static_cast<std::size_t>(left));
        ApplyVolume(buffer.data(), n, format, volume);
        if (auto st = (*writer)->Append({buffer.data(), n}); !st)
            return st;
        left -= n;
        if (progress)
            progress->Pump();
    }
    return (*writer)->Close();
}

base::Result<SoundtrackPieces> DecodeSoundtrack(const std::vector<SoundtrackTrack>& tracks,
                                                std::int64_t videoSeconds,
                                                const PcmSourceOpener& open, TemporaryFiles& files,
                                                base::Progress& progress) {
    SoundtrackPieces out;
    std::int64_t end = 0; // where the running sum of play lengths has got to
    for (const SoundtrackTrack& t : tracks) {
        if (progress.Cancelled()) {
            out.Cancelled = true;
            break;
        }
        const std::int64_t start = end;
        end += std::max<std::int32_t>(t.PlaySeconds, 0);
        if (start >= videoSeconds)
            break; // this track and the ones after it start after the video ends
        const std::int64_t limit = std::min<std::int64_t>(end, videoSeconds) - start;
        const std::string wav = t.WorkFile + ".wav";
        auto source = open(t.WorkFile);
        if (!source) {
            out.LeftOut.push_back(t.WorkFile);
            continue;
        }
        files.Add(wav);
        if (auto st = DecodeTrackToWav(**source, wav, limit, t.Volume, &progress); !st)
            return base::Fail(st.error());
        out.Queue.push_back(QueuedWav{
            wav, static_cast<std::int32_t>(std::min<std::int64_t>(start * 1000, 0x7FFFFFFF))});
    }
    return out;
}

} // namespace media
