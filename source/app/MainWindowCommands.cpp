// Main window: its menus, the commands its buttons and menus run, and the help, about and link
// windows they open.
#include "app/HelpWindow.h"
#include "app/LinkAddresses.h"
#include "app/MainWindow.h"
#include "app/PhotoRefitCommand.h"
#include "app/ProgramPicture.h"
#include "app/WindowMenuBar.h"
#include "app/WindowMenus.h"
#include "base/Language.h"
#include "project/ui/AboutDialog.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include <algorithm>
#include <array>

namespace ui {

void MainWindow::CreateMenus() {
    const WindowMenus menus = CreateWindowMenus(
        this, *Commands, *Files, *Export, [this] { openShowMusic(); },
        [this] { chooseTransition(Storyboard->SelectedSlide()); });
    PhotoMenu = menus.Photo;
    TrackMenu = menus.Track;
    // "Add title" leads the photo's menu's commands that add to the show, after its edits.
    QAction* addTitle = new QAction(base::Tr(base::TextKey::AddTitle, "Добавить титр..."), this);
    addTitle->setObjectName("AddTitleAction");
    addTitle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    addTitle->setShortcutContext(Qt::WindowShortcut);
    connect(addTitle, &QAction::triggered, Titles, &TitleCommands::addTitle);
    addAction(addTitle);
    const QList<QAction*> entries = PhotoMenu->actions();
    const auto separator =
        std::find_if(entries.begin(), entries.end(), [](QAction* a) { return a->isSeparator(); });
    PhotoMenu->insertAction(separator != entries.end() ? *separator : nullptr, addTitle);
    // "Make a collage" of two to four picked photos, after the commands that add: offered only
    // while the picked slides are such photos.
    QAction* makeCollage =
        new QAction(base::Tr(base::TextKey::MakeCollage, "Сделать коллаж"), this);
    makeCollage->setObjectName("MakeCollageAction");
    connect(makeCollage, &QAction::triggered, Collages, &CollageCommands::makeCollage);
    addAction(makeCollage);
    PhotoMenu->insertAction(separator != entries.end() ? *separator : nullptr, makeCollage);
    makeCollage->setEnabled(false);
    connect(Storyboard, &StoryboardView::viewChanged, makeCollage,
            [this, makeCollage] { makeCollage->setEnabled(Collages->CanMakeCollage()); });
    // A moving photo's clip in its place: in the menu, after "Add title", only while the selected
    // photo has one.
    QAction* useClip =
        new QAction(base::Tr(base::TextKey::UseItsClip, "Показывать видео вместо фото"), this);
    useClip->setObjectName("UseItsClipAction");
    connect(useClip, &QAction::triggered, Moving, &MovingPhotoCommand::useItsClip);
    connect(PhotoMenu, &QMenu::aboutToShow, this, [this, useClip, addTitle] {
        const bool offered = Moving->Offers(Storyboard->SelectedSlide());
        if (!offered) {
            PhotoMenu->removeAction(useClip);
        } else if (!PhotoMenu->actions().contains(useClip)) {
            // In the language chosen now: the entry is not in the menu when the texts are put on.
            useClip->setText(base::Tr(base::TextKey::UseItsClip, "Показывать видео вместо фото"));
            const QList<QAction*> shown = PhotoMenu->actions();
            const qsizetype next = shown.indexOf(addTitle) + 1;
            PhotoMenu->insertAction(next < shown.size() ? shown[next] : nullptr, useClip);
        }
    });
    SaveMenu = menus.Save;
}

void MainWindow::CreateMenuBar() {
    MenuBarCommands commands;
    commands.AddPhotos = [this] { Import->addPhotos(); };
    commands.AddMusic = [this] { Import->addMusic(); };
    commands.Burn = [this] { Disc->writeDisc(); };
    commands.RefitPhotos = [this] { refit_->FromOriginals(); };
    commands.Settings = [this] { settings_->OpenDialog(); };
    commands.Help = [this] { openHelp(); };
    commands.About = [this] { openAbout(); };
    commands.Quit = [this] { close(); };
    MenuBar = CreateWindowMenuBar(*this, std::move(commands));
}

void MainWindow::ConnectCommands() {
    const std::array<QToolButton*, 6> effects = {Form->cropButton,  Form->captionButton,
                                                 Form->turnButton,  Form->lightButton,
                                                 Form->colorButton, Form->timeButton};
    for (int page = 0; page < 6; ++page)
        connect(effects[static_cast<std::size_t>(page)], &QToolButton::clicked, this,
                [this, page] { Commands->openEffects(page); });
    connect(Form->settingsButton, &QToolButton::clicked, this, [this] { settings_->OpenDialog(); });
    connect(Form->helpButton, &QToolButton::clicked, this, &MainWindow::openHelp);
    connect(Form->aboutButton, &QToolButton::clicked, this, &MainWindow::openAbout);
    connect(Form->newButton, &QToolButton::clicked, Files, &ShowFileController::newProject);
    connect(Form->openButton, &QToolButton::clicked, Files, &ShowFileController::openProject);
    connect(Form->previewButton, &QToolButton::clicked, Preview, &PreviewController::start);
    // The save button pops its menu from the button and from its drop-down arrow.
    Form->saveButton->setPopupMode(QToolButton::MenuButtonPopup);
    Form->saveButton->setMenu(SaveMenu);
    connect(Form->saveButton, &QToolButton::clicked, this, &MainWindow::showSaveMenu);
    connect(Form->discButton, &QToolButton::clicked, Disc, &DiscController::writeDisc);
    connect(Form->addPhotosButton, &QToolButton::clicked, Import, &ImportController::addPhotos);
    connect(Form->addMusicButton, &QToolButton::clicked, Import, &ImportController::addMusic);
    connect(Form->previousPageButton, &QToolButton::clicked, Commands,
            &StoryboardCommands::previousStripPage);
    connect(Form->nextPageButton, &QToolButton::clicked, Commands,
            &StoryboardCommands::nextStripPage);

    // F1 in the window's dialogs (see eventFilter).
    qApp->installEventFilter(this);
    Form->previewImage->installEventFilter(this);
    Form->bottomBar->installEventFilter(this);
    Form->photoStrip->installEventFilter(this);
    for (QLabel* link : {Form->siteLink, Form->slideShowsLink, Form->photographyLink,
                         Form->freePhotosLink, Form->videoFormatLink, Form->discFormatLink})
        link->installEventFilter(this);
}

void MainWindow::openHelp() {
    QWidget* front = QApplication::activeModalWidget();
    openHelpFor(front && front != this ? front : nullptr);
}

void MainWindow::openHelpFor(QWidget* front) {
    // Shown over the window in front (a modal dialog lets only its own windows in), at the
    // section that explains it.
    QWidget* parent = front ? front : this;
    if (!help_ || help_->parentWidget() != parent) {
        delete help_;
        help_ = new HelpWindow(Dialogs.OpenExternal, parent);
    }
    const QString file = HelpFile();
    if (!help_->ShowSection(file, HelpSectionFor(front))) {
        delete help_;
        Dialogs.ShowMessage(LaunchFailureText(file));
        return;
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void MainWindow::openAbout() {
    AboutDialog dialog(SiteURL, Dialogs.OpenExternal, DrawProgramPicture, this);
    dialog.exec();
}

void MainWindow::showSaveMenu() {
    if (Busy())
        return;
    SaveMenu->popup(Form->saveButton->mapToGlobal(QPoint(0, Form->saveButton->height())));
}

QString MainWindow::LinkAddress(int number) const {
    return ui::LinkAddress(number, SiteURL, windowTitle());
}

void MainWindow::openLink(int number) {
    // OpenExternal tells the user itself when no program takes the address.
    const QString address = LinkAddress(number);
    if (!address.isEmpty())
        Dialogs.OpenExternal(address);
}

} // namespace ui
