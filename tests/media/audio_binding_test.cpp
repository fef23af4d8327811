// The binding: refusing a missing or foreign library silently, the one-track rules of
// PlayTrackFile/StopTrack, the error texts, and the end-of-track event reaching the window.
#include "AudioFiles.h"

#include "media/litebass.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace testing_audio;

namespace {

TEST(BassErrorTexts, CodesAndTheUnknownOnes) {
    EXPECT_STREQ(media::BassErrorText(0), "All is OK");
    EXPECT_STREQ(media::BassErrorText(2), "Can't open the file");
    EXPECT_STREQ(media::BassErrorText(38), "The channel is a \"decoding channel\"");
    EXPECT_STREQ(media::BassErrorText(42), "Unavailable speaker");
    EXPECT_STREQ(media::BassErrorText(43), "Unknown error");
    EXPECT_STREQ(media::BassErrorText(-1), "Unknown error");
    EXPECT_EQ(media::EBASSError(41).what(), std::string("Unsupported file format"));
}

// Every operation of the binding must be a silent no-op while no library is loaded.
void ExpectSilentRun() {
    EXPECT_EQ(media::BassLibrary, nullptr);
    EXPECT_NO_THROW(media::BassInit(1, 44100, 0, nullptr));
    EXPECT_FALSE(media::BassReady);
    EXPECT_NO_THROW(media::PlayTrackFile("/nonexistent.mp3"));
    EXPECT_EQ(media::CurrentStream, 0u);
    EXPECT_NO_THROW(media::SetTrackVolume(50));
    EXPECT_NO_THROW(media::StopTrack());
    EXPECT_NO_THROW(media::BassFree());
}

// Each starts from an unloaded binding; later tests load the real library again.
class BindingRefuses : public ::testing::Test {
protected:
    void SetUp() override {
        media::StopTrack();
        media::BassFree();
        media::UnloadBass();
    }
};

TEST_F(BindingRefuses, AMissingLibrary) {
    QTemporaryDir empty;
    media::LoadBassFrom({empty.path()});
    ExpectSilentRun();
}

TEST_F(BindingRefuses, AnotherVersion) {
    media::LoadBassFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR "/fake-bass-version")});
    ExpectSilentRun();
}

TEST_F(BindingRefuses, MissingEntryPoints) {
    media::LoadBassFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR "/fake-bass-partial")});
    ExpectSilentRun();
}

class WindowStandIn : public QObject {
public:
    int userMessages = 0;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == static_cast<QEvent::Type>(media::kUserMessageEvent)) {
            ++userMessages;
            media::StopTrack(); // what the main window does
        }
    }
};

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        LoadRealLibrary();
        ASSERT_NE(media::BassLibrary, nullptr);
        media::StopTrack();
    }
    void TearDown() override { media::StopTrack(); }
};

TEST_F(Binding, OneTrackAtATime) {
    const std::string wav = AudioFiles::Get().Wav("long.wav", 5.0);
    media::PlayTrackFile(wav);
    const HSTREAM first = media::CurrentStream;
    ASSERT_NE(first, 0u);
    EXPECT_NE(media::EndSync, 0u);
    media::PlayTrackFile(wav); // refused while a track is current
    EXPECT_EQ(media::CurrentStream, first);
    media::SetTrackVolume(20);
    std::uint32_t volume = 0;
    media::Bass.ChannelGetAttributes(first, nullptr, &volume, nullptr);
    EXPECT_EQ(volume, 20u);
    media::StopTrack();
    EXPECT_EQ(media::CurrentStream, 0u);
    EXPECT_EQ(media::EndSync, 0u);
    EXPECT_EQ(media::Bass.ChannelIsActive(first), BASS_ACTIVE_STOPPED); // freed
}

TEST_F(Binding, UnplayableFileRaisesWithTheLibraryText) {
    try {
        media::PlayTrackFile("/nonexistent/track.mp3");
        FAIL() << "no exception";
    } catch (const media::EBASSError& e) {
        EXPECT_EQ(e.Code, BASS_ERROR_FILEOPEN);
        EXPECT_STREQ(e.what(), "Can't open the file");
    }
    EXPECT_EQ(media::CurrentStream, 0u);
}

TEST_F(Binding, EndOfTrackReachesTheWindowOnItsThread) {
    WindowStandIn window;
    media::BassFree();
    media::BassInit(1, 44100, 0, &window);
    media::PlaybackVolume = 60;
    media::PlayTrackFile(AudioFiles::Get().Wav("end.wav", 0.3));
    const HSTREAM played = media::CurrentStream;
    ASSERT_NE(played, 0u);
    std::uint32_t volume = 0;
    media::Bass.ChannelGetAttributes(played, nullptr, &volume, nullptr);
    EXPECT_EQ(volume, 60u);
    QElapsedTimer clock;
    clock.start();
    while (window.userMessages == 0 && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(window.userMessages, 1);
    EXPECT_EQ(media::CurrentStream, 0u);

    // A track stopped by hand before its notice is handled must not stop its successor.
    media::PlayTrackFile(AudioFiles::Get().Wav("end2.wav", 0.2));
    const auto deadline = clock.elapsed() + 3000;
    while (media::Bass.ChannelIsActive(media::CurrentStream) && clock.elapsed() < deadline)
        QThread::msleep(10);
    QThread::msleep(50); // the library's notice thread has called back by now
    media::StopTrack();
    media::PlayTrackFile(AudioFiles::Get().Wav("long2.wav", 5.0));
    const HSTREAM successor = media::CurrentStream;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(media::CurrentStream, successor);
    EXPECT_EQ(window.userMessages, 1);

    media::StopTrack();
    media::BassFree();
    media::BassInit(1, 44100, 0, nullptr);
}

} // namespace
