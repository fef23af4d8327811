// Main window: the toolbar, menu and item commands.
#include "app/MainWindow.h"
#include "app/TransitionChooser.h"

#include "base/ProgramFolder.h"
#include "imaging/ui/EffectsDialog.h"
#include "media/ui/ProgressWindow.h"
#include "media/ui/TrackDialog.h"
#include "project/Language.h"
#include "project/SettingsChoices.h"
#include "project/ui/AboutDialog.h"
#include "project/ui/Icons.h"
#include "project/ui/LanguageTexts.h"
#include "project/ui/SettingsDialog.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace ui {

using project::Tr;

void MainWindow::CreateMenus() {
    PhotoMenu = new QMenu(this);
    PhotoMenu->setObjectName("PhotoMenu");
    auto* n1 = PhotoMenu->addAction("Удалить");
    n1->setObjectName("N1");
    auto* n2 = PhotoMenu->addAction("Сдвинуть вправо");
    n2->setObjectName("N2");
    auto* n3 = PhotoMenu->addAction("Сдвинуть влево");
    n3->setObjectName("N3");
    connect(n1, &QAction::triggered, this, &MainWindow::deletePhoto);
    connect(n2, &QAction::triggered, this, &MainWindow::movePhotoRight);
    connect(n3, &QAction::triggered, this, &MainWindow::movePhotoLeft);

    TrackMenu = new QMenu(this);
    TrackMenu->setObjectName("TrackMenu");
    auto* n5 = TrackMenu->addAction("Настроить...");
    n5->setObjectName("N5");
    TrackMenu->addSeparator();
    auto* m1 = TrackMenu->addAction("Удалить");
    m1->setObjectName("MenuItem1");
    auto* m2 = TrackMenu->addAction("Сдвинуть вправо");
    m2->setObjectName("MenuItem2");
    auto* m3 = TrackMenu->addAction("Сдвинуть влево");
    m3->setObjectName("MenuItem3");
    connect(n5, &QAction::triggered, this, &MainWindow::openTrackSettings);
    connect(m1, &QAction::triggered, this, &MainWindow::deleteTrack);
    connect(m2, &QAction::triggered, this, &MainWindow::moveTrackRight);
    connect(m3, &QAction::triggered, this, &MainWindow::moveTrackLeft);

    SaveMenu = new QMenu(this);
    SaveMenu->setObjectName("SaveMenu");
    auto* n6 = SaveMenu->addAction("Сохранить как QVS...");
    n6->setObjectName("N6");
    auto* n7 = SaveMenu->addAction("Сохранить как AVI...");
    n7->setObjectName("N7");
    connect(n6, &QAction::triggered, this, &MainWindow::saveAsProject);
    connect(n7, &QAction::triggered, Export, &VideoExportController::saveAsVideo);
}

