// The disc dialog on the main window, driven offscreen against virtual recorders: two files
// written in the order they were picked, the window busy and the dialog kept open while the
// write runs, the write bar full at the end, Cancel stopping a burn, eject only when asked, and
// a failed write told in an error box with the drive's reason while the dialog stays open.
#include "MainWindowProbe.h"
#include "ModalFileDialog.h"
#include "base/Language.h"
#include "disc/ui/DiscDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using ui::MainWindowProbe;

class DiscControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    // The text the window shows for a key: the loaded language's, else the built-in one.
    static QString Text(int key, const char* builtin) {
        return base::AppLanguage().Text(key, QString::fromUtf8(builtin));
    }
    QString P(const QString& name) const { return tmp_.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) const {
        QFile f(P(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static bool WaitFor(const std::function<bool()>& done, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    // Runs `drive` once the modal dialog is up, then opens it.
    static void WithDialog(MainWindowProbe& window, std::function<void(ui::DiscDialog&)> drive) {
        QTimer::singleShot(0, &window, [&window, drive] {
            if (ui::DiscDialog* d = window.Disc->Dialog())
                drive(*d);
        });
        window.Disc->writeDisc();
    }
    // A file's first sector in the image, as isoinfo reads it from the Joliet tree.
    static int Extent(const QString& image, const QString& name) {
        QProcess p;
        p.start("isoinfo", {"-J", "-l", "-i", image});
        p.waitForFinished(60000);
        for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
            if (line.trimmed().endsWith(name) || line.contains(name + ";")) {
                const int open = line.indexOf('[');
                return line.mid(open + 1).trimmed().section(' ', 0, 0).toInt();
            }
        }
        return -1;
    }
    QString Listing(const QString& image) const {
        QProcess p;
        p.start("xorriso", {"-indev", image, "-ls", "/"});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("REELPANE_VIRTUAL_RECORDERS",
                ("cd-r=" + P("cd.img") + ";dvd-r=" + P("dvd.img")).toUtf8());
        // A settings store of its own: no folder remembered from the user's discs.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, P("config"));
    }

    // A show never saved, with no disc image made before: the image is proposed beside the files
    // that go on it (the video just written), not in the home folder.
    void anImageOfAShowNeverSavedGoesBesideItsFiles() {
        QVERIFY(QDir().mkpath(P("album")));
        Write("album/c.mp4", "video");
        MainWindowProbe window;
        QString folder;
        QTimer::singleShot(0, this, [&] {
            QFileDialog* picker = ModalFileDialog();
            QVERIFY(picker);
            folder = picker->directory().absolutePath();
            picker->reject();
        });
        QCOMPARE(window.Disc->PickImageFile({P("album/c.mp4")}), QString());
        QCOMPARE(folder, QDir(P("album")).absolutePath());
    }

    void writesTwoFilesInTheirOrderWithTheWindowBusyAndTheDialogKeptOpen() {
        Write("b.avi", QByteArray(3 << 20, 'b'));
        Write("a.qvs", "show");
        MainWindowProbe window;
        QStringList messages;
        int ejects = 0;
        bool barFull = false;
        window.Disc->ShowMessage = [&](const QString& m) {
            messages << m;
            const auto* bar = window.Disc->Dialog()->findChild<QProgressBar*>("writeProgress");
            barFull = bar->value() == bar->maximum() && bar->maximum() > 1;
        };
        window.Disc->Eject = [&] { ++ejects; };
        bool busyWhileWriting = false;
        bool stayedOpen = false;
        WithDialog(window, [&](ui::DiscDialog& d) {
            QCOMPARE(d.findChild<QComboBox*>("recorderCombo")->count(), 3); // two + image file
            QCOMPARE(d.findChild<QComboBox*>("recorderCombo")->itemText(0),
                     QString::fromUtf8("Virtual CD-R — cd.img"));
            d.findChild<QCheckBox*>("ejectCheck")->setChecked(false);
            d.PickFiles = [&] { return QStringList{P("b.avi"), P("a.qvs")}; };
            d.findChild<QPushButton*>("writeButton")->click();
            busyWhileWriting = window.Disc->Running() && window.Busy();
            d.reject();
            stayedOpen = d.isVisible();
        });
        QVERIFY(busyWhileWriting);
        QVERIFY(stayedOpen);
        QVERIFY2(barFull, "the write bar stands at its end when the success is told");
        QCOMPARE(messages, QStringList{Text(31, "Запись диска успешно завершена")});
        QCOMPARE(ejects, 0);
        QVERIFY(!window.Disc->Running());
        QVERIFY(!window.Busy());
        const QString listing = Listing(P("cd.img"));
        QVERIFY2(listing.contains("b.avi") && listing.contains("a.qvs"), qPrintable(listing));
        // Written in the order picked: the first file lies before the second.
        const int first = Extent(P("cd.img"), "b.avi");
        const int second = Extent(P("cd.img"), "a.qvs");
        QVERIFY2(first > 0 && second > first, qPrintable(QString("%1 %2").arg(first).arg(second)));
    }

    void ejectsOnlyWhenCheckedAndOnlyAfterSuccess() {
        Write("c.txt", "c");
        MainWindowProbe window;
        QStringList messages;
        int ejects = 0;
        window.Disc->ShowMessage = [&](const QString& m) { messages << m; };
        window.Disc->Eject = [&] { ++ejects; };
        WithDialog(window, [&](ui::DiscDialog& d) {
            d.findChild<QComboBox*>("recorderCombo")->setCurrentIndex(1);
            d.PickFiles = [&] { return QStringList{P("c.txt")}; };
            d.findChild<QPushButton*>("writeButton")->click();
        });
        QCOMPARE(ejects, 1);
        // An erase of a write-once disc is refused before any confirmation.
        bool asked = false;
        WithDialog(window, [&](ui::DiscDialog& d) {
            d.findChild<QComboBox*>("recorderCombo")->setCurrentIndex(1);
            d.ConfirmErase = [&] { return asked = true; };
            d.findChild<QPushButton*>("eraseButton")->click();
            d.findChild<QPushButton*>("cancelButton")->click();
        });
        QVERIFY(!asked);
        QCOMPARE(messages.last(), base::AppLanguage().Has(911)
                                      ? Text(909, "")
                                      : QString::fromUtf8("Диск не перезаписываемый!"));
        // A write that fails says why in an error box, ejects nothing and leaves the dialog
        // open for another try.
        QFile::remove(P("gone.txt"));
        Write("gone.txt", "x");
        QStringList errors;
        bool openAfterFailure = false;
        WithDialog(window, [&](ui::DiscDialog& d) {
            d.ShowError = [&](const QString& text) { errors << text; };
            d.PickFiles = [&] {
                QFile::remove(P("gone.txt"));
                return QStringList{P("gone.txt")};
            };
            d.findChild<QPushButton*>("writeButton")->click();
            WaitFor([&] { return !errors.isEmpty(); }, 20000);
            openAfterFailure = d.isVisible();
            d.findChild<QPushButton*>("cancelButton")->click();
        });
        QCOMPARE(ejects, 1);
        QVERIFY(openAfterFailure);
        QCOMPARE(errors.size(), 1);
        const QString words = "CAN'T OPEN FILE \"" + P("gone.txt") + "\"";
        QCOMPARE(errors[0], ui::DiscDialog::FailureSentence(words, true) + "\n\n" + words);
    }

    void cancelDuringABurnStopsIt() {
        Write("big.avi", QByteArray(64 << 20, 'v'));
        MainWindowProbe window;
        QStringList messages;
        QStringList errors;
        window.Disc->ShowMessage = [&](const QString& m) { messages << m; };
        bool open = false;
        WithDialog(window, [&](ui::DiscDialog& d) {
            d.ShowError = [&](const QString& text) { errors << text; };
            d.PickFiles = [&] { return QStringList{P("big.avi")}; };
            d.findChild<QPushButton*>("writeButton")->click();
            // At once: on a fast machine the 64 MB write may be over within a tenth of a second.
            QVERIFY(window.Disc->Running());
            QVERIFY(d.findChild<QPushButton*>("cancelButton")->isEnabled());
            d.findChild<QPushButton*>("cancelButton")->click();
            WaitFor([&] { return !window.Disc->Running() && !errors.isEmpty(); }, 60000);
            open = d.isVisible();
            d.findChild<QPushButton*>("cancelButton")->click();
        });
        QVERIFY(open);
        QVERIFY(messages.isEmpty());
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(
                     ui::DiscDialog::FailureSentence("OPERATION ABORTED BY USER", true)),
                 qPrintable(errors[0]));
        QVERIFY(!Listing(P("cd.img")).contains("big.avi"));
    }
};

QTEST_MAIN(DiscControllerTest)
#include "disc_controller_test.moc"
