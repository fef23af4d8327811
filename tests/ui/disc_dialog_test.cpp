// The disc dialog offscreen over virtual recorders: recorders named as people know them, the
// facts of the disc under the list following a disc taken out and put in, Burn as the default
// button, Cancel free during a job and asking it to stop, labelled bars, failures told in a
// plain sentence before the drive's words, and the file picker's folder and filters.
#include "ModalFileDialog.h"
#include "WidgetLookup.h"
#include "base/Language.h"
#include "disc/mmc/DiscSummary.h"
#include "disc/scsi/ScsiDevice.h"
#include "disc/ui/DiscDialog.h"
#include "disc/virtual/VirtualTransport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using ui::DiscDialog;

class DiscDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    // A device over virtual recorders of the given kinds (dvd+r.img, cd-r.img...), the first
    // selected; the recorders stay reachable through `recorders`.
    std::unique_ptr<disc::ScsiDevice>
    Device(const QStringList& kinds, std::vector<std::shared_ptr<disc::VirtualRecorder>>& out) {
        QStringList spec;
        for (const QString& k : kinds)
            spec << k + "=" + tmp_.filePath(k + ".img");
        auto transport = disc::VirtualTransport::FromSpec(spec.join(';').toStdString());
        if (!transport)
            qFatal("%s", transport.error().c_str());
        for (int i = 0; i < kinds.size(); ++i)
            out.push_back((*transport)->Recorder(static_cast<std::size_t>(i)));
        auto device = std::make_unique<disc::ScsiDevice>(std::move(*transport));
        if (!device->OpenTransport() || !device->SelectDevice(device->DeviceList().at(0)))
            qFatal("no virtual recorder");
        return device;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        const QString folder = QStringLiteral(REELPANE_TEST_SOURCE_DIR) + "/language/";
        QVERIFY(base::LoadLanguageFile(base::AppLanguage(), folder + "english.lng"));
    }

    void recordersAreNamedAndTheDiscFactsFollowTheDisc() {
        std::vector<std::shared_ptr<disc::VirtualRecorder>> recorders;
        auto device = Device({"dvd+r", "cd-r"}, recorders);
        const auto& titles = device->DeviceTitles();
        QCOMPARE(titles.size(), std::size_t{2});
        QCOMPARE(QString::fromStdString(titles[0]), QString::fromUtf8("Virtual DVD+R — dvd+r.img"));
        QCOMPARE(QString::fromStdString(titles[1]), QString::fromUtf8("Virtual CD-R — cd-r.img"));

        DiscDialog dialog(nullptr);
        // An image file (no recorder watched) is neither ejected nor erased.
        dialog.SetRecorders({"ISO image file"});
        dialog.WatchRecorder(nullptr);
        QVERIFY(!Widget<QCheckBox>(dialog, "ejectCheck")->isEnabled());
        QVERIFY(!Widget<QPushButton>(dialog, "eraseButton")->isEnabled());
        dialog.SetRecorders({QString::fromStdString(titles[0]), QString::fromStdString(titles[1])});
        dialog.WatchRecorder(device.get());
        QVERIFY(Widget<QCheckBox>(dialog, "ejectCheck")->isEnabled());
        QVERIFY(Widget<QPushButton>(dialog, "eraseButton")->isEnabled());
        // The drive is asked on a worker; the facts follow when it has answered.
        QTRY_COMPARE_WITH_TIMEOUT(dialog.Facts(),
                                  QString::fromUtf8("DVD+R · Blank disc · 4.4 GB free"), 5000);

        // Taken out, then a disc with a session put in: the dialog notices on its own.
        dialog.show();
        recorders[0]->RemoveMedium();
        QTRY_COMPARE_WITH_TIMEOUT(dialog.Facts(), QString("No disc"), 5000);
        disc::VirtualMedium used(disc::VirtualMedium::Kind::DvdPlusR);
        used.CommitWrite(0, 1600);
        QVERIFY(!used.CloseSession(false).Failed());
        recorders[0]->InsertMedium(used);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.Facts().contains("1 session"), 5000);
        // 1600 blocks written and the 12304 the session's lead-out and the next lead-in take.
        QCOMPARE(dialog.Facts(),
                 QString::fromUtf8("DVD+R · 27.2 MB used, 4.4 GB free · 1 session"));

        // A closed disc says so.
        disc::VirtualMedium closed(disc::VirtualMedium::Kind::DvdPlusR);
        closed.CommitWrite(0, 32);
        QVERIFY(!closed.CloseSession(true).Failed());
        recorders[0]->InsertMedium(closed);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.Facts().contains("Disc closed"), 5000);
    }

    void burnIsTheDefaultAndCancelStopsARunningJob() {
        DiscDialog dialog(nullptr);
        auto* burn = Widget<QPushButton>(dialog, "writeButton");
        auto* erase = Widget<QPushButton>(dialog, "eraseButton");
        auto* cancel = Widget<QPushButton>(dialog, "cancelButton");
        QCOMPARE(burn->text(), QString("Burn"));
        QVERIFY(burn->isDefault());
        QVERIFY(!erase->isDefault() && !erase->autoDefault());
        QCOMPARE(Widget<QLabel>(dialog, "writeLabel")->text(), QString("Writing"));
        QCOMPARE(Widget<QLabel>(dialog, "bufferLabel")->text(), QString("Drive buffer"));

        dialog.show();
        QSignalSpy stops(&dialog, &DiscDialog::cancelRequested);
        QSignalSpy writes(&dialog, &DiscDialog::writeRequested);
        dialog.SetBusy(true);
        QVERIFY(!burn->isEnabled() && !erase->isEnabled());
        QVERIFY(cancel->isEnabled());
        cancel->click();
        QCOMPARE(stops.count(), 1);
        dialog.reject();
        QVERIFY2(dialog.isVisible(), "a running job keeps the dialog open");
        dialog.SetBusy(false);
        dialog.PickFiles = [] { return QStringList{"/x/a.mp4"}; };
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(writes.count(), 1);
        cancel->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(stops.count(), 1);
    }

    void failuresLeadWithAPlainSentenceAndKeepTheDialogOpen() {
        DiscDialog dialog(nullptr);
        QStringList shown;
        dialog.ShowError = [&](const QString& text) { shown << text; };
        dialog.show();
        const QString words = "WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]";
        dialog.ShowFailure(words, true);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0], QString("The disc could not be written: the recorder reported an "
                                   "error.\n\n") +
                               words);
        QVERIFY(dialog.isVisible());
        QCOMPARE(DiscDialog::FailureSentence("OPERATION ABORTED BY USER", true),
                 QString("The disc could not be written: it was cancelled."));
        QCOMPARE(DiscDialog::FailureSentence("THE DISC IS NOT REWRITABLE", false),
                 QString("The disc could not be erased: the disc is not rewritable."));
        QCOMPARE(DiscDialog::FailureSentence("recorder busy", true),
                 QString("The disc could not be written: another job is using the recorder."));
    }

    void pickerStartsInVideosOrHomeListsMp4AndRemembersTheFolder() {
        const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        const QString start = DiscDialog::PickerFolder();
        QVERIFY2(start == (QFileInfo(videos).isDir() ? videos : QDir::homePath()),
                 qPrintable(start));
        const QString first = DiscDialog::PickerFilters().section(";;", 0, 0);
        QVERIFY2(first.contains("*.mp4") && first.contains("*.avi") && first.contains("*.qvs"),
                 qPrintable(first));
        DiscDialog::RememberPicked({tmp_.filePath("show.qvs")});
        QCOMPARE(DiscDialog::PickerFolder(), tmp_.path());
    }

    // The video the window has just written is where the picker opens, chosen: writing it to a
    // disc is one click. A suggested file that is gone leaves the usual folder.
    void pickerOpensAtTheSuggestedVideo() {
        const QString video = tmp_.filePath("holiday.mp4");
        QFile file(video);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        for (const QString& suggested : {video, tmp_.filePath("gone.mp4")}) {
            DiscDialog dialog(nullptr);
            dialog.SuggestFile(suggested);
            QStringList chosen;
            QString folder;
            QTimer::singleShot(0, this, [&] {
                QFileDialog* picker = ModalFileDialog();
                QVERIFY(picker);
                chosen = picker->selectedFiles();
                folder = picker->directory().absolutePath();
                picker->reject();
            });
            dialog.PickFiles();
            if (suggested == video) {
                QCOMPARE(chosen, QStringList{video});
            } else {
                QCOMPARE(folder, QDir(DiscDialog::PickerFolder()).absolutePath());
                QVERIFY(!chosen.contains(suggested));
            }
        }
    }

    // With REELPANE_SHOT_DIR set (scripts/disc-dialog-screenshots.sh under Xvfb): the dialog
    // as a user meets it, once with a disc holding a session and once with none, saved there.
    void screenshots() {
        const QString out = qEnvironmentVariable("REELPANE_SHOT_DIR");
        if (out.isEmpty())
            QSKIP("REELPANE_SHOT_DIR not set");
        std::vector<std::shared_ptr<disc::VirtualRecorder>> recorders;
        auto device = Device({"dvd+rw", "cd-r"}, recorders);
        disc::VirtualMedium used(disc::VirtualMedium::Kind::DvdPlusRw);
        QVERIFY(!used.Format(0x26).Failed());
        recorders[0]->InsertMedium(used);
        // A volume of 2000 blocks at the start of the disc, as a burn leaves it.
        QByteArray pvd(2048, '\0');
        pvd[0] = 1;
        pvd.replace(1, 5, "CD001");
        pvd[80] = char(2000 & 0xFF);
        pvd[81] = char(2000 >> 8);
        QFile image(tmp_.filePath("dvd+rw.img"));
        QVERIFY(image.open(QIODevice::ReadWrite));
        image.seek(16 * 2048);
        image.write(pvd);
        image.close();
        QStringList titles;
        for (const std::string& t : device->DeviceTitles())
            titles << QString::fromStdString(t);
        titles << "ISO image file";
        DiscDialog dialog(nullptr);
        dialog.SetRecorders(titles);
        dialog.WatchRecorder(device.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.SetWriteProgress(700, 1000, 85);
        QTest::qWait(500);
        QVERIFY(dialog.grab().save(out + "/disc-dialog-with-disc.png"));
        // The X screen as well, to show the dialog as the server draws it.
        (void)QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/screen-with-disc.png");
        recorders[0]->RemoveMedium();
        QTRY_COMPARE_WITH_TIMEOUT(dialog.Facts(), QString("No disc"), 5000);
        dialog.ResetProgress();
        QTest::qWait(500);
        QVERIFY(dialog.grab().save(out + "/disc-dialog-no-disc.png"));
        (void)QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/screen-no-disc.png");
    }
};

QTEST_MAIN(DiscDialogTest)
#include "disc_dialog_test.moc"