void MainWindow::ConnectCommands() {
    const std::array<QToolButton*, 6> effects = {Form->ToolButton1, Form->ToolButton2,
                                                 Form->ToolButton3, Form->ToolButton4,
                                                 Form->ToolButton5, Form->ToolButton6};
    for (int tag = 0; tag < 6; ++tag) {
        effects[static_cast<std::size_t>(tag)]->setProperty("Tag", tag);
        connect(effects[static_cast<std::size_t>(tag)], &QToolButton::clicked, this,
                [this, tag] { openEffects(tag); });
    }
    connect(Form->ToolButton13, &QToolButton::clicked, this, &MainWindow::openSettings);
    connect(Form->ToolButton14, &QToolButton::clicked, this, &MainWindow::openHelp);
    connect(Form->ToolButton15, &QToolButton::clicked, this, &MainWindow::openAbout);
    connect(Form->ToolButton7, &QToolButton::clicked, this, &MainWindow::newProject);
    connect(Form->ToolButton8, &QToolButton::clicked, this, &MainWindow::openProject);
    connect(Form->ToolButton9, &QToolButton::clicked, this, &MainWindow::startPreview);
    // The save button pops its menu from the button and from its drop-down arrow.
    Form->ToolButton10->setPopupMode(QToolButton::MenuButtonPopup);
    Form->ToolButton10->setMenu(SaveMenu);
    connect(Form->ToolButton10, &QToolButton::clicked, this, &MainWindow::showSaveMenu);
    connect(Form->ToolButton11, &QToolButton::clicked, Disc, &DiscController::writeDisc);
    connect(Form->SpeedButton3, &QToolButton::clicked, this, &MainWindow::addPhotos);
    connect(Form->SpeedButton4, &QToolButton::clicked, this, &MainWindow::addMusic);
    connect(Form->SpeedButton1, &QToolButton::clicked, this, &MainWindow::previousStripPage);
    connect(Form->SpeedButton2, &QToolButton::clicked, this, &MainWindow::nextStripPage);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &MainWindow::openHelp);

    Form->Image1->installEventFilter(this);
    Form->Panel2->installEventFilter(this);
    Form->Panel16->installEventFilter(this);
    for (QLabel* link :
         {Form->Image6, Form->Image7, Form->Image8, Form->Image9, Form->Image10, Form->Image11})
        link->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The bottom bar gets its new width after the window's own resize event.
    if (watched == Form->Panel2 && event->type() == QEvent::Resize)
        CenterBottomToolbar();
    // The photo strip's width decides how many cells a page holds: the resize handling.
    if (watched == Form->Panel16 && event->type() == QEvent::Resize)
        layoutWindow();
    // The preview area changes size with the window, also in height alone: the selected photo
    // is composed again at the new size (the running preview draws its own frames).
    if (watched == Form->Image1 && event->type() == QEvent::Resize && !Preview->Running())
        Storyboard->ShowSelectedInPreview();
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Form->Image1) {
            stopPreview();
            return true;
        }
        const QString name = watched->objectName();
        if (name.startsWith("Image")) {
            const int number = name.mid(5).toInt();
            if (number >= 6 && number <= 11) {
                openLink(number);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::openEffects(int tag) {
    if (Busy())
        return;
    if (Show.Slides.empty())
        return;
    Show.EffectsPage = tag;
    const auto index = static_cast<std::size_t>(
        std::clamp(Show.SelectedSlide, 0, static_cast<int>(Show.Slides.size()) - 1));
    // The effects rewrite the working picture: it is kept as it is now, for an undo.
    auto change = History.BeginChange(index);
    if (!change) {
        ShowMessage(QString::fromLocal8Bit(change.error().c_str()));
        return;
    }
    const project::Slide slide = Show.Slides[index];
    const QPixmap clean = Storyboard->CleanThumbnail(index);
    const imaging::Bitmap thumbnail =
        clean.isNull() ? imaging::Bitmap() : imaging::Bitmap::CreateFromImage(clean.toImage());
    ui::EffectsDialog dialog(slide, Show.Resolution, thumbnail, Show.EffectsPage, this);
    dialog.exec();
    // The dialog wrote the working file itself; the values and thumbnail come back from it.
    const project::Slide edited = dialog.SlideRecord();
    if (!dialog.Thumbnail().IsEmpty())
        Storyboard->SeedThumbnail(edited.WorkFile, dialog.Thumbnail().CopyToImage());
    Show.SetSlide(index, edited);
    if (dialog.SecondsForAll())
        for (std::size_t i = 0; i < Show.Slides.size(); ++i)
            (void)project::ApplySlideEdit(Show, i, project::SecondsEdit{edited.ShowSeconds});
    History.Commit(std::move(*change), QStringLiteral("effects"));
    Storyboard->LayoutPhotoStrip(Show.SlidePage);
    Storyboard->SelectSlide(Show.SelectedSlide);
}

void MainWindow::openSettings() {
    if (Busy())
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1280, 1024);
    SettingsDialog dialog(Show.Resolution, screenSize, project::LanguageFolder(),
                          QFile::decodeName(project::AppLanguage().LanguageFile.c_str()), this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // A first run takes the screen size even when the dialog is cancelled.
    Show.Resolution = dialog.Resolution();
    if (!accepted)
        return;
    if (const QString path = dialog.LanguageFileToLoad(); !path.isEmpty())
        LoadLanguageFile(path);
}

void MainWindow::openHelp() {
    try {
        OpenExternal(base::ProgramFolder() + "help/help.html");
    } catch (...) {
        // Opening the help page never stops the window.
    }
}

void MainWindow::openAbout() {
    AboutDialog dialog(SiteURL, OpenExternal, this);
    dialog.exec();
}

void MainWindow::newProject() {
    if (Busy())
        return;
    if (Show.Slides.empty())
        return;
    // Unsaved changes: the save question stands for the new-show question.
    if (History.IsModified()) {
        if (!SettleUnsavedChanges())
            return;
    } else if (!AskYesNo(Tr(49, "Создать новое слайдшоу?"), Tr(50, "Создание"))) {
        return;
    }
    if (Busy() || closed_)
        return;
    ClearShow();
}

void MainWindow::startPreview() {
    if (Show.Slides.empty() || Busy())
        return;
    Preview->start();
}

void MainWindow::showSaveMenu() {
    if (Busy())
        return;
    SaveMenu->popup(Form->ToolButton10->mapToGlobal(QPoint(0, Form->ToolButton10->height())));
}

void MainWindow::previousStripPage() {
    if (Busy())
        return;
    if (Show.SlidePage == 0)
        return;
    --Show.SlidePage;
    Storyboard->LayoutPhotoStrip(Show.SlidePage);
    Storyboard->SelectSlide(Show.SelectedSlide);
}

void MainWindow::nextStripPage() {
    if (Busy())
        return;
    const long long perPage = Form->Panel16->width() / 132;
    if (static_cast<long long>(Show.Slides.size()) >= perPage * (Show.SlidePage + 1) + 1)
        ++Show.SlidePage;
    Storyboard->LayoutPhotoStrip(Show.SlidePage);
    Storyboard->SelectSlide(Show.SelectedSlide);
}

void MainWindow::deletePhoto() {
    if (Busy())
        return;
    const int n = Show.SelectedSlide;
    if (n < 0 || n >= static_cast<int>(Show.Slides.size()))
        return;
    // Every answer but No deletes.
    if (!AskYesNo(Tr(51, "Удалить выбранный элемент?"), Tr(52, "Удаление")))
        return;
    // The question let events in: the show may have changed meanwhile.
    if (Busy() || closed_ || n >= static_cast<int>(Show.Slides.size()))
        return;
    // The step lays the strip out and selects the photo now at that place (the preview shows
    // the empty show when none is left).
    if (const auto deleted = History.DeleteSlide(static_cast<std::size_t>(n)); !deleted)
        ShowMessage(QString::fromLocal8Bit(deleted.error().c_str()));
}

void MainWindow::movePhotoRight() {
    if (Busy())
        return;
    // The selection stays at its place, now on the neighbour.
    const int n = Show.SelectedSlide;
    if (n < 0 || n + 1 >= static_cast<int>(Show.Slides.size()))
        return;
    History.MoveSlide(static_cast<std::size_t>(n), static_cast<std::size_t>(n + 1), n);
}

void MainWindow::movePhotoLeft() {
    if (Busy())
        return;
    const int n = Show.SelectedSlide;
    if (n < 1 || n >= static_cast<int>(Show.Slides.size()))
        return;
    History.MoveSlide(static_cast<std::size_t>(n), static_cast<std::size_t>(n - 1), n);
}

void MainWindow::openTrackSettings() {
    if (Busy())
        return;
    const int n = Show.SelectedSound;
    if (n < 0 || n >= static_cast<int>(Show.Sounds.size()))
        return;
    const auto index = static_cast<std::size_t>(n);
    auto change = History.BeginChange();
    TrackDialog dialog(Show.Sounds[index], this);
    dialog.exec();
    // The volume is the track's whichever way the dialog was closed, as it was heard.
    if (index < Show.Sounds.size()) {
        project::Track track = Show.Sounds[index];
        track.Volume = dialog.Volume();
        Show.SetSound(index, track);
    }
    if (change)
        History.Commit(std::move(*change), QStringLiteral("volume"));
}

void MainWindow::deleteTrack() {
    if (Busy())
        return;
    const int n = Show.SelectedSound;
    if (n < 0 || n >= static_cast<int>(Show.Sounds.size()))
        return;
    if (!AskYesNo(Tr(51, "Удалить выбранный элемент?"), Tr(52, "Удаление")))
        return;
    if (Busy() || closed_ || n >= static_cast<int>(Show.Sounds.size()))
        return;
    if (const auto deleted = History.DeleteTrack(static_cast<std::size_t>(n)); !deleted)
        ShowMessage(QString::fromLocal8Bit(deleted.error().c_str()));
}

void MainWindow::moveTrackRight() {
    if (Busy())
        return;
    const int n = Show.SelectedSound;
    if (n < 0 || n + 1 >= static_cast<int>(Show.Sounds.size()))
        return;
    History.MoveTrack(static_cast<std::size_t>(n), static_cast<std::size_t>(n + 1), n);
}

void MainWindow::moveTrackLeft() {
    if (Busy())
        return;
    const int n = Show.SelectedSound;
    if (n < 1 || n >= static_cast<int>(Show.Sounds.size()))
        return;
    History.MoveTrack(static_cast<std::size_t>(n), static_cast<std::size_t>(n - 1), n);
}

void MainWindow::stopPreview() {
    Preview->stop();
}

QString MainWindow::LinkAddress(int number) const {
    // Each format may use the site address (%1) and the program title (%2): the program's own
    // page first, then reading on slide shows, photography, free photos, the video format and
    // the disc format the program writes.
    static const char* const kFormats[6] = {
        "%1",
        "https://en.wikipedia.org/wiki/Slide_show",
        "https://en.wikipedia.org/wiki/Photography",
        "https://commons.wikimedia.org/wiki/Main_Page",
        "https://en.wikipedia.org/wiki/Audio_Video_Interleave",
        "https://en.wikipedia.org/wiki/ISO_9660",
    };
    if (number < 6 || number > 11)
        return QString();
    // Substituted in one pass, so a "%2" inside the site address stays as it is.
    const QString format = QString::fromLatin1(kFormats[number - 6]);
    QString address;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == '1' || format[i + 1] == '2')) {
            address += format[i + 1] == '1' ? SiteURL : windowTitle();
            ++i;
        } else {
            address += format[i];
        }
    }
    return address;
}

