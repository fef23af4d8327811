// The motion editor and the transition sample offscreen: frames dragged and zoomed by the mouse
// into the motion handed back, the choice of no, automatic and the user's motion, the play run
// in the box against the renderer, the caller's texts; and the sample's loop at its start,
// middle and end. With REELPANE_SHOTS set to a folder, the widgets are also saved there as
// pictures.
#include "imaging/AutoMotion.h"
#include "imaging/Bitmap.h"
#include "imaging/MotionRender.h"
#include "imaging/TransitionKinds.h"
#include "imaging/ui/MotionEditor.h"
#include "imaging/ui/MotionPreviewBox.h"
#include "imaging/ui/TransitionSample.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using imaging::Bitmap;
using imaging::Motion;
using imaging::MotionMode;
using imaging::MotionState;
using ui::MotionEditor;
using ui::MotionPreviewBox;
using ui::TransitionSample;

namespace {

// A photo-like picture: colour gradients with a grid, so that positions are visible.
Bitmap Picture(int w, int h, int tint) {
    Bitmap b = Bitmap::CreateSized(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Row(y) + x * 3;
            const bool line = x % 40 < 2 || y % 40 < 2;
            p[0] = static_cast<std::uint8_t>(line ? 255 : 255 * x / w);
            p[1] = static_cast<std::uint8_t>(line ? 255 : (tint + 200 * y / h) % 256);
            p[2] = static_cast<std::uint8_t>(line ? 255 : 255 - 255 * x / w);
        }
    return b;
}

void SaveShot(QWidget& widget, const char* name) {
    const QByteArray folder = qgetenv("REELPANE_SHOTS");
    if (!folder.isEmpty())
        widget.grab().save(QString::fromLocal8Bit(folder) + '/' + name);
}

Motion Manual(MotionState start, MotionState end) {
    Motion m;
    m.Mode = MotionMode::Manual;
    m.Start = start;
    m.End = end;
    return m;
}

} // namespace

class MotionWidgetsTest : public QObject {
    Q_OBJECT

private:
    const Bitmap picture_ = Picture(400, 300, 0);

    void Open(MotionEditor& editor, const Motion& motion) {
        editor.SetSlide(picture_, 0x00303030, 320, 180, 0);
        editor.SetMotion(motion);
        editor.resize(420, 320);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
    }

    // The picture's fitted scale in the box: view pixels per picture pixel.
    static double BoxScale(const MotionPreviewBox& box) {
        return std::min(box.ViewRect().width() / 400, box.ViewRect().height() / 300);
    }

private Q_SLOTS:
    void draggingAFrameMovesItsCentre() {
        MotionEditor editor;
        Open(editor, Manual({0.3, 0.5, 2.0}, {0.7, 0.5, 2.0}));
        QSignalSpy changed(&editor, &MotionEditor::motionChanged);
        MotionPreviewBox* box = editor.Preview();
        const QPoint from = box->FrameRect({0.3, 0.5, 2.0}).center().toPoint();
        QTest::mousePress(box, Qt::LeftButton, {}, from);
        QTest::mouseMove(box, from + QPoint(20, 10));
        QTest::mouseRelease(box, Qt::LeftButton, {}, from + QPoint(20, 10));
        QVERIFY(changed.count() >= 1);
        const Motion m = editor.EditedMotion();
        const double s = BoxScale(*box);
        QVERIFY(std::abs(m.Start.Cx - (0.3 + 20 / (400 * s))) < 1e-9);
        QVERIFY(std::abs(m.Start.Cy - (0.5 + 10 / (300 * s))) < 1e-9);
        QCOMPARE(m.Start.Z, 2.0);
        QCOMPARE(m.End, (MotionState{0.7, 0.5, 2.0}));
        QCOMPARE(changed.last().at(0).value<Motion>(), m);
        SaveShot(editor, "motion-editor.png");
    }

