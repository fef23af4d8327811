// The track dialog's texts fit in every language the program ships: no label is cut, also with
// the longest playing position it will show and a long track title.
#include "app/MainWindow.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "media/ui/TrackDialog.h"
#include "project/Duration.h"

#include "WidgetLookup.h"

#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kSource = QStringLiteral(REELPANE_TEST_SOURCE_DIR);

// Empty when every label of the dialog shows its whole text; otherwise the labels that do not.
QStringList CutLabels(const QWidget& dialog) {
    QStringList cut;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        const QSize need = label->wordWrap() ? QSize(label->minimumSizeHint().width(),
                                                     label->heightForWidth(label->width()))
                                             : label->sizeHint();
        if (need.width() > label->width() || need.height() > label->height())
            cut << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                       .arg(label->objectName(), label->text())
                       .arg(need.width())
                       .arg(need.height())
                       .arg(label->width())
                       .arg(label->height());
    }
    return cut;
}

} // namespace

class TrackDialogLayoutTest final : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path() + "/config");
        base::SetProgramFolderForTesting(tmp_.path());
    }

    void everyTextFits_data() {
        QTest::addColumn<QString>("languageFile");
        QTest::newRow("built-in") << QString();
        QTest::newRow("english") << QStringLiteral("english.lng");
        QTest::newRow("russian") << QStringLiteral("russian.lng");
    }

    void everyTextFits() {
        QFETCH(QString, languageFile);
        base::AppLanguage() = base::Language();
        if (!languageFile.isEmpty())
            QVERIFY(
                base::LoadLanguageFile(base::AppLanguage(), kSource + "/language/" + languageFile));
        ui::MainWindow main;
        // A track over an hour long whose whole length passes its playing time: the widest
        // position text the dialog will show.
        project::Track track = project::Track::MakeDefault();
        track.Title = "A rather long track title that takes two lines of the dialog";
        track.PlaySeconds = 3 * 3600 + 38 * 60 + 8;
        track.LengthSeconds = 10 * 3600;
        ui::TrackDialog dialog(track, &main);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QStringList cut = CutLabels(dialog);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));

        // The position while playing, at its widest, and the fullest volume: still whole, and
        // the dialog keeps its size.
        const QSize before = dialog.size();
        auto* position = Widget<QLabel>(dialog, "playingTimeLabel");
        position->setText(QString::fromStdString(project::FormatDuration(9 * 3600 + 59 * 60 + 58) +
                                                 "/" + project::FormatDuration(track.PlaySeconds)));
        Widget<QLabel>(dialog, "volumeLabel")->setText("100%");
        QTest::qWait(20);
        cut = CutLabels(dialog);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
        QCOMPARE(dialog.size(), before);
        // Nothing sticks out of the group that holds it.
        auto* group = Widget<QGroupBox>(dialog, "trackBox");
        for (const QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible())
                QVERIFY2(group->contentsRect().contains(child->geometry()),
                         qPrintable(child->objectName()));
        QVERIFY(dialog.width() >= 270 && dialog.height() >= 165);
        base::AppLanguage() = base::Language();
    }
};

QTEST_MAIN(TrackDialogLayoutTest)
#include "track_dialog_layout_test.moc"
