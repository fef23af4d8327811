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

#include <functional>

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

    // The photo size shown is the show's own, never another of the same height, and the screen's
    // size is offered beside the usual ones; OK without a new choice hands back the show's text.
    void dialogShowsTheShowsSizeAndOffersTheScreens() {
        struct Row {
            std::string show;
            QSize screen;
            QString selected;
            QStringList added;
        };
        const Row rows[] = {
            {"1920x1080", {1366, 768}, "1920x1080", {"1366x768"}},
            {"1280x800", {1024, 768}, "1280x800", {"1280x800"}},
            {"1440x1080", {2560, 1440}, "1440x1080", {"1440x1080"}},
            {"", {1600, 1200}, "1280x1024", {}}, // a show naming no size is fitted to this one
        };
        const QStringList usual{"800x600",  "1024x768",  "1280x1024", "1600x1200",
                                "1280x720", "1920x1080", "2560x1440", "3840x2160"};
        for (const Row& r : rows) {
            ui::SettingsDialog dialog(r.show, r.screen, "", "");
            auto* sizes = Widget<QComboBox>(dialog, "resolutionCombo");
            QCOMPARE(Items(sizes), usual + r.added);
            QCOMPARE(sizes->currentText(), r.selected);
            Widget<QPushButton>(dialog, "okButton")->click();
            QCOMPARE(dialog.Resolution(), r.show);
            QVERIFY(!dialog.ResolutionChanged());
        }
        // The screen's size, once chosen, is what OK hands back; Cancel hands back the show's.
        for (const bool ok : {true, false}) {
            ui::SettingsDialog dialog("1920x1080", QSize(1366, 768), "", "");
            auto* sizes = Widget<QComboBox>(dialog, "resolutionCombo");
            sizes->setCurrentIndex(sizes->findText("1366x768"));
            Widget<QPushButton>(dialog, ok ? "okButton" : "cancelButton")->click();
            QCOMPARE(dialog.Resolution(), std::string(ok ? "1366x768" : "1920x1080"));
            QCOMPARE(dialog.ResolutionChanged(), ok);
        }
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

    // A new user changes only the language and presses OK, or cancels: the show keeps the size
    // a new show has, nothing is stored as chosen, and a chosen size is stored at the close.
    void settingsChangeThePhotoSizeOnlyWhenAnotherIsChosen() {
        MakeProgramFolder({"english.lng", "russian.lng"});
        const auto runDialog = [](ui::MainWindowProbe& form,
                                  const std::function<void(QWidget*)>& answer) {
            auto* closer = new QTimer(&form);
            connect(closer, &QTimer::timeout, closer, [closer, answer] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    closer->stop();
                    answer(modal);
                }
            });
            closer->start(10);
            QTest::mouseClick(Widget<QToolButton>(form, "settingsButton"), Qt::LeftButton);
            closer->deleteLater();
        };
        {
            ui::MainWindowProbe form;
            form.show();
            QCOMPARE(form.Show.Photos().Resolution, std::string("1920x1080"));
            runDialog(form, [](QWidget* dialog) {
                auto* languages = Widget<QComboBox>(*dialog, "languageCombo");
                languages->setCurrentIndex(languages->findText(QString::fromUtf8("Русский")));
                QCOMPARE(Widget<QComboBox>(*dialog, "resolutionCombo")->currentText(),
                         QString("1920x1080"));
                Widget<QPushButton>(*dialog, "okButton")->click();
            });
            QCOMPARE(base::AppLanguage().LanguageFile, std::string("russian.lng"));
            QCOMPARE(form.Show.Photos().Resolution, std::string("1920x1080"));
            runDialog(form, [](QWidget* dialog) {
                Widget<QComboBox>(*dialog, "resolutionCombo")->setCurrentIndex(0);
                Widget<QPushButton>(*dialog, "cancelButton")->click();
            });
            QCOMPARE(form.Show.Photos().Resolution, std::string("1920x1080"));
            QVERIFY(form.close());
        }
        QSettings stored(SettingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value("Language").toString(), QString("russian.lng"));
        QCOMPARE(stored.value("Resolution").toString(), QString());
        {
            ui::MainWindowProbe form;
            form.show();
            QCOMPARE(form.Show.Photos().Resolution, std::string("1920x1080"));
            runDialog(form, [](QWidget* dialog) {
                auto* sizes = Widget<QComboBox>(*dialog, "resolutionCombo");
                sizes->setCurrentIndex(sizes->findText("2560x1440"));
                Widget<QPushButton>(*dialog, "okButton")->click();
            });
            QCOMPARE(form.Show.Photos().Resolution, std::string("2560x1440"));
            QVERIFY(form.close());
        }
        QCOMPARE(QSettings(SettingsFile(), QSettings::IniFormat).value("Resolution").toString(),
                 QString("2560x1440"));
    }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
