// The audio library object: refusing a missing or foreign library silently, every stream handed
// out freed on every path, the one-track rules of PlayTrack/StopTrack, the error texts, and the
// end-of-track event reaching the window.
#include "AudioFiles.h"

#include "media/audio/AudioLibrary.h"
#include "media/audio/TrackTitle.h"
#include "media/music/TrackImport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace testing_audio;

namespace {

TEST(AudioErrorTexts, CodesAndTheUnknownOnes) {
    EXPECT_STREQ(media::AudioErrorText(0), "All is OK");
    EXPECT_STREQ(media::AudioErrorText(2), "Can't open the file");
    EXPECT_STREQ(media::AudioErrorText(38), "The channel is a \"decoding channel\"");
    EXPECT_STREQ(media::AudioErrorText(42), "Unavailable speaker");
    EXPECT_STREQ(media::AudioErrorText(43), "Unknown error");
    EXPECT_STREQ(media::AudioErrorText(-1), "Unknown error");
    EXPECT_EQ(media::AudioFailure("cannot play x.ogg", 41).Message,
              "cannot play x.ogg: Unsupported file format");
}

// Every operation must be a silent no-op while no library is loaded.
void ExpectSilentRun(media::AudioLibrary& audio) {
    EXPECT_FALSE(audio.Loaded());
    EXPECT_TRUE(audio.OpenOutput(1, 44100, 0, nullptr));
    EXPECT_FALSE(audio.OutputOpen());
    EXPECT_TRUE(audio.PlayTrack("/nonexistent.mp3"));
    EXPECT_FALSE(audio.TrackPlaying());
    EXPECT_FALSE(audio.OpenFile("/nonexistent.mp3", 0));
    EXPECT_NO_THROW(audio.SetTrackVolume(50));
    EXPECT_TRUE(audio.StopTrack());
    EXPECT_NO_THROW(audio.CloseOutput());
    EXPECT_EQ(audio.LastErrorCode(), -1);
}

TEST(AudioLibraryRefuses, AMissingLibrary) {
    QTemporaryDir empty;
    media::AudioLibrary audio;
    audio.LoadFrom({empty.path()});
    ExpectSilentRun(audio);
}

TEST(AudioLibraryRefuses, AnotherVersion) {
    media::AudioLibrary audio;
    audio.LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR "/fake-bass-version")});
    ExpectSilentRun(audio);
}

TEST(AudioLibraryRefuses, MissingEntryPoints) {
    media::AudioLibrary audio;
    audio.LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR "/fake-bass-partial")});
    ExpectSilentRun(audio);
}

// The shared instance over the counting stand-in: every stream handed out must come back,
// whatever the caller did with it.
class StreamAccounting : public ::testing::Test {
protected:
    void SetUp() override {
        media::Audio().Unload();
        media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR "/fake-bass-counting")});
        ASSERT_TRUE(media::Audio().Loaded());
        handle_ = dlopen(REELPANE_TEST_BINARY_DIR "/fake-bass-counting/libbass.so",
                         RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(handle_, nullptr);
        created_ = reinterpret_cast<int (*)()>(dlsym(handle_, "FakeBass_Created"));
        freed_ = reinterpret_cast<int (*)()>(dlsym(handle_, "FakeBass_Freed"));
        ASSERT_TRUE(created_ && freed_);
    }
    void TearDown() override {
        media::Audio().Unload();
        if (handle_)
            dlclose(handle_);
    }
    void ExpectBalanced(int atLeast) {
        EXPECT_GE(created_(), atLeast);
        EXPECT_EQ(created_(), freed_());
    }
    void* handle_ = nullptr;
    int (*created_)() = nullptr;
    int (*freed_)() = nullptr;
};

TEST_F(StreamAccounting, TitlesAndLengths) {
    EXPECT_EQ(media::TrackTitle("/music/Song.mp3").value(), "Song"); // no tags: the file name
    EXPECT_EQ(media::TrackTitle("/music/refuse.ogg").value(), "refuse");
    EXPECT_EQ(media::MeasureTrackSeconds("/music/plain.wav"), 1);
    EXPECT_EQ(media::MeasureTrackSeconds("/music/nolength.wav"), -1);
    EXPECT_EQ(media::MeasureTrackSeconds("/music/refuse.wav"), -1);
    ExpectBalanced(3);
}

