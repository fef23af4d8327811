// The settings and about dialogs, and the main window's settings and language at start and exit.
#include "MainWindowProbe.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "project/Slide.h"
#include "project/ui/AboutDialog.h"
#include "project/ui/SettingsDialog.h"
#include "ui_AboutDialog.h"
#include "ui_SettingsDialog.h"

#include "WidgetLookup.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString kSource = QStringLiteral(REELPANE_TEST_SOURCE_DIR);

void Touch(const QString& path, const QByteArray& content = {}) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class SettingsTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<QTemporaryDir> program_;

    QString SettingsFile() const {
        return config_->path() + "/Tarnwick/Tarnwick Reelpane Freeware 1.9.conf";
    }
    // A program folder with the given shipped language files.
    void MakeProgramFolder(const QStringList& languageFiles) {
        QVERIFY(QDir(program_->path()).mkpath("language"));
        for (const QString& name : languageFiles)
            QVERIFY(
                QFile::copy(kSource + "/language/" + name, program_->path() + "/language/" + name));
        base::SetProgramFolderForTesting(program_->path());
    }

private Q_SLOTS:
    void init() {
        config_ = std::make_unique<QTemporaryDir>();
        program_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config_->path());
        base::AppLanguage() = base::Language();
        base::SetProgramFolderForTesting(program_->path());
    }
    void cleanup() {
        base::AppLanguage() = base::Language();
        base::SetProgramFolderForTesting(QString());
    }

    void dialogListsLanguageFilesSortedWithTheLoadedOneSelected() {
        const QString folder = program_->path() + "/";
        for (const char* name : {"zeta.lng", "Beta.LNG", "alpha.lng", "readme.txt"})
            Touch(folder + name);
        std::string resolution = "1024x768";
        ui::SettingsDialog dialog(resolution, QSize(1280, 1024), folder, "BETA.lng");
        QCOMPARE(Items(Widget<QComboBox>(dialog, "languageCombo")),
                 QStringList({"alpha.lng", "Beta.LNG", "zeta.lng"}));
        QCOMPARE(Widget<QComboBox>(dialog, "languageCombo")->currentIndex(), 1);
        QVERIFY(Widget<QRadioButton>(dialog, "languageFileRadio")->isChecked());
        QVERIFY(Widget<QComboBox>(dialog, "languageCombo")->isEnabled());
        QCOMPARE(dialog.width(), 415);
        QCOMPARE(Items(Widget<QComboBox>(dialog, "resolutionCombo")),
                 QStringList({"800x600", "1024x768", "1280x1024", "1600x1200", "1280x720",
                              "1920x1080", "2560x1440", "3840x2160"}));
        QCOMPARE(Widget<QComboBox>(dialog, "resolutionCombo")->currentText(), QString("1024x768"));

        // An unknown loaded file leaves the first entry selected; OK loads the selection.
        ui::SettingsDialog other(resolution, QSize(1280, 1024), folder, "klingon.lng");
        QCOMPARE(Widget<QComboBox>(other, "languageCombo")->currentIndex(), 0);
        Widget<QComboBox>(other, "languageCombo")->setCurrentIndex(2);
        Widget<QComboBox>(other, "resolutionCombo")->setCurrentIndex(3);
        Widget<QPushButton>(other, "okButton")->click();
        QCOMPARE(other.result(), int(QDialog::Accepted));
        QCOMPARE(other.LanguageFileToLoad(), folder + "zeta.lng");
        QCOMPARE(other.Resolution(), std::string("1600x1200"));
    }

    void dialogWithoutLanguageFolderKeepsTheCurrentTexts() {
        std::string resolution = "800x600";
        ui::SettingsDialog dialog(resolution, QSize(1280, 1024), program_->path() + "/none/", "");
        QVERIFY(Widget<QRadioButton>(dialog, "defaultLanguageRadio")->isChecked());
        QVERIFY(!Widget<QComboBox>(dialog, "languageCombo")->isEnabled());
        Widget<QRadioButton>(dialog, "languageFileRadio")->click();
        QVERIFY(Widget<QRadioButton>(dialog, "defaultLanguageRadio")->isChecked());
        QVERIFY(!Widget<QComboBox>(dialog, "languageCombo")->isEnabled());
        Widget<QPushButton>(dialog, "okButton")->click();
        QCOMPARE(dialog.LanguageFileToLoad(), QString());
        QCOMPARE(resolution, std::string("800x600"));
    }

    void dialogDefaultChoiceLoadsEnglishWhenPresent() {
        MakeProgramFolder({"english.lng", "russian.lng"});
        const QString folder = base::LanguageFolder();
        std::string resolution = "800x600";
        ui::SettingsDialog dialog(resolution, QSize(1280, 1024), folder, "russian.lng");
        // Each file is offered by its language's own name; the loaded one is selected.
        QCOMPARE(Items(Widget<QComboBox>(dialog, "languageCombo")),
                 QStringList({"English", QString::fromUtf8("Русский")}));
        QCOMPARE(Widget<QComboBox>(dialog, "languageCombo")->currentText(),
                 QString::fromUtf8("Русский"));
        Widget<QRadioButton>(dialog, "defaultLanguageRadio")->click();
        Widget<QPushButton>(dialog, "okButton")->click();
        QCOMPARE(dialog.LanguageFileToLoad(), folder + "english.lng");
    }

    void dialogNamesLanguagesAndLoadsTheChosenFile() {
        MakeProgramFolder({"english.lng", "russian.lng"});
        const QString folder = base::LanguageFolder();
        Touch(folder + "old.lng", "2=Open\r\n"); // a file from before names were written
        std::string resolution = "800x600";
        ui::SettingsDialog dialog(resolution, QSize(1280, 1024), folder, "english.lng");
        auto* list = Widget<QComboBox>(dialog, "languageCombo");
        QCOMPARE(Items(list), QStringList({"English", "old.lng", QString::fromUtf8("Русский")}));
        QCOMPARE(list->currentIndex(), 0);
        list->setCurrentIndex(2);
        Widget<QPushButton>(dialog, "okButton")->click();
        QCOMPARE(dialog.LanguageFileToLoad(), folder + "russian.lng");
    }

    void dialogSelectsResolutionByHeight() {
        std::string resolution = "1280x800"; // no entry of that height: the default one
        ui::SettingsDialog dialog(resolution, QSize(1024, 768), "", "");
        QCOMPARE(Widget<QComboBox>(dialog, "resolutionCombo")->currentText(), QString("1280x1024"));
        Widget<QPushButton>(dialog, "okButton")->click();
        QCOMPARE(dialog.Resolution(), std::string("1280x1024"));

        resolution = "1366x768";
        ui::SettingsDialog wide(resolution, QSize(1024, 768), "", "");
        QCOMPARE(Widget<QComboBox>(wide, "resolutionCombo")->currentText(), QString("1024x768"));

        // The sizes of today's videos, up to 4K, are offered and kept.
        resolution = "3840x2160";
        ui::SettingsDialog uhd(resolution, QSize(1024, 768), "", "");
        auto* sizes = Widget<QComboBox>(uhd, "resolutionCombo");
        QCOMPARE(sizes->currentText(), QString("3840x2160"));
        QVERIFY(sizes->findText("1920x1080") >= 0 && sizes->findText("2560x1440") >= 0);
        Widget<QPushButton>(uhd, "okButton")->click();
        QCOMPARE(uhd.Resolution(), std::string("3840x2160"));
    }

    // Background of new photos: the usual colours, the light grey used until now, and a colour
    // of the user's, named by its value.
    void backgroundOfNewPhotosOffersColoursAndAChosenOne() {
        ui::SettingsDialog dialog("800x600", QSize(1024, 768), "", "");
        auto* combo = Widget<QComboBox>(dialog, "backgroundCombo");
        QCOMPARE(combo->count(), 5);
        dialog.SetNewPhotoBackground(project::kButtonFaceColor);
        QCOMPARE(combo->currentText(), QString::fromUtf8("Светло-серый (системный)"));
        dialog.SetNewPhotoBackground(0x302010);
        QCOMPARE(combo->currentIndex(), 4);
        QCOMPARE(combo->currentText(), QString::fromUtf8("Выбранный цвет (#102030)..."));
        dialog.PickColor = [](const QColor&) { return QColor(1, 2, 3); };
        combo->setCurrentIndex(4);
        Q_EMIT combo->activated(4);
        QCOMPARE(dialog.NewPhotoBackground(), 0x030201);
        combo->setCurrentIndex(0);
        Q_EMIT combo->activated(0);
        QCOMPARE(dialog.NewPhotoBackground(), 0x000000);
    }

    void dialogFirstRunTakesTheScreenSizeEvenWhenCancelled() {
        std::string resolution;
        ui::SettingsDialog dialog(resolution, QSize(1600, 1200), "", "");
        QCOMPARE(dialog.Resolution(), std::string("1600x1200"));
        QCOMPARE(Widget<QComboBox>(dialog, "resolutionCombo")->currentText(), QString("1600x1200"));
        Widget<QComboBox>(dialog, "resolutionCombo")->setCurrentIndex(0);
        Widget<QPushButton>(dialog, "cancelButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.Resolution(), std::string("1600x1200"));
        QCOMPARE(resolution, std::string()); // the caller's value is the caller's to change
        QCOMPARE(dialog.LanguageFileToLoad(), QString());
    }

    void dialogsTakeTheirTextsFromTheTable() {
        MakeProgramFolder({"english.lng"});
        std::string resolution = "800x600";
        {
            ui::SettingsDialog russian(resolution, QSize(800, 600), "", "");
            QCOMPARE(russian.windowTitle(), QString::fromUtf8("Настройки"));
            QCOMPARE(Widget<QPushButton>(russian, "cancelButton")->text(),
                     QString::fromUtf8("Отмена"));
        }
        QVERIFY(
            base::LoadLanguageFile(base::AppLanguage(), base::LanguageFolder() + "english.lng"));
        ui::SettingsDialog english(resolution, QSize(800, 600), "", "");
        QCOMPARE(english.windowTitle(), QString("Settings"));
        QCOMPARE(Widget<QGroupBox>(english, "languageBox")->title(),
                 QString("Choose the language:"));
        QCOMPARE(Widget<QGroupBox>(english, "resolutionBox")->title(),
                 QString("Optimise for the resolution:"));
        QCOMPARE(Widget<QPushButton>(english, "cancelButton")->text(), QString("Cancel"));

        // The picture is the caller's drawing, asked for at the size the dialog shows it.
        QStringList opened;
        int pictureSize = 0;
        const auto drawPicture = [&](int size) {
            pictureSize = size;
            QImage picture(size, size, QImage::Format_ARGB32);
            picture.fill(Qt::darkBlue);
            return picture;
        };
        ui::AboutDialog about(
            "https://example.org/", [&](const QString& a) { opened << a; }, drawPicture);
        QCOMPARE(about.windowTitle(), QString("About"));
        QCOMPARE(Widget<QLabel>(about, "nameLabel")->text(), QString("Tarnwick Reelpane Freeware"));
        QCOMPARE(about.size(), QSize(323, 144));
        QVERIFY(!Widget<QLabel>(about, "pictureLabel")->pixmap().isNull());
        QCOMPARE(pictureSize, Widget<QLabel>(about, "pictureLabel")->width());
        QTest::mouseClick(Widget<QLabel>(about, "siteLink"), Qt::LeftButton);
        QCOMPARE(opened, QStringList({"https://example.org/"}));
    }

    void mainWindowIsEnglishWithEnglishFileAndWritesSettingsAtExit() {
        MakeProgramFolder({"english.lng", "russian.lng"});
        {
            ui::MainWindowProbe form;
            form.show();
            QCOMPARE(base::AppLanguage().LanguageFile, std::string("english.lng"));
            QCOMPARE(Widget<QToolButton>(form, "openButton")->toolTip(), QString("Open"));
            QCOMPARE(Widget<QToolButton>(form, "newButton")->toolTip(), QString("New slide show"));
            QCOMPARE(form.TrackMenu->findChild<QAction*>("TrackSettingsAction")->text(),
                     QString("Settings..."));
            QCOMPARE(form.windowTitle(), QString("Tarnwick Reelpane Freeware 1.9"));
            QVERIFY(form.close());
        }
        QSettings stored(SettingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value("Language").toString(), QString("english.lng"));
        QVERIFY(stored.contains("Resolution"));
        QFile raw(SettingsFile());
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(raw.readAll().contains("Language=english.lng"));
    }

    void mainWindowIsRussianWithoutEnglishFile() {
        MakeProgramFolder({});
        ui::MainWindowProbe form;
        QVERIFY(base::AppLanguage().LanguageTable.empty());
        QCOMPARE(Widget<QToolButton>(form, "openButton")->toolTip(), QString::fromUtf8("Открыть"));
        QCOMPARE(form.PhotoMenu->findChild<QAction*>("DeletePhotoAction")->text(),
                 QString::fromUtf8("Удалить"));
        QCOMPARE(form.SaveMenu->findChild<QAction*>("SaveVideoAction")->text(),
                 QString::fromUtf8("Сохранить как видео…"));
        QVERIFY(form.close());
        QCOMPARE(QSettings(SettingsFile(), QSettings::IniFormat).value("Language").toString(),
                 QString());
    }

    void mainWindowReadsTheStoredLanguageResolutionAndSite() {
        MakeProgramFolder({"english.lng", "russian.lng"});
        {
            QSettings stored("Tarnwick", "Tarnwick Reelpane Freeware 1.9");
            stored.setValue("Language", "russian.lng");
            stored.setValue("Resolution", "800x600");
            stored.setValue("SiteURL", "https://example.org/site");
        }
        ui::MainWindowProbe form;
        QCOMPARE(base::AppLanguage().LanguageFile, std::string("russian.lng"));
        QCOMPARE(Widget<QToolButton>(form, "openButton")->toolTip(), QString::fromUtf8("Открыть"));
        QCOMPARE(form.Show.Photos().Resolution, std::string("800x600"));
        QCOMPARE(form.SiteURL, QString("https://example.org/site"));
        QCOMPARE(form.LinkAddress(6), QString("https://example.org/site"));
        QVERIFY(form.LinkAddress(7).startsWith("https://"));
        QVERIFY(form.LinkAddress(12).isEmpty());
    }

    void cancelledSettingsOnFirstRunStoreTheScreenSizeAtExit() {
        MakeProgramFolder({"english.lng"});
        {
            ui::MainWindowProbe form;
            form.show();
            QCOMPARE(form.Show.Photos().Resolution, std::string("1920x1080")); // nothing chosen
            // Cancel the modal settings dialog as soon as it is up.
            auto* closer = new QTimer(&form);
            connect(closer, &QTimer::timeout, closer, [] {
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
            });
            closer->start(10);
            QTest::mouseClick(Widget<QToolButton>(form, "settingsButton"), Qt::LeftButton);
            closer->stop();
            const QSize screen = QGuiApplication::primaryScreen()->size();
            const std::string expected =
                std::to_string(screen.width()) + "x" + std::to_string(screen.height());
            QCOMPARE(form.Show.Photos().Resolution, expected);
            QVERIFY(form.close());
        }
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(QSettings(SettingsFile(), QSettings::IniFormat).value("Resolution").toString(),
                 QString("%1x%2").arg(screen.width()).arg(screen.height()));
    }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
