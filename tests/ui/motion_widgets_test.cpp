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

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMouseEvent>
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

    // A press, a move and a release of the left button, with modifiers held throughout.
    static void Drag(QWidget& box, QPointF from, QPointF to,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
            QMouseEvent event(type, at, box.mapToGlobal(at), Qt::LeftButton, buttons, modifiers);
            QApplication::sendEvent(&box, &event);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
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

    // A corner handle keeps the opposite corner in place, with Alt the centre; the frame keeps
    // the output's aspect, the larger of the two pulls deciding its size.
    void aCornerHandleSizesAboutTheOppositeCornerOrWithAltTheCentre() {
        for (const bool alt : {false, true}) {
            MotionEditor editor;
            Open(editor, Manual({0.5, 0.5, 1.0}, {0.6, 0.4, 2.5}));
            MotionPreviewBox* box = editor.Preview();
            const QRectF before = box->FrameRect(editor.EditedMotion().End);
            // Pulled outwards more across than down.
            const QPointF to = before.bottomRight() + QPointF(30, 5);
            Drag(*box, before.bottomRight(), to, alt ? Qt::AltModifier : Qt::NoModifier);
            const MotionState end = editor.EditedMotion().End;
            QVERIFY(end.Z < 2.5);
            const QRectF after = box->FrameRect(end);
            const QRectF view = box->ViewRect();
            QVERIFY(std::abs(view.width() / view.height() - 320.0 / 180.0) < 0.02);
            QVERIFY(std::abs(after.width() / after.height() - view.width() / view.height()) < 1e-9);
            QVERIFY(std::abs(after.right() - to.x()) < 1e-6);
            if (alt) {
                QVERIFY(std::abs(after.center().x() - before.center().x()) < 1e-6);
                QVERIFY(std::abs(after.center().y() - before.center().y()) < 1e-6);
            } else {
                QVERIFY(std::abs(after.left() - before.left()) < 1e-6);
                QVERIFY(std::abs(after.top() - before.top()) < 1e-6);
            }
            QCOMPARE(editor.EditedMotion().Start, (MotionState{0.5, 0.5, 1.0}));
        }
    }

    // A drag takes the frame under the pointer, the selected one where the two overlap, and
    // never the other; without the background allowed it stays on the picture.
    void aDragTakesTheFrameUnderThePointer() {
        MotionEditor editor;
        const MotionState start{0.4, 0.5, 2.0}, end{0.6, 0.5, 2.0};
        Open(editor, Manual(start, end));
        MotionPreviewBox* box = editor.Preview();
        QVERIFY(!editor.BackgroundBox()->isChecked()); // both frames lie on the picture
        const QRectF s = box->FrameRect(start), e = box->FrameRect(end);
        QVERIFY(s.intersects(e));
        const QPointF onlyStart(s.left() + 5, s.center().y());
        const QPointF onlyEnd(e.right() - 5, e.center().y());
        const QPointF both((e.left() + s.right()) / 2, s.center().y());
        const QPointF up(0, -10);

        // The end frame alone under the pointer: it moves, though the start is selected.
        QCOMPARE(box->Selected(), MotionPreviewBox::Handle::Start);
        Drag(*box, onlyEnd, onlyEnd + up);
        QCOMPARE(editor.EditedMotion().Start, start);
        QVERIFY(editor.EditedMotion().End.Cy < end.Cy);
        QCOMPARE(box->Selected(), MotionPreviewBox::Handle::End);
        // Where they overlap, the selected one: the end again.
        MotionState moved = editor.EditedMotion().End;
        Drag(*box, both, both - up);
        QCOMPARE(editor.EditedMotion().Start, start);
        QVERIFY(editor.EditedMotion().End.Cy > moved.Cy);
        // The start taken by its own part; then the overlap moves it, not the end.
        moved = editor.EditedMotion().End;
        Drag(*box, onlyStart, onlyStart);
        QCOMPARE(box->Selected(), MotionPreviewBox::Handle::Start);
        Drag(*box, both, both + up);
        QCOMPARE(editor.EditedMotion().End, moved);
        QVERIFY(editor.EditedMotion().Start.Cy < start.Cy);

        // Dragged far off, it stops at the picture's edge; with the background allowed it may
        // leave it.
        const QPointF centre = box->FrameRect(editor.EditedMotion().Start).center();
        Drag(*box, centre, centre + QPointF(-1000, 0));
        const QRectF kept = box->FrameRect(editor.EditedMotion().Start);
        QVERIFY(std::abs(kept.left() - box->PictureRect().left()) < 1e-6);
        QVERIFY(!box->ShowsBackground(editor.EditedMotion().Start));
        editor.BackgroundBox()->setChecked(true);
        Drag(*box, kept.center(), kept.center() + QPointF(-40, 0));
        QVERIFY(box->FrameRect(editor.EditedMotion().Start).left() < box->PictureRect().left());
        QVERIFY(box->ShowsBackground(editor.EditedMotion().Start));
        // Shown again, the editor tells that this motion shows the background.
        const Motion kept2 = editor.EditedMotion();
        editor.BackgroundBox()->setChecked(false);
        editor.SetMotion(kept2);
        QVERIFY(editor.BackgroundBox()->isChecked());
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

    // Automatic motion in the editor frames on the faces the show knows, as the export does,
    // without looking for them again; a slide with none known is looked at here.
    void automaticMotionFramesOnTheFacesTheShowKnows() {
        const std::vector<imaging::FaceBox> right{{0.78, 0.30, 0.16, 0.22}};
        for (const auto& known : {std::optional<std::vector<imaging::FaceBox>>(right),
                                  std::optional<std::vector<imaging::FaceBox>>()}) {
            MotionEditor editor;
            editor.SetSlide(picture_, 0x00303030, 180, 320, 2, known);
            Motion automatic;
            automatic.Mode = MotionMode::Auto;
            editor.SetMotion(automatic);
            // The picture has no faces: none known means the plain automatic rule.
            const Motion expected = imaging::ResolveMotion(
                automatic, 2, 180, 320, 400, 300, known ? *known : std::vector<imaging::FaceBox>{});
            QCOMPARE(editor.Preview()->StartState(), expected.Start);
            QCOMPARE(editor.Preview()->EndState(), expected.End);
        }
        const Motion plain = imaging::AutomaticMotion(2, 180, 320, 400, 300);
        Motion automatic;
        automatic.Mode = MotionMode::Auto;
        QVERIFY(imaging::ResolveMotion(automatic, 2, 180, 320, 400, 300, right).Start !=
                plain.Start); // the face moves the frames: the case can fail
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

        // The frames are drawn in the pictures' common bounds, a 120 x 120 square centred in the
        // sample; pixels below are the square's.
        QCOMPARE(sample.SquareRect(), QRect(20, 0, 120, 120));
        // Smaller pictures keep their size (the composition does not enlarge them).
        TransitionSample small;
        small.resize(172, 129);
        small.SetPictures(Picture(90, 90, 0), 0, Picture(90, 90, 0), 0);
        QCOMPARE(small.SquareRect(), QRect(41, 19, 90, 90));
        const auto pixel = [&](int x, int y) { return sample.CurrentFrame().pixelColor(x, y); };
        sample.showLoopTime(0.0);
        // The outgoing thumbnail is wider than tall: red bars above and below it; the incoming
        // one is taller: blue bars at its sides. A corner is a bar in both.
        const QColor barA = pixel(2, 2);
        QCOMPARE(barA, QColor(255, 0, 0));
        sample.showLoopTime(TransitionSample::kLoopSeconds - 0.01);
        const QColor barB = pixel(2, 2);
        QCOMPARE(barB, QColor(0, 0, 255));
        sample.showLoopTime(TransitionSample::kHoldSeconds +
                            TransitionSample::kTransitionSeconds / 2);
        const QColor mid = pixel(2, 2);
        QVERIFY(std::abs(mid.blue() - (barA.blue() + 255) / 2.0) <= 1);
        QVERIFY(std::abs(mid.red() - barA.red() / 2.0) <= 1);
        SaveShot(sample, "transition-sample-crossfade.png");

        // Another kind starts the loop again; a push halfway shows each picture's half, and
        // nothing of either beside the square.
        sample.SetKind(imaging::kTransitionPushLeft);
        QCOMPARE(sample.Kind(), int(imaging::kTransitionPushLeft));
        QCOMPARE(pixel(2, 2), barA);
        sample.showLoopTime(TransitionSample::kHoldSeconds +
                            TransitionSample::kTransitionSeconds / 2);
        QCOMPARE(pixel(60 + 2, 60), barB);
        QCOMPARE(pixel(2, 2), barA);
        const QImage shown = sample.grab().toImage();
        const QColor window = sample.palette().color(QPalette::Window);
        for (int y = 0; y < 120; y += 7)
            for (const int x : {0, 10, 19, 140, 150, 159})
                QCOMPARE(shown.pixelColor(x, y), window);
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