    void aCornerHandleZoomsAboutTheCentreKeepingTheAspect() {
        MotionEditor editor;
        Open(editor, Manual({0.5, 0.5, 1.0}, {0.6, 0.4, 2.5}));
        MotionPreviewBox* box = editor.Preview();
        const QRectF before = box->FrameRect(editor.EditedMotion().End);
        const QPoint corner = before.bottomRight().toPoint();
        // Pulled outwards more across than down: the aspect follows the wider pull.
        const QPoint to = corner + QPoint(30, 5);
        QTest::mousePress(box, Qt::LeftButton, {}, corner);
        QTest::mouseMove(box, to);
        QTest::mouseRelease(box, Qt::LeftButton, {}, to);
        const MotionState end = editor.EditedMotion().End;
        QVERIFY(end.Z < 2.5);
        QCOMPARE(end.Cx, 0.6);
        QCOMPARE(end.Cy, 0.4);
        const QRectF after = box->FrameRect(end);
        const QRectF view = box->ViewRect();
        QVERIFY(std::abs(view.width() / view.height() - 320.0 / 180.0) < 0.02);
        QVERIFY(std::abs(after.width() / after.height() - view.width() / view.height()) < 1e-9);
        QVERIFY(std::abs(after.right() - to.x()) < 1e-6);
        QCOMPARE(editor.EditedMotion().Start, (MotionState{0.5, 0.5, 1.0}));
    }

    void theChoiceSetsNoneAutomaticOrTheUsersEasing() {
        MotionEditor editor;
        Open(editor, Motion{});
        QComboBox* choice = editor.ChoiceBox();
        QCOMPARE(choice->currentIndex(), int(MotionEditor::kNone));
        QSignalSpy changed(&editor, &MotionEditor::motionChanged);

        choice->setCurrentIndex(MotionEditor::kAutomatic);
        Q_EMIT choice->activated(MotionEditor::kAutomatic);
        QCOMPARE(editor.EditedMotion().Mode, MotionMode::Auto);
        const Motion automatic = imaging::AutomaticMotion(0, 320, 180, 400, 300);
        QCOMPARE(editor.Preview()->StartState(), automatic.Start);
        QCOMPARE(editor.Preview()->EndState(), automatic.End);

        // An easing after automatic motion keeps its frames as the user's own.
        choice->setCurrentIndex(MotionEditor::kEase);
        Q_EMIT choice->activated(MotionEditor::kEase);
        Motion m = editor.EditedMotion();
        QCOMPARE(m.Mode, MotionMode::Manual);
        QCOMPARE(m.Easing, imaging::MotionEasing::Ease);
        QCOMPARE(m.Start, imaging::ClampState(automatic.Start));

        choice->setCurrentIndex(MotionEditor::kNone);
        Q_EMIT choice->activated(MotionEditor::kNone);
        QCOMPARE(editor.EditedMotion().Mode, MotionMode::None);
        QCOMPARE(changed.count(), 3);

        // Setting a motion from outside shows it without announcing a change.
        editor.SetMotion(Manual({0.4, 0.4, 1.5}, {0.5, 0.5, 1.0}));
        QCOMPARE(choice->currentIndex(), int(MotionEditor::kLinear));
        QCOMPARE(changed.count(), 3);
    }