TEST_F(StreamAccounting, PlaybackThatFailsReleasesItsStream) {
    media::AudioLibrary& audio = media::Audio();
    for (const char* name : {"/music/nostart.wav", "/music/noplay.wav", "/music/refuse.wav"}) {
        const base::Status played = audio.PlayTrack(name);
        ASSERT_FALSE(played) << name;
        EXPECT_EQ(played.error().rfind(std::string("cannot play ") + name + ": ", 0), 0u)
            << played.error();
        EXPECT_FALSE(audio.TrackPlaying()) << name;
    }
    ASSERT_TRUE(audio.PlayTrack("/music/fine.wav"));
    EXPECT_TRUE(audio.TrackPlaying());
    EXPECT_TRUE(audio.StopTrack());
    ExpectBalanced(3);
}

TEST_F(StreamAccounting, ASuppliedTrackCountsOnFromWhereItsMusicStarts) {
    media::AudioLibrary& audio = media::Audio();
    STREAMPROC* silence = +[](HSTREAM, void*, std::uint32_t, void*) -> std::uint32_t { return 0; };
    ASSERT_TRUE(audio.PlaySuppliedTrack(44100, 2, silence, nullptr, 4000));
    ASSERT_TRUE(audio.TrackPlaying());
    EXPECT_EQ(audio.TrackPosition(), 4000u); // the stand-in has played nothing of it yet
    EXPECT_TRUE(audio.StopTrack());
    EXPECT_EQ(audio.TrackPosition(), 0u);
    // A file played next counts from its own start again.
    ASSERT_TRUE(audio.PlayTrack("/music/after.wav"));
    EXPECT_EQ(audio.TrackPosition(), 0u);
    EXPECT_TRUE(audio.StopTrack());
    ExpectBalanced(2);
}

TEST_F(StreamAccounting, MovedAndResetStreams) {
    media::AudioLibrary& audio = media::Audio();
    {
        media::Stream a = audio.OpenFile("/music/a.wav", BASS_STREAM_DECODE);
        ASSERT_TRUE(a);
        media::Stream b = std::move(a);
        EXPECT_FALSE(a); // NOLINT: moved-from is empty by contract
        media::Stream c = audio.OpenFile("/music/c.wav", 0);
        c = std::move(b); // c's own stream is freed here
        EXPECT_EQ(freed_(), 1);
        c.Reset();
        EXPECT_EQ(freed_(), 2);
        media::Stream d = audio.OpenFile("/music/d.wav", 0);
    }
    ASSERT_TRUE(audio.PlayTrack("/music/left-playing.wav"));
    audio.Unload(); // stops and releases the playing track too
    EXPECT_EQ(created_(), 4);
    EXPECT_EQ(freed_(), 4);
}

class WindowStandIn : public QObject {
public:
    int userMessages = 0;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == static_cast<QEvent::Type>(media::kUserMessageEvent)) {
            ++userMessages;
            EXPECT_TRUE(media::Audio().StopTrack()); // what the main window does
        }
    }
};

class Playback : public ::testing::Test {
protected:
    void SetUp() override {
        LoadRealLibrary();
        ASSERT_TRUE(media::Audio().Loaded());
        ASSERT_TRUE(media::Audio().StopTrack());
    }
    void TearDown() override { EXPECT_TRUE(media::Audio().StopTrack()); }
    static std::uint32_t VolumeOf(const media::Stream& s) {
        std::uint32_t volume = 0;
        media::Audio().Api().ChannelGetAttributes(s.Handle(), nullptr, &volume, nullptr);
        return volume;
    }
};

TEST_F(Playback, OneTrackAtATime) {
    media::AudioLibrary& audio = media::Audio();
    const std::string wav = AudioFiles::Get().Wav("long.wav", 5.0);
    ASSERT_TRUE(audio.PlayTrack(wav));
    const HSTREAM first = audio.CurrentTrack().Handle();
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(audio.PlayTrack(wav)); // refused while a track is playing
    EXPECT_EQ(audio.CurrentTrack().Handle(), first);
    audio.SetTrackVolume(20);
    EXPECT_EQ(VolumeOf(audio.CurrentTrack()), 20u);
    EXPECT_TRUE(audio.StopTrack());
    EXPECT_FALSE(audio.TrackPlaying());
    EXPECT_EQ(audio.Api().ChannelIsActive(first), BASS_ACTIVE_STOPPED); // freed
}

