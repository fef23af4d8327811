// Even loudness on decoded tracks: the meter agrees with ffmpeg's, and a soundtrack of a quiet
// and a loud track (and a peaky one) plays every track at −16 LUFS as ffmpeg's ebur128 filter
// measures it, with no clipped sample and the true peak kept under −1 dBTP.
#include "AudioFiles.h"
#include "media/audio/TrackPcmSource.h"
#include "media/audio/WavFile.h"
#include "media/music/LoudnessMeter.h"
#include "media/music/Mixdown.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

namespace {

using testing_audio::Quote;

struct Measured {
    double Lufs = 0;
    double PeakDbtp = 0;
};

// ffmpeg's meter on the stretch [from, to) seconds of a file (a mono file heard on both sides,
// as the soundtrack plays it).
Measured Ffmpeg(const std::string& file, double from, double to, bool mono = false) {
    const std::string filter = std::string(mono ? "pan=stereo|c0=c0|c1=c0," : "") +
                               "atrim=start=" + std::to_string(from) +
                               ":end=" + std::to_string(to) + ",ebur128=peak=true";
    const std::string command = "ffmpeg -nostats -hide_banner -i " + Quote(file) + " -af " +
                                Quote(filter) + " -f null - 2>&1";
    std::string text;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p))
            text.append(buf, n);
        pclose(p);
    }
    Measured m{NAN, NAN};
    std::smatch match;
    // The summary comes last: take the last of each.
    const std::regex integrated(R"(I:\s+(-?[0-9.]+|-inf) LUFS)"),
        peak(R"(Peak:\s+(-?[0-9.]+|-inf))");
    for (auto it = text.cbegin(); std::regex_search(it, text.cend(), match, integrated);
         it = match[0].second)
        m.Lufs = std::stod(match[1]);
    for (auto it = text.cbegin(); std::regex_search(it, text.cend(), match, peak);
         it = match[0].second)
        m.PeakDbtp = std::stod(match[1]);
    return m;
}

TEST(EvenLoudness, TracksAtMinus30AndMinus10BothPlayAtMinus16) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    auto sox = [&](const std::string& name, const std::string& rest) {
        EXPECT_TRUE(testing_audio::RunTool("sox " + rest.substr(0, rest.find('@')) +
                                           Quote(files.Path(name)) +
                                           rest.substr(rest.find('@') + 1)));
        return files.Path(name);
    };
    const std::string quiet =
        sox("quiet.wav", "-n -r 22050 -c 1 -b 16 @ synth 12 sine 440 vol 0.034");
    const std::string loud =
        files.Mp3("loud.mp3",
                  sox("loud.wav", "-n -r 44100 -c 2 -b 16 @ synth 12 sine 660 vol 0.34"), "-b 192");
    // A quiet tone with a short burst near full scale every 2 s: its peaks forbid lifting it.
    const std::string bed = sox("bed.wav", "-n -r 44100 -c 2 -b 16 @ synth 12 sine 440 vol 0.03");
    const std::string bursts =
        sox("bursts.wav",
            "-n -r 44100 -c 2 -b 16 @ synth 0.003 sine 1000 vol 0.85 pad 0 1.997 repeat 5");
    const std::string peaky =
        sox("peaky.wav", "-m -v 1 " + Quote(bed) + " -v 1 " + Quote(bursts) + " @");
    const std::string tracks[] = {quiet, loud, peaky};

    // The meter on the decoded tracks, beside ffmpeg's on the files.
    const double planned[] = {-30, -10};
    for (int i = 0; i < 3; ++i) {
        auto source = media::OpenTrackPcmSource(tracks[i]);
        ASSERT_TRUE(source) << source.error();
        auto ours = media::MeasureLoudness(**source, nullptr);
        ASSERT_TRUE(ours) << ours.error();
        const Measured theirs = Ffmpeg(tracks[i], 0, 12, i == 0);
        EXPECT_NEAR(ours->IntegratedLufs, theirs.Lufs, 0.3) << tracks[i];
        EXPECT_NEAR(ours->TruePeakDbtp, theirs.PeakDbtp, 0.3) << tracks[i];
        if (i < 2) {
            EXPECT_NEAR(ours->IntegratedLufs, planned[i], 1.0) << tracks[i];
        }
    }

    media::MixPlan plan;
    plan.EvenLoudness = true;
    plan.VideoMs = 36000;
    for (const std::string& t : tracks) {
        media::MixTrack track; // loudness not measured yet: measured on the way
        track.WorkFile = t;
        track.PlayMs = 12000;
        plan.Tracks.push_back(track);
    }
    media::TemporaryFiles temporary;
    base::NoProgress progress;
    auto pieces = media::DecodeSoundtrack(plan, media::OpenTrackPcmSource, temporary, progress);
    ASSERT_TRUE(pieces) << pieces.error();
    ASSERT_EQ(pieces->Queue.size(), 1u);
    const std::string mix = pieces->Queue[0].Path;

    for (int i = 0; i < 2; ++i) {
        const Measured m = Ffmpeg(mix, 12.0 * i, 12.0 * (i + 1));
        EXPECT_NEAR(m.Lufs, media::kTargetLufs, 0.5) << "track " << i;
    }
    const Measured held = Ffmpeg(mix, 24, 36);
    EXPECT_LT(held.Lufs, media::kTargetLufs - 1); // held back by its peaks
    EXPECT_LE(held.PeakDbtp, media::kMaxTruePeakDbtp + 0.2);
    EXPECT_GT(held.PeakDbtp, media::kMaxTruePeakDbtp - 1); // lifted up to the limit

    auto reader = media::WavReader::Open(mix);
    ASSERT_TRUE(reader);
    std::vector<std::uint8_t> bytes((*reader)->Info().DataSize);
    ASSERT_EQ(*(*reader)->Read(bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(bytes.size(), 36u * 44100 * 4); // at the highest rate of its tracks
    int clipped = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto s = static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8);
        clipped += s >= 32767 || s <= -32767;
    }
    EXPECT_EQ(clipped, 0);

    // Volume on top: half the slider is 6 dB less than even.
    plan.Tracks.resize(1);
    plan.VideoMs = 12000;
    plan.Tracks[0].Volume = 50;
    auto half = media::DecodeSoundtrack(plan, media::OpenTrackPcmSource, temporary, progress);
    ASSERT_TRUE(half);
    EXPECT_NEAR(Ffmpeg(half->Queue[0].Path, 0, 12).Lufs, media::kTargetLufs - 6.02, 0.5);
}

} // namespace
