// The window's menu bar: six menus of the usual shape in both languages, every key of the window
// listed in them, and each entry running the window's own command.
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "app/HelpWindow.h"
#include "base/ProgramFolder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>

using ui::MainWindowProbe;

namespace menu_bar_test {

// Every action the menu bar reaches, through its submenus too.
void Collect(const QMenu& menu, QList<QAction*>& into) {
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        if (action->menu())
            Collect(*action->menu(), into);
        else
            into << action;
    }
}

QList<QAction*> BarActions(MainWindowProbe& form) {
    QList<QAction*> all;
    for (QAction* top : form.menuBar()->actions())
        Collect(*top->menu(), all);
    return all;
}

QStringList Titles(MainWindowProbe& form) {
    QStringList titles;
    for (QAction* top : form.menuBar()->actions())
        titles << top->text();
    return titles;
}

// The entry of the bar's menu `title` whose action is named `name`.
QAction* Entry(MainWindowProbe& form, int menu, const char* name) {
    QList<QAction*> entries;
    Collect(*form.menuBar()->actions().at(menu)->menu(), entries);
    for (QAction* a : entries)
        if (a->objectName() == QLatin1String(name))
            return a;
    qFatal("menu %d has no entry %s", menu, name);
}

} // namespace menu_bar_test

using namespace menu_bar_test;

class MenuBarTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path());
        base::SetProgramFolderForTesting(tmp_.path()); // no language files: built-in texts
        QVERIFY(QDir(tmp_.path()).mkpath("help"));
        for (const char* file : {"help.html", "help-ru.html"})
            QVERIFY(QFile::copy(QStringLiteral(REELPANE_TEST_SOURCE_DIR) + "/help/" + file,
                                tmp_.filePath(QString("help/") + file)));
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(QColor(40, 40, 200));
        photo_ = tmp_.filePath("photo.png");
        QVERIFY(image.save(photo_));
    }

    // Six menus in both languages; every key the window answers to is an entry with its key
    // shown, no key twice, every entry named.
    void menusHoldEveryKeyInBothLanguages() {
        MainWindowProbe form;
        QCOMPARE(Titles(form),
                 QStringList({"&Файл", "П&равка", "Ф&ото", "&Музыка", "&Показ", "&Справка"}));
        const QList<QAction*> entries = BarActions(form);
        QSet<QString> keys;
        for (QAction* action : form.findChildren<QAction*>()) {
            if (action->shortcut().isEmpty())
                continue;
            QVERIFY2(entries.contains(action), qPrintable(action->objectName()));
            const QString key = action->shortcut().toString();
            QVERIFY2(!keys.contains(key), qPrintable(key));
            keys << key;
        }
        for (const char* key :
             {"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+Shift+S", "Ctrl+Z", "Ctrl+Shift+Z", "Del",
              "Ctrl+Left", "Alt+1", "Alt+9", "F5", "F1", "Ctrl+Q", "Home", "End", "Ctrl+T"})
            QVERIFY2(keys.contains(key), key);
        // Only Space, the preview's second key, stays a key outside the menus.
        const auto shortcuts = form.findChildren<QShortcut*>();
        QCOMPARE(shortcuts.size(), 1);
        QCOMPARE(shortcuts[0]->key(), QKeySequence(Qt::Key_Space));

        for (const auto& [file, titles] :
             {std::pair{QString("english.lng"),
                        QStringList({"&File", "&Edit", "&Photo", "&Music", "&Show", "&Help"})},
              std::pair{QString("russian.lng"), QStringList({"&Файл", "П&равка", "Ф&ото", "&Музыка",
                                                             "&Показ", "&Справка"})}}) {
            form.LoadLanguageFile(QStringLiteral(REELPANE_TEST_SOURCE_DIR) + "/language/" + file);
            QCOMPARE(Titles(form), titles);
            for (QAction* action : BarActions(form))
                QVERIFY2(!action->text().isEmpty(), qPrintable(action->objectName()));
        }
        QCOMPARE(Entry(form, 0, "QuitAction")->text(), QString("Выход"));
        form.LoadLanguageFile(QStringLiteral(REELPANE_TEST_SOURCE_DIR) + "/language/english.lng");
        QCOMPARE(Entry(form, 0, "QuitAction")->text(), QString("Quit"));
        QCOMPARE(Entry(form, 1, "NextPhotoShortcut")->text(), QString("Next photo"));
        QCOMPARE(Entry(form, 2, "AddTitleAction")->text(), QString("Add title..."));
        // Saving as a video is where a new user looks for it, in File, as well as in Show.
        QCOMPARE(Entry(form, 0, "SaveVideoAction"), Entry(form, 4, "SaveVideoAction"));
    }

    // Each menu's entries run the window's commands: the file dialogs, the photo's edits and
    // moves, undo, the help and quitting.
    void entriesRunTheWindowsCommands() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QStringList asked;
        form.Dialogs.AskOpenName = [&] { return asked << "open", QString(); };
        form.Dialogs.AskPhotoFiles = [&] { return asked << "photos", QStringList(); };
        form.Dialogs.AskTrackFiles = [&] { return asked << "music", QStringList(); };
        form.Dialogs.AskSaveName = [&](const QString&, bool) { return asked << "save", QString(); };
        form.Dialogs.OpenExternal = [&](const QString& target) { asked << target; };
        form.Dialogs.AskYesNo = [&](const QString&, const QString&) { return true; };
        form.Dialogs.ShowMessage = [&](const QString& text) { asked << text; };
        Entry(form, 0, "OpenShortcut")->trigger();
        Entry(form, 2, "AddPhotosAction")->trigger();
        Entry(form, 3, "AddMusicAction")->trigger();
        Entry(form, 0, "SaveShowAction")->trigger();
        QCOMPARE(asked, QStringList({"open", "photos", "music", "save"}));
        Entry(form, 5, "HelpAction")->trigger(); // the help inside the program
        auto* help = form.findChild<ui::HelpWindow*>();
        QVERIFY(help && help->isVisible());
        QCOMPARE(asked.size(), 4);

        for (int i = 0; i < 3; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        form.Storyboard->SelectSlide(0);
        const auto first = form.Show.Slides()[0].WorkFile;
        Entry(form, 1, "LastPhotoShortcut")->trigger();
        QCOMPARE(form.Storyboard->SelectedSlide(), 2);
        Entry(form, 1, "PreviousPhotoShortcut")->trigger();
        QCOMPARE(form.Storyboard->SelectedSlide(), 1);
        Entry(form, 1, "FirstPhotoShortcut")->trigger();
        Entry(form, 2, "MoveRightShortcut")->trigger();
        QCOMPARE(form.Show.Slides()[1].WorkFile, first);
        Entry(form, 2, "DeletePhotoAction")->trigger();
        QCOMPARE(form.Show.Slides().size(), std::size_t{2});
        Entry(form, 1, "UndoAction")->trigger();
        QCOMPARE(form.Show.Slides().size(), std::size_t{3});
        Entry(form, 1, "RedoAction")->trigger();
        QCOMPARE(form.Show.Slides().size(), std::size_t{2});

        form.History.MarkSaved(); // nothing to ask about on the way out
        Entry(form, 0, "QuitAction")->trigger();
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(MenuBarTest)
#include "menu_bar_test.moc"