TEST_F(Playback, TrackTakenUpAgainFromItsPosition) {
    media::AudioLibrary& audio = media::Audio();
    const std::string wav = AudioFiles::Get().Wav("resume.wav", 5.0);
    constexpr std::uint64_t kThreeSeconds = 3 * 44100 * 4;
    audio.SetPlaybackVolume(45);
    ASSERT_TRUE(audio.PlayTrackFrom(wav, kThreeSeconds));
    ASSERT_TRUE(audio.TrackPlaying());
    EXPECT_EQ(VolumeOf(audio.CurrentTrack()), 45u);
    EXPECT_EQ(audio.Api().ChannelIsActive(audio.CurrentTrack().Handle()), BASS_ACTIVE_PLAYING);
    const std::uint64_t at = audio.TrackPosition();
    EXPECT_GE(at, kThreeSeconds);
    EXPECT_LT(at, audio.CurrentTrack().LengthBytes());
    EXPECT_TRUE(audio.StopTrack());
    EXPECT_EQ(audio.TrackPosition(), 0u);

    // A position past the end is refused, and nothing is left playing.
    const base::Status past = audio.PlayTrackFrom(wav, 6 * 44100 * 4);
    ASSERT_FALSE(past);
    EXPECT_EQ(past.error(), media::AudioFailure("cannot play " + wav, BASS_ERROR_POSITION).Message);
    EXPECT_FALSE(audio.TrackPlaying());
    // From the start it is the ordinary play.
    ASSERT_TRUE(audio.PlayTrackFrom(wav, 0));
    EXPECT_LT(audio.TrackPosition(), kThreeSeconds);
}

TEST_F(Playback, UnplayableFileFailsNamingItWithTheLibraryText) {
    const base::Status played = media::Audio().PlayTrack("/nonexistent/track.mp3");
    ASSERT_FALSE(played);
    EXPECT_EQ(played.error(), "cannot play /nonexistent/track.mp3: Can't open the file");
    EXPECT_FALSE(media::Audio().TrackPlaying());
}

TEST_F(Playback, EndOfTrackReachesTheWindowOnItsThread) {
    media::AudioLibrary& audio = media::Audio();
    WindowStandIn window;
    audio.CloseOutput();
    ASSERT_TRUE(audio.OpenOutput(1, 44100, 0, &window));
    audio.SetPlaybackVolume(60);
    ASSERT_TRUE(audio.PlayTrack(AudioFiles::Get().Wav("end.wav", 0.3)));
    ASSERT_TRUE(audio.TrackPlaying());
    EXPECT_EQ(VolumeOf(audio.CurrentTrack()), 60u);
    QElapsedTimer clock;
    clock.start();
    while (window.userMessages == 0 && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(window.userMessages, 1);
    EXPECT_FALSE(audio.TrackPlaying());

    // A track stopped by hand before its notice is handled must not stop its successor.
    ASSERT_TRUE(audio.PlayTrack(AudioFiles::Get().Wav("end2.wav", 0.2)));
    const auto deadline = clock.elapsed() + 3000;
    while (audio.Api().ChannelIsActive(audio.CurrentTrack().Handle()) && clock.elapsed() < deadline)
        QThread::msleep(10);
    QThread::msleep(50); // the library's notice thread has called back by now
    EXPECT_TRUE(audio.StopTrack());
    ASSERT_TRUE(audio.PlayTrack(AudioFiles::Get().Wav("long2.wav", 5.0)));
    const HSTREAM successor = audio.CurrentTrack().Handle();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(audio.CurrentTrack().Handle(), successor);
    EXPECT_EQ(window.userMessages, 1);

    EXPECT_TRUE(audio.StopTrack());
    audio.CloseOutput();
    ASSERT_TRUE(audio.OpenOutput(1, 44100, 0, nullptr));
}

} // namespace
