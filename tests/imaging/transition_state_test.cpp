// The running transition as the preview and the export drive it: the incoming slide composed
// once per transition and afresh for the next one, the end releasing it, the last slide.
#include "TestBitmaps.h"

#include "imaging/BmpFile.h"
#include "imaging/Compose.h"
#include "imaging/TransitionState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

using namespace imaging;
using namespace testbmp;
namespace fs = std::filesystem;

namespace {

class TransitionRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("reelpane_transition_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    SlideSource MakeSlide(const Bitmap& photo, std::int32_t back, const std::string& name) {
        const std::string path = (dir_ / name).string();
        EXPECT_TRUE(SaveBmpFile(path, photo));
        return SlideSource{path, back};
    }
    // The slide composed at width x height, as the transition should see it.
    static Bitmap Composed(const SlideSource& slide, int width, int height) {
        Bitmap frame;
        EXPECT_TRUE(PrepareNextFrame(frame, width, height, &slide));
        return frame;
    }
    fs::path dir_;
};

} // namespace

TEST_F(TransitionRun, ComposesTheIncomingSlideOnceAndReleasesItAtTheEnd) {
    const SlideSource next = MakeSlide(Random(200, 150, 1), 0x000000FF, "next.bmp");
    const Bitmap expected = Composed(next, 161, 97);
    const Bitmap outgoing = Random(161, 97, 2);
    Bitmap target = outgoing;

    TransitionState state;
    state.Start(4, {7, 2, 0}, next); // reveal from the left, 2 s
    EXPECT_TRUE(state.Running());
    EXPECT_EQ(state.OutgoingSlide(), 4);
    EXPECT_TRUE(state.IncomingFrame().IsEmpty()); // composed lazily
    EXPECT_EQ(state.Step(target), TransitionStep::Running);
    EXPECT_EQ(Diff(state.IncomingFrame(), expected), "");

    // The working file goes away: later steps draw from the picture composed at the start.
    fs::remove(next.WorkFile);
    for (std::int64_t t = 40; t < 2000; t += 40) {
        state.SetElapsed(t);
        ASSERT_EQ(state.Step(target), TransitionStep::Running) << t;
    }
    // The last running state (reveal from the left at 1960 ms) shows nearly all of it.
    const int kx = TransitionExtent(161, 1960, 2);
    for (int y = 0; y < 97; ++y)
        for (int x = 0; x < 161; ++x)
            ASSERT_EQ(At(target, x, y), x < kx ? At(expected, x, y) : At(outgoing, x, y));

    const Bitmap before = target;
    state.SetElapsed(2000);
    EXPECT_EQ(state.Step(target), TransitionStep::Over);
    EXPECT_EQ(Diff(target, before), "");
    EXPECT_FALSE(state.Running());
    EXPECT_EQ(state.OutgoingSlide(), -1);
    EXPECT_TRUE(state.IncomingFrame().IsEmpty());
    EXPECT_EQ(state.Step(target), TransitionStep::Over); // nothing runs any more
}

TEST_F(TransitionRun, AnAbandonedTransitionNeverLendsItsPictureToTheNext) {
    // The export stops stepping before the step that would find the transition over; the next
    // transition must slide in its own incoming slide, not the previous one.
    const SlideSource first = MakeSlide(Random(80, 60, 3), 0, "first.bmp");
    const SlideSource second = MakeSlide(Random(80, 60, 4), 0, "second.bmp");
    Bitmap target = Random(80, 60, 5);
    TransitionState state;
    state.Start(0, {2, 3, 0}, first);
    state.SetElapsed(1500);
    ASSERT_EQ(state.Step(target), TransitionStep::Running);

    state.Start(1, {2, 3, 0}, second);
    EXPECT_EQ(state.ElapsedMs(), 0);
    state.SetElapsed(2960);
    ASSERT_EQ(state.Step(target), TransitionStep::Running);
    EXPECT_EQ(Diff(state.IncomingFrame(), Composed(second, 80, 60)), "");
    const int kx = TransitionExtent(80, 2960, 3);
    const Bitmap incoming = Composed(second, 80, 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 80 - kx; x < 80; ++x)
            ASSERT_EQ(At(target, x, y), At(incoming, x - (80 - kx), y));

    // Stopping releases it as well.
    state.Stop();
    EXPECT_FALSE(state.Running());
    EXPECT_TRUE(state.IncomingFrame().IsEmpty());
}

TEST_F(TransitionRun, LastSlideAndUnreadableIncomingEndAtOnceExceptTheBackgroundColour) {
    const Bitmap outgoing = Random(64, 48, 6);
    for (int kind = 2; kind < kTransitionKinds; ++kind) {
        for (const std::optional<SlideSource>& incoming :
             {std::optional<SlideSource>(),
              std::optional<SlideSource>(SlideSource{(dir_ / "missing.bmp").string(), 0})}) {
            Bitmap target = outgoing;
            TransitionState state;
            state.Start(9, {kind, 3, 0}, incoming);
            state.SetElapsed(40);
            EXPECT_EQ(state.Step(target), TransitionStep::Over) << kind;
            EXPECT_EQ(Diff(target, outgoing), "") << kind;
            EXPECT_FALSE(state.Running());
        }
    }
    // Kind 1 still paints the outgoing slide's colour, with no incoming slide at all.
    Bitmap target = outgoing;
    TransitionState state;
    state.Start(9, {1, 3, 0x00102030}, std::nullopt);
    state.SetElapsed(2999);
    EXPECT_EQ(state.Step(target), TransitionStep::Running);
    EXPECT_EQ(At(target, 63, 47), (Px{0x10, 0x20, 0x30}));
    EXPECT_TRUE(state.IncomingFrame().IsEmpty());
}

TEST_F(TransitionRun, ATargetOfAnotherSizeGetsTheIncomingSlideComposedAtThatSize) {
    const SlideSource next = MakeSlide(Random(300, 200, 7), 0x00FF0000, "sized.bmp");
    TransitionState state;
    state.Start(0, {4, 2, 0}, next);
    Bitmap small = Random(100, 71, 8);
    ASSERT_EQ(state.Step(small), TransitionStep::Running);
    EXPECT_EQ(Diff(state.IncomingFrame(), Composed(next, 100, 71)), "");
    Bitmap large = Random(201, 133, 9);
    state.SetElapsed(1000);
    ASSERT_EQ(state.Step(large), TransitionStep::Running);
    EXPECT_EQ(Diff(state.IncomingFrame(), Composed(next, 201, 133)), "");
}
