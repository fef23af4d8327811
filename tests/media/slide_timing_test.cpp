// The show's frames from exact slide durations, the tracks' places as the soundtrack plays them,
// fitting the photos to a decoded track, and cuts moved onto the beats libaubio finds in a mixed
// click track.
#include "AudioFiles.h"
#include "base/Endian.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/BeatCuts.h"
#include "media/music/BeatTracker.h"
#include "media/music/Mixdown.h"
#include "media/music/ShowMix.h"
#include "media/music/SoundtrackMixer.h"
#include "project/ShowModel.h"
#include "render/ShowTimeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>
#include <utility>

namespace render {

void PrintTo(const TrackTime& t, std::ostream* os) {
    *os << "track " << t.Track << " " << t.StartMs << ".." << t.EndMs << " ms, fades " << t.FadeInMs
        << "/" << t.FadeOutMs << (t.Heard ? "" : ", not heard");
}

} // namespace render

namespace {

using render::SlideTime;
using render::TrackTime;

std::vector<SlideTime> Varied(int count) {
    std::vector<SlideTime> slides;
    for (int i = 0; i < count; ++i)
        slides.push_back({1000 + (i * 733) % 2917, (i % 3) * 517});
    return slides;
}

TEST(SlideTiming, EveryBoundaryLandsWithinHalfAFrameWithoutDrift) {
    const auto slides = Varied(500);
    for (const render::FrameRate rate :
         {render::FrameRate{25, 1}, render::FrameRate{30000, 1001}}) {
        const auto frames = render::ShowTimeline(slides).Spans(rate);
        ASSERT_EQ(frames.size(), slides.size());
        const double frameMs = 1000.0 * rate.Den / rate.Num;
        std::int64_t planned = 0;
        for (std::size_t i = 0; i < slides.size(); ++i) {
            EXPECT_NEAR(frames[i].First * frameMs, planned, frameMs / 2 + 1e-9);
            planned += slides[i].StillMs;
            EXPECT_NEAR(frames[i].Cut * frameMs, planned, frameMs / 2 + 1e-9) << i;
            planned += slides[i].TransitionMs;
            if (i + 1 < slides.size()) {
                EXPECT_EQ(frames[i].End, frames[i + 1].First);
            }
        }
        EXPECT_NEAR(frames.back().End * frameMs, planned, frameMs / 2 + 1e-9);
    }
    // Whole seconds at 25 frames per second: 25 frames a second, as before.
    const auto whole =
        render::ShowTimeline({{3000, 2000}, {0, 1000}, {-5, -5}}).Spans(render::FrameRate{});
    EXPECT_EQ(whole[0].Still(), 75);
    EXPECT_EQ(whole[0].Transition(), 50);
    EXPECT_EQ(whole[1].Still(), 0);
    EXPECT_EQ(whole[1].Transition(), 25);
    EXPECT_EQ(whole[2].End, 150);
    EXPECT_EQ(render::ShowTimeline::FrameAt(20, {}), 1); // halves round up
    EXPECT_EQ(render::ShowTimeline::FrameAt(19, {}), 0);
}

// 8 kHz stereo at one level (0: silence) for a minute, longer than any track plays.
class LevelTrack final : public media::PcmSource {
public:
    explicit LevelTrack(std::int16_t level) : level_(level) {}
    media::PcmFormat Format() const override { return {8000, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const auto n = std::min<std::int64_t>(left_, static_cast<std::int64_t>(size / 4));
        for (std::int64_t i = 0; i < 2 * n; ++i)
            base::StoreLE<std::int16_t>(out + 2 * i, level_);
        left_ -= n;
        return static_cast<std::size_t>(n * 4);
    }

private:
    std::int64_t left_ = 60 * 8000;
    std::int16_t level_;
};

constexpr std::int16_t kSoloLevel = 28000; // under the limiter's threshold

// The soundtrack the export writes for a video of videoMs (its plain pieces or its mix, as the
// plan asks), with only track `solo` sounding: the left channel, 8 samples a millisecond.
std::vector<int> SoloSoundtrack(const project::ShowContent& show, std::int64_t videoMs,
                                std::size_t solo) {
    const media::PcmSourceOpener open = [&](const std::string& file) {
        const bool heard = file == show.Sounds[solo].WorkFile;
        return base::Result<std::unique_ptr<media::PcmSource>>(
            std::make_unique<LevelTrack>(heard ? kSoloLevel : 0));
    };
    base::NoProgress quiet;
    const media::SoundtrackStream stream =
        media::SoundtrackOf(media::MixPlanOf(show, videoMs), open, quiet);
    std::vector<int> left;
    std::vector<std::uint8_t> buf(4096);
    for (const media::SoundPiece& piece : stream.Pieces) {
        auto source = piece.Open();
        if (!source || !*source)
            continue;
        std::size_t at = static_cast<std::size_t>(piece.StartMs) * 8;
        while (auto got = *(*source)->Read(buf.data(), buf.size())) {
            left.resize(std::max(left.size(), at + got / 4));
            for (std::size_t i = 0; i < got; i += 4)
                left[at++] += base::LoadLE<std::int16_t>(buf.data() + i);
        }
    }
    return left;
}

// The equal-power gain of a track's place at ms, as its fades describe it.
double PlaceGain(const TrackTime& t, double ms) {
    const auto rise = [](double x) { return x >= 1 ? 1.0 : std::sin(M_PI / 2 * x); };
    const double in = t.FadeInMs > 0 ? rise((ms - t.StartMs) / t.FadeInMs) : 1.0;
    const double out = t.FadeOutMs > 0 ? rise((t.EndMs - ms) / t.FadeOutMs) : 1.0;
    return in * out;
}

struct RowTrack {
    std::int32_t PlaySeconds;
    double FadeInSeconds, FadeOutSeconds;
};

struct TrackLayoutRow {
    const char* What;
    std::int64_t ShowMs;
    double CrossfadeSeconds;
    std::vector<RowTrack> Tracks;
    std::vector<TrackTime> Places; // worked out by hand: every track, in order
};

// The tracks' places on the show's clock, as the storyboard and the preview take them from the
// record, are where the exported soundtrack plays each track: silent before its start, heard
// from there to its end (or the video's), its fades and cross-fades where the places say; a
// track that is not heard is silent throughout.
TEST(TrackLayout, TheTimelinePlacesTracksWhereTheSoundtrackPlaysThem) {
    const TrackLayoutRow rows[] = {
        {"end to end, the show outlasting the music, a track of no length between",
         10'000,
         0,
         {{3, 0, 0}, {0, 0, 0}, {4, 0, 0}},
         {{0, 0, 3000, 0, 0, true}, {1, 3000, 3000, 0, 0, false}, {2, 3000, 7000, 0, 0, true}}},
        {"end to end, the show ending in the second track: the third is never heard",
         5000,
         0,
         {{3, 0, 0}, {3, 0, 0}, {2, 0, 0}},
         {{0, 0, 3000, 0, 0, true}, {1, 3000, 6000, 0, 0, true}, {2, 6000, 8000, 0, 0, false}}},
        {"a cross-fade lengthens the shorter own fades and keeps the longer ones",
         20'000,
         1.5,
         {{4, 0, 0}, {3, 0.5, 0}, {5, 0, 2}},
         {{0, 0, 4000, 0, 1500, true},
          {1, 2500, 5500, 1500, 1500, true},
          {2, 4000, 9000, 1500, 2000, true}}},
        {"a track shorter than the cross-fade: the next starts with it, fades cut to its length",
         12'000,
         3,
         {{5, 0, 0}, {2, 0, 0}, {4, 0, 0}},
         {{0, 0, 5000, 0, 3000, true},
          {1, 2000, 4000, 2000, 2000, true},
          {2, 2000, 6000, 2000, 0, true}}},
        {"cross-faded, the show ending first: no fade towards the track that is never heard",
         6000,
         1,
         {{4, 0, 0}, {4, 0, 0}, {4, 0, 0}},
         {{0, 0, 4000, 0, 1000, true},
          {1, 3000, 7000, 1000, 0, true},
          {2, 6000, 10'000, 0, 0, false}}},
    };
    for (const TrackLayoutRow& row : rows) {
        SCOPED_TRACE(row.What);
        project::ShowContent show;
        project::Slide slide = project::Slide::MakeDefault();
        slide.StillMs = row.ShowMs;
        slide.TransitionMs = 0;
        show.Slides.push_back(slide);
        show.Options.TrackCrossfadeSeconds = row.CrossfadeSeconds;
        for (const RowTrack& r : row.Tracks) {
            project::Track t = project::Track::MakeDefault();
            t.WorkFile = "track" + std::to_string(show.Sounds.size());
            t.PlaySeconds = r.PlaySeconds;
            t.LengthSeconds = r.PlaySeconds + 1; // played in part: its file is not measured
            t.Ext.FadeInSeconds = r.FadeInSeconds;
            t.Ext.FadeOutSeconds = r.FadeOutSeconds;
            show.Sounds.push_back(t);
        }
        const auto places = render::TrackPlaces(render::TrackPlan::Of(show), row.ShowMs);
        EXPECT_EQ(places, row.Places);
        std::vector<TrackTime> heard;
        std::copy_if(row.Places.begin(), row.Places.end(), std::back_inserter(heard),
                     [](const TrackTime& t) { return t.Heard; });
        EXPECT_EQ(media::LayOutTracks(media::MixPlanOf(show, row.ShowMs)), heard);

        for (const TrackTime& place : places) {
            SCOPED_TRACE(testing::PrintToString(place));
            const std::vector<int> sound = SoloSoundtrack(show, row.ShowMs, place.Track);
            const auto sample = [&](double i) {
                return i >= 0 && i < static_cast<double>(sound.size())
                           ? sound[static_cast<std::size_t>(i)]
                           : 0;
            };
            if (!place.Heard) {
                EXPECT_TRUE(std::all_of(sound.begin(), sound.end(), [](int v) { return v == 0; }));
                continue;
            }
            const std::int64_t end = std::min(place.EndMs, row.ShowMs);
            const std::int64_t start = place.StartMs * 8;
            EXPECT_EQ(sample(start - 1), 0);
            EXPECT_NE(sample(start + 8), 0); // 1 ms in, a fade-in has begun
            EXPECT_NE(sample(end * 8 - 1), 0);
            EXPECT_EQ(sample(end * 8), 0);
            // Halfway through each fade, and halfway between them.
            const double middle =
                (place.StartMs + place.FadeInMs + place.EndMs - place.FadeOutMs) / 2.0;
            for (const double ms : {place.StartMs + place.FadeInMs / 2.0, middle,
                                    place.EndMs - place.FadeOutMs / 2.0}) {
                if (ms >= static_cast<double>(end))
                    continue;
                EXPECT_NEAR(sample(ms * 8) / double{kSoloLevel}, PlaceGain(place, ms), 0.01)
                    << ms << " ms";
            }
        }
    }
}

TEST(SlideTiming, AHundredSlidesFitADecodedTrackOf307Point3Seconds) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    const std::string track = files.Wav("fit.wav", 307.3, "-r 8000 -c 1 -b 16");
    auto source = media::OpenTrackPcmSource(track);
    ASSERT_TRUE(source) << source.error();
    std::int64_t samples = 0;
    std::vector<std::uint8_t> buf(1 << 16);
    while (auto got = *(*source)->Read(buf.data(), buf.size()))
        samples += static_cast<std::int64_t>(got / 2);
    const std::int64_t musicMs = samples * 1000 / 8000;
    ASSERT_EQ(musicMs, 307300);

    const auto slides = Varied(100);
    const auto fitted = render::FitSlidesToMusic(slides, musicMs);
    ASSERT_EQ(fitted.size(), 100u);
    const auto frames = render::ShowTimeline(fitted).Spans(render::FrameRate{});
    EXPECT_LE(std::abs(frames.back().End * 40 - musicMs), 40);
    EXPECT_EQ(render::ShowTimeline(fitted).LengthMs(), musicMs);
    // Proportions kept: every part scaled by the same factor, to the millisecond.
    const double k = static_cast<double>(musicMs) / render::ShowTimeline(slides).LengthMs();
    for (std::size_t i = 0; i < slides.size(); ++i) {
        EXPECT_NEAR(fitted[i].StillMs, slides[i].StillMs * k, 1.0) << i;
        EXPECT_NEAR(fitted[i].TransitionMs, slides[i].TransitionMs * k, 1.0) << i;
    }
    EXPECT_EQ(render::FitSlidesToMusic({{0, 0}}, 5000)[0].StillMs, 0); // nothing to scale
}

// Fitted around kept slides (clips): each kept still and the transitions beside it stay to the
// millisecond, the rest share what is left of the music in their proportions, and the show ends
// with the music exactly; music shorter than the kept parts leaves the rest nothing.
TEST(SlideTiming, FittingAroundKeptSlidesKeepsThemAndEndsWithTheMusic) {
    const auto slides = Varied(60);
    std::vector<bool> kept(slides.size());
    for (std::size_t i = 0; i < kept.size(); i += 7)
        kept[i] = kept[i + 1] = true; // two clips side by side share the transition between them
    kept.back() = true;
    const std::int64_t keptMs = render::KeptLengthMs(slides, kept);
    const std::int64_t total = render::ShowTimeline(slides).LengthMs();
    ASSERT_GT(keptMs, 0);
    ASSERT_LT(keptMs, total);
    const auto beside = [&](std::size_t i) {
        return kept[i] || (i + 1 < kept.size() && kept[i + 1]);
    };
    for (const std::int64_t musicMs : {total / 2 + keptMs / 2, 3 * total}) {
        const auto fitted = render::FitSlidesToMusic(slides, musicMs, kept);
        ASSERT_EQ(fitted.size(), slides.size());
        EXPECT_EQ(render::ShowTimeline(fitted).LengthMs(), musicMs);
        const double k =
            static_cast<double>(musicMs - keptMs) / static_cast<double>(total - keptMs);
        for (std::size_t i = 0; i < slides.size(); ++i) {
            if (kept[i]) {
                EXPECT_EQ(fitted[i].StillMs, slides[i].StillMs) << i;
            } else {
                EXPECT_NEAR(fitted[i].StillMs, slides[i].StillMs * k, 1.0) << i;
            }
            if (beside(i)) {
                EXPECT_EQ(fitted[i].TransitionMs, slides[i].TransitionMs) << i;
            } else {
                EXPECT_NEAR(fitted[i].TransitionMs, slides[i].TransitionMs * k, 1.0) << i;
            }
        }
    }
    const auto squeezed = render::FitSlidesToMusic(slides, keptMs / 2, kept);
    EXPECT_EQ(render::ShowTimeline(squeezed).LengthMs(), keptMs);
    EXPECT_EQ(squeezed[2].StillMs, 0);
}

// The plan's cost as the rule states it: first how many cuts while the music plays miss a beat
// (a kept slide's cut follows the others and misses nothing), then the total change of the stills.
std::pair<int, std::int64_t> PlanCost(const std::vector<SlideTime>& slides,
                                      const std::vector<SlideTime>& cut,
                                      const std::vector<double>& beats, std::int64_t musicEnd,
                                      const std::vector<bool>& kept) {
    const auto planned = render::ShowTimeline(slides).CutTimesMs();
    const auto now = render::ShowTimeline(cut).CutTimesMs();
    std::pair<int, std::int64_t> cost{0, 0};
    for (std::size_t i = 0; i < slides.size(); ++i) {
        cost.second += std::llabs(cut[i].StillMs - slides[i].StillMs);
        if (planned[i] < musicEnd && !kept[i] &&
            std::find(beats.begin(), beats.end(), static_cast<double>(now[i])) == beats.end())
            ++cost.first;
    }
    return cost;
}

// Every way to place the cuts that the rules allow, tried one by one: each cut on a beat near
// its planned time (or the earliest beat it can have), or off the beat at its still (or the
// least one allowed); a kept slide's cut only at its still.
void BestPlan(const std::vector<SlideTime>& slides, const std::vector<double>& beats,
              std::int64_t musicEnd, const std::vector<bool>& kept, std::vector<SlideTime>& plan,
              std::size_t i, std::int64_t start, std::int64_t forced,
              std::pair<int, std::int64_t>& best) {
    const auto planned = render::ShowTimeline(slides).CutTimesMs();
    if (i == slides.size() || planned[i] >= musicEnd) {
        std::vector<SlideTime> whole = plan;
        for (std::size_t k = i; k < slides.size(); ++k)
            whole.push_back(slides[k]);
        best = std::min(best, PlanCost(slides, whole, beats, musicEnd, kept));
        return;
    }
    const std::int64_t still = slides[i].StillMs, transition = slides[i].TransitionMs;
    if (kept[i]) {
        plan.push_back(slides[i]);
        BestPlan(slides, beats, musicEnd, kept, plan, i + 1, start + still + transition,
                 forced + still + transition, best);
        plan.pop_back();
        return;
    }
    const std::int64_t least = std::min<std::int64_t>(still, media::kMinBeatStillMs);
    const auto first = std::lower_bound(beats.begin(), beats.end(), forced + least);
    forced = first == beats.end() ? forced + least : static_cast<std::int64_t>(*first);
    std::vector<std::int64_t> cuts{std::max(start + still, start + least)};
    for (double b : beats)
        if (b >= start + least && b >= std::min(planned[i], forced) - media::kMaxBeatShiftMs &&
            b <= std::max(planned[i], forced) + media::kMaxBeatShiftMs)
            cuts.push_back(static_cast<std::int64_t>(b));
    for (std::int64_t cut : cuts) {
        plan.push_back({cut - start, transition});
        BestPlan(slides, beats, musicEnd, kept, plan, i + 1, cut + transition, forced + transition,
                 best);
        plan.pop_back();
    }
}

// The plan over the whole show is the best one: compared with every plan the rules allow on
// small shows, it misses no more beats and changes the stills no more. Stills never go below one
// second (or their own length), transitions stay, and cuts after the music keep their stills.
// From round 40 on, a slide or two are kept (clips, whose trims set their stills): they keep their
// stills and the plan is still the best for the others.
TEST(BeatCuts, ThePlanOverTheWholeShowIsTheBest) {
    std::uint32_t state = 12345;
    const auto next = [&](int range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(range));
    };
    for (int round = 0; round < 70; ++round) {
        std::vector<SlideTime> slides;
        for (int i = 0, n = 2 + next(4); i < n; ++i)
            slides.push_back({300 + next(2500), next(3) * 400});
        std::vector<double> beats;
        for (double t = next(400); t < 16000; t += 350 + next(900))
            beats.push_back(t);
        const std::int64_t musicEnd = round % 3 == 0 ? 4000 : 60000;
        std::vector<bool> kept(slides.size());
        for (int k = 0; round >= 40 && k < 1 + round % 2; ++k)
            kept[static_cast<std::size_t>(next(static_cast<int>(slides.size())))] = true;
        const auto cut = media::CutOnBeats(slides, beats, musicEnd, kept);
        ASSERT_EQ(cut.size(), slides.size());
        const auto planned = render::ShowTimeline(slides).CutTimesMs();
        for (std::size_t i = 0; i < slides.size(); ++i) {
            EXPECT_EQ(cut[i].TransitionMs, slides[i].TransitionMs);
            EXPECT_GE(cut[i].StillMs, std::min<std::int64_t>(slides[i].StillMs, 1000));
            if (planned[i] >= musicEnd || kept[i]) {
                EXPECT_EQ(cut[i].StillMs, slides[i].StillMs) << round << " " << i;
            }
        }
        std::vector<SlideTime> plan;
        std::pair<int, std::int64_t> best{1 << 30, 0};
        BestPlan(slides, beats, musicEnd, kept, plan, 0, 0, 0, best);
        EXPECT_EQ(PlanCost(slides, cut, beats, musicEnd, kept), best) << "round " << round;
    }
    // What moved is told: how many cuts and the largest move.
    const media::CutsMoved moved =
        media::CompareCuts({{1000, 0}, {1000, 0}, {1000, 0}}, {{1200, 0}, {1000, 0}, {700, 0}});
    EXPECT_EQ(moved.Cuts, 3u); // at 1.2, 2.2 and 2.9 s instead of 1, 2 and 3 s
    EXPECT_EQ(moved.LargestMs, 200);
}

// Clicks every `periodMs` for `seconds`, mixed and found by the beat tracker as the show's are.
std::vector<double> ClickBeats(const std::string& name, double periodMs, int seconds) {
    auto& files = testing_audio::AudioFiles::Get();
    const std::string clicks = files.Path(name);
    const int repeats = static_cast<int>(seconds * 1000 / periodMs);
    const std::string pad = std::to_string((periodMs - 10) / 1000.0);
    EXPECT_TRUE(testing_audio::RunTool(
        "sox -n -r 44100 -c 2 -b 16 " + testing_audio::Quote(clicks) +
        " synth 0.01 sine 1000 vol 0.8 pad 0 " + pad + " repeat " + std::to_string(repeats - 1)));
    testing_audio::LoadRealLibrary();
    media::MixPlan plan;
    plan.VideoMs = seconds * 1000;
    plan.EndFadeSeconds = 0.5;
    plan.Tracks.resize(1);
    plan.Tracks[0].WorkFile = clicks;
    plan.Tracks[0].PlayMs = seconds * 1000;
    media::SoundtrackMixer mix(plan, media::OpenTrackPcmSource);
    auto beats = media::DetectBeats(mix, nullptr);
    EXPECT_TRUE(beats) << (beats ? "" : beats.error());
    return beats ? *beats : std::vector<double>{};
}

// A fast show and a slow one on click tracks: every cut lands within a frame (40 ms) of a click.
TEST(BeatCuts, EveryCutOfAShowOnAClickTrackFallsWithinAFrameOfAClick) {
    struct Case {
        const char* file;
        double periodMs;
        int seconds;
        int photos;
        std::int64_t stillMs;
    };
    for (const Case c : {Case{"clicks100.wav", 600, 20, 10, 1000},
                         Case{"clicks128.wav", 60000.0 / 128, 75, 20, 3000}}) {
        const std::vector<double> beats = ClickBeats(c.file, c.periodMs, c.seconds);
        ASSERT_GT(beats.size(), static_cast<std::size_t>(c.seconds * 1000 / c.periodMs / 2))
            << c.file;
        const std::vector<SlideTime> slides(static_cast<std::size_t>(c.photos), {c.stillMs, 0});
        const auto moved = media::CutOnBeats(slides, beats, c.seconds * 1000);
        const auto frames = render::ShowTimeline(moved).Spans(render::FrameRate{});
        for (std::size_t i = 0; i < moved.size(); ++i) {
            EXPECT_GE(moved[i].StillMs, 1000) << c.file << " " << i;
            const double at = static_cast<double>(frames[i].Cut) * 40.0;
            const double click = std::round(at / c.periodMs) * c.periodMs;
            EXPECT_LE(std::abs(at - click), 40) << c.file << ": cut " << i << " at " << at << " ms";
        }
    }
}

// The tracker's beats, up to a tenth of a second from their clicks on a long track, are moved
// onto the clicks: every beat of an 80 s click track is within a frame of a click, and so is
// every cut of a show of 3 s photos and 1 s transitions over it.
TEST(BeatCuts, BeatsOfALongClickTrackAndTheCutsOnThemFallWithinAFrameOfAClick) {
    const double period = 500;
    const std::vector<double> beats = ClickBeats("clicks120long.wav", period, 80);
    ASSERT_GT(beats.size(), 120u);
    const auto offClick = [&](double at) {
        return std::abs(at - std::round(at / period) * period);
    };
    for (const double beat : beats)
        EXPECT_LE(offClick(beat), 40) << "beat at " << beat << " ms";
    const std::vector<SlideTime> slides(20, {3000, 1000});
    const auto moved = media::CutOnBeats(slides, beats, 80000);
    const auto frames = render::ShowTimeline(moved).Spans(render::FrameRate{});
    for (std::size_t i = 0; i < moved.size(); ++i)
        EXPECT_LE(offClick(static_cast<double>(frames[i].Cut) * 40.0), 40) << "cut " << i;
}

// Each beat takes the nearest onset within 150 ms and 0.4 of the way to its neighbours; one with
// none so near stays.
TEST(BeatCuts, BeatsTakeTheirNearestOnset) {
    EXPECT_EQ(media::SnapBeatsToOnsets({1000, 1500, 2000, 2600}, {1090, 1480, 1530, 2300, 2760}),
              std::vector<double>({1090, 1480, 2000, 2600}));
    // 0.4 of 200 ms: 80 ms is as far as the second beat may go.
    EXPECT_EQ(media::SnapBeatsToOnsets({1000, 1200}, {1110, 1281}),
              std::vector<double>({1000, 1200}));
    EXPECT_EQ(media::SnapBeatsToOnsets({1000, 1100, 1400}, {1040, 1060}),
              std::vector<double>({1040, 1060, 1400}));
    EXPECT_EQ(media::SnapBeatsToOnsets({1000, 1500}, {1230}), std::vector<double>({1000, 1500}));
    EXPECT_EQ(media::SnapBeatsToOnsets({}, {100}), std::vector<double>());
}

} // namespace