void MainWindow::openLink(int number) {
    try {
        const QString address = LinkAddress(number);
        if (!address.isEmpty())
            OpenExternal(address);
    } catch (...) {
        // Link failures are ignored.
    }
}

void MainWindow::ResetAfterCancel() {
    History.Clear();
    Show.ClearProject();
    Show.PurgeWorkFolders();
    layoutWindow();
}

void MainWindow::ApplyLanguage() {
    try {
        // The caption is fixed; it never comes from the table.
        setWindowTitle("Tarnwick Reelpane Freeware 1.9");
        ApplyLanguageTexts({
            {2, Form->ToolButton8},
            HintText(2, Form->ToolButton8),
            {3, Form->ToolButton9},
            HintText(3, Form->ToolButton9),
            {4, Form->ToolButton10},
            HintText(4, Form->ToolButton10),
            {5, Form->ToolButton11},
            HintText(5, Form->ToolButton11),
            HintText(6, Form->SpeedButton3),
            HintText(7, Form->SpeedButton4),
            HintText(8, Form->ToolButton13),
            HintText(9, Form->ToolButton14),
            HintText(10, Form->ToolButton1),
            HintText(11, Form->ToolButton2),
            HintText(12, Form->ToolButton3),
            HintText(13, Form->ToolButton4),
            HintText(14, Form->ToolButton5),
            HintText(15, Form->ToolButton6),
            {34, PhotoMenu->findChild<QAction*>("N1")},
            {35, PhotoMenu->findChild<QAction*>("N2")},
            {36, PhotoMenu->findChild<QAction*>("N3")},
            {70, PhotoMenu->findChild<QAction*>("SwapWith")},
            {37, TrackMenu->findChild<QAction*>("N5")},
            {38, TrackMenu->findChild<QAction*>("MenuItem1")},
            {39, TrackMenu->findChild<QAction*>("MenuItem2")},
            {40, TrackMenu->findChild<QAction*>("MenuItem3")},
            {45, SaveMenu->findChild<QAction*>("N6")},
            {46, SaveMenu->findChild<QAction*>("N7")},
            HintText(47, Form->ToolButton15),
            HintText(48, Form->ToolButton7),
        });
        Storyboard->HintTransitionCells(); // names: keys 16-25 and 41-44
        for (auto [action, key, builtin] :
             {std::tuple{UndoAction, 924, "Отменить"}, std::tuple{RedoAction, 925, "Повторить"}}) {
            if (!action)
                continue;
            action->setText(Tr(key, builtin));
            action->setToolTip(action->text() + " (" +
                               action->shortcut().toString(QKeySequence::NativeText) + ")");
        }
        if (ProgressView)
            ProgressView->ApplyLanguage(); // its Cancel button, key 33
        CenterBottomToolbar();
    } catch (...) {
        // Texts that cannot be applied leave the built-in ones.
    }
}

} // namespace ui

