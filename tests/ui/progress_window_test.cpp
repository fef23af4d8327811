// The progress window offscreen, fed by a job on a worker thread: what the job reports reaches the
// window only when the window's event loop runs; Cancel in the window stops the job; calls made
// after the window is gone are dropped.
#include "WidgetLookup.h"
#include "base/ui/ProgressWindow.h"

#include <QPushButton>
#include <QtTest>

#include <chrono>
#include <memory>
#include <thread>

using ui::ProgressWindow;
using ui::WindowProgress;

class ProgressWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aWorkersReportsReachTheWindowThroughItsEventLoop() {
        ProgressWindow window;
        WindowProgress progress(window);
        window.Attach(&progress);
        std::thread worker([&progress] {
            progress.Open();
            progress.SetPosition(40);
            progress.SetDetail("12 / 50 frames");
        });
        worker.join();
        // Nothing reached the window while its thread was not running its loop.
        QVERIFY(!window.isVisible());
        QCOMPARE(window.Position(), 0);
        QVERIFY(window.Detail().isEmpty());
        QTRY_VERIFY(window.isVisible());
        QTRY_COMPARE(window.Position(), 40);
        QTRY_COMPARE(window.Detail(), QString("12 / 50 frames"));

        // The elapsed time counts from the job's start, for the rate the caller shows.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        QVERIFY(progress.ElapsedSeconds() >= 0.03);

        QVERIFY(!progress.Cancelled());
        Widget<QPushButton>(window, "cancelButton")->click();
        QVERIFY(progress.Cancelled());

        // A job shown again starts with an empty detail line and a cleared position.
        std::thread again([&progress] {
            progress.Open();
            progress.Close();
        });
        again.join();
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(window.Detail().isEmpty());
        QCOMPARE(window.Position(), 0);
    }

    void reportsAfterTheWindowIsGoneAreDropped() {
        auto window = std::make_unique<ProgressWindow>();
        WindowProgress progress(*window);
        progress.Open();
        window.reset();
        progress.SetPosition(70);
        progress.SetDetail("1 / 2 frames");
        progress.Close();
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_test.moc"