    void playRunsTheMotionInTheBox() {
        MotionEditor editor;
        const Motion m = Manual({0.3, 0.4, 1.5}, {0.6, 0.6, 3.0});
        Open(editor, m);
        editor.SetPlaySeconds(0.5);
        MotionPreviewBox* box = editor.Preview();
        const QString playText = editor.PlayButton()->text();
        QTest::mouseClick(editor.PlayButton(), Qt::LeftButton);
        QVERIFY(editor.IsPlaying());
        QVERIFY(box->Playing());
        QVERIFY(editor.PlayButton()->text() != playText);
        QTRY_VERIFY_WITH_TIMEOUT(!editor.IsPlaying(), 3000);
        QCOMPARE(editor.PlayButton()->text(), playText);

        // A moment of the play is the renderer's frame at that state, at the box's size.
        editor.showPlayProgress(0.5);
        SaveShot(editor, "motion-editor-playing.png");
        const QRect view = box->ViewRect().toRect();
        Bitmap want = Bitmap::CreateSized(view.width(), view.height());
        imaging::RenderMotionFrame(want, picture_, 0x00303030, imaging::MotionStateAt(m, 0.5));
        const QImage shown = box->grab(view).toImage().convertToFormat(QImage::Format_BGR888);
        QCOMPARE(shown.size(), view.size());
        QCOMPARE(shown, want.CopyToImage());
        editor.stop();
        QVERIFY(!box->Playing());
    }

    void textsComeFromTheCallersLookup() {
        MotionEditor editor;
        QCOMPARE(editor.ChoiceBox()->itemText(MotionEditor::kAutomatic), QString("Автоматически"));
        QCOMPARE(editor.ChoiceBox()->itemText(MotionEditor::kNone), QString("Нет"));
        editor.SetTextLookup([](int key, const char*) { return QString("K%1").arg(key); });
        QCOMPARE(editor.ChoiceBox()->itemText(MotionEditor::kNone), QString("K851"));
        QCOMPARE(editor.ChoiceBox()->itemText(MotionEditor::kEase), QString("K854"));
        QCOMPARE(editor.PlayButton()->text(), QString("K855"));
    }

    void theSampleLoopsTheTransitionOnTheThumbnails() {
        TransitionSample sample;
        sample.resize(160, 120);
        const Bitmap a = Picture(120, 90, 0), b = Picture(90, 120, 128);
        sample.SetPictures(a, 0x000000FF, b, 0x00FF0000);
        sample.SetKind(imaging::kTransitionCrossfade);
        sample.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sample));
        QVERIFY(sample.IsRunning());
        sample.stop();

        const auto pixel = [&](int x, int y) { return sample.CurrentFrame().pixelColor(x, y); };
        sample.showLoopTime(0.0);
        // Both thumbnails are narrower than the sample: the outgoing one has red bars on its
        // sides, the incoming one blue bars.
        const QColor barA = pixel(2, 60);
        QCOMPARE(barA, QColor(255, 0, 0));
        sample.showLoopTime(TransitionSample::kLoopSeconds - 0.01);
        const QColor barB = pixel(2, 60);
        QCOMPARE(barB, QColor(0, 0, 255));
        sample.showLoopTime(TransitionSample::kHoldSeconds +
                            TransitionSample::kTransitionSeconds / 2);
        const QColor mid = pixel(2, 60);
        QVERIFY(std::abs(mid.blue() - (barA.blue() + 255) / 2.0) <= 1);
        QVERIFY(std::abs(mid.red() - barA.red() / 2.0) <= 1);
        SaveShot(sample, "transition-sample-crossfade.png");

        // Another kind starts the loop again; a push halfway shows each picture's half.
        sample.SetKind(imaging::kTransitionPushLeft);
        QCOMPARE(sample.Kind(), int(imaging::kTransitionPushLeft));
        QCOMPARE(pixel(2, 60), barA);
        sample.showLoopTime(TransitionSample::kHoldSeconds +
                            TransitionSample::kTransitionSeconds / 2);
        QCOMPARE(pixel(80 + 2, 60), barB);
        SaveShot(sample, "transition-sample-push.png");
        sample.SetKind(imaging::kTransitionIris);
        sample.showLoopTime(TransitionSample::kHoldSeconds +
                            TransitionSample::kTransitionSeconds * 0.4);
        SaveShot(sample, "transition-sample-iris.png");
        sample.hide();
        QVERIFY(!sample.IsRunning());
    }
};

QTEST_MAIN(MotionWidgetsTest)
#include "motion_widgets_test.moc"