namespace ui {

void MainWindow::SetIcons() {
    const std::array<QToolButton*, 6> effects = {Form->ToolButton1, Form->ToolButton2,
                                                 Form->ToolButton3, Form->ToolButton4,
                                                 Form->ToolButton5, Form->ToolButton6};
    const IconKind kinds[6] = {IconKind::Crop,  IconKind::Text,   IconKind::Rotate,
                               IconKind::Light, IconKind::Colors, IconKind::Duration};
    for (std::size_t i = 0; i < effects.size(); ++i) {
        effects[i]->setIcon(MakeIcon(kinds[i], 19));
        effects[i]->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> top[] = {{Form->ToolButton13, IconKind::Settings},
                                                     {Form->ToolButton14, IconKind::Help},
                                                     {Form->ToolButton15, IconKind::About}};
    for (const auto& [b, k] : top) {
        b->setIcon(MakeIcon(k, 19));
        b->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> bottom[] = {{Form->ToolButton7, IconKind::New},
                                                        {Form->ToolButton8, IconKind::Open},
                                                        {Form->ToolButton9, IconKind::Preview},
                                                        {Form->ToolButton10, IconKind::Save},
                                                        {Form->ToolButton11, IconKind::Disc}};
    for (const auto& [b, k] : bottom) {
        b->setIcon(MakeIcon(k, 55));
        b->setIconSize(QSize(55, 55));
    }
    Form->SpeedButton3->setIcon(MakeIcon(IconKind::AddPhoto, 48));
    Form->SpeedButton3->setIconSize(QSize(48, 48));
    Form->SpeedButton4->setIcon(MakeIcon(IconKind::AddMusic, 48));
    Form->SpeedButton4->setIconSize(QSize(48, 48));
    int variant = 0;
    for (QLabel* link :
         {Form->Image6, Form->Image7, Form->Image8, Form->Image9, Form->Image10, Form->Image11})
        link->setPixmap(DrawIcon(IconKind::Link, 16, variant++));
}

} // namespace ui
