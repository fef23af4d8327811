// Main window: the toolbar, menu and item commands.
#include "app/MainWindow.h"
#include "app/TransitionChooser.h"
#include "app/UndoControls.h"

#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "base/ui/LanguageTexts.h"
#include "imaging/ui/EffectsDialog.h"
#include "media/ShowMix.h"
#include "media/ui/ProgressWindow.h"
#include "media/ui/TrackDialog.h"
#include "project/Settings.h"
#include "project/SettingsChoices.h"
#include "project/ui/AboutDialog.h"
#include "project/ui/Icons.h"
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

using base::TextKey;

namespace ui {

using base::Tr;

void MainWindow::CreateMenus() {
    PhotoMenu = new QMenu(this);
    PhotoMenu->setObjectName("PhotoMenu");
    auto* deletePhoto = PhotoMenu->addAction("Удалить");
    deletePhoto->setObjectName("DeletePhotoAction");
    auto* movePhotoRight = PhotoMenu->addAction("Сдвинуть вправо");
    movePhotoRight->setObjectName("MovePhotoRightAction");
    auto* movePhotoLeft = PhotoMenu->addAction("Сдвинуть влево");
    movePhotoLeft->setObjectName("MovePhotoLeftAction");
    connect(deletePhoto, &QAction::triggered, Commands, &StoryboardCommands::deletePhoto);
    connect(movePhotoRight, &QAction::triggered, Commands, &StoryboardCommands::movePhotoRight);
    connect(movePhotoLeft, &QAction::triggered, Commands, &StoryboardCommands::movePhotoLeft);

    TrackMenu = new QMenu(this);
    TrackMenu->setObjectName("TrackMenu");
    auto* trackSettings = TrackMenu->addAction("Настроить...");
    trackSettings->setObjectName("TrackSettingsAction");
    auto* showMusic = TrackMenu->addAction("Музыка показа...");
    showMusic->setObjectName("ShowMusicAction");
    connect(showMusic, &QAction::triggered, this, &MainWindow::openShowMusic);
    TrackMenu->addSeparator();
    auto* deleteTrack = TrackMenu->addAction("Удалить");
    deleteTrack->setObjectName("DeleteTrackAction");
    auto* moveTrackRight = TrackMenu->addAction("Сдвинуть вправо");
    moveTrackRight->setObjectName("MoveTrackRightAction");
    auto* moveTrackLeft = TrackMenu->addAction("Сдвинуть влево");
    moveTrackLeft->setObjectName("MoveTrackLeftAction");
    connect(trackSettings, &QAction::triggered, Commands, &StoryboardCommands::openTrackSettings);
    connect(deleteTrack, &QAction::triggered, Commands, &StoryboardCommands::deleteTrack);
    connect(moveTrackRight, &QAction::triggered, Commands, &StoryboardCommands::moveTrackRight);
    connect(moveTrackLeft, &QAction::triggered, Commands, &StoryboardCommands::moveTrackLeft);

    SaveMenu = new QMenu(this);
    SaveMenu->setObjectName("SaveMenu");
    auto* saveShow = SaveMenu->addAction("Сохранить как QVS...");
    saveShow->setObjectName("SaveShowAction");
    // One entry for both video kinds: the file dialog offers AVI and MP4 together.
    auto* saveVideo = SaveMenu->addAction("Сохранить как видео…");
    saveVideo->setObjectName("SaveVideoAction");
    connect(saveShow, &QAction::triggered, this, &MainWindow::saveAsProject);
    connect(saveVideo, &QAction::triggered, Export, &VideoExportController::saveAsVideo);
}

void MainWindow::ConnectCommands() {
    const std::array<QToolButton*, 6> effects = {Form->CropButton,  Form->CaptionButton,
                                                 Form->TurnButton,  Form->LightButton,
                                                 Form->ColorButton, Form->TimeButton};
    for (int tag = 0; tag < 6; ++tag) {
        effects[static_cast<std::size_t>(tag)]->setProperty("Tag", tag);
        connect(effects[static_cast<std::size_t>(tag)], &QToolButton::clicked, this,
                [this, tag] { Commands->openEffects(tag); });
    }
    connect(Form->SettingsButton, &QToolButton::clicked, this, &MainWindow::openSettings);
    connect(Form->HelpButton, &QToolButton::clicked, this, &MainWindow::openHelp);
    connect(Form->AboutButton, &QToolButton::clicked, this, &MainWindow::openAbout);
    connect(Form->NewButton, &QToolButton::clicked, this, &MainWindow::newProject);
    connect(Form->OpenButton, &QToolButton::clicked, this, &MainWindow::openProject);
    connect(Form->PreviewButton, &QToolButton::clicked, Preview, &PreviewController::start);
    // The save button pops its menu from the button and from its drop-down arrow.
    Form->SaveButton->setPopupMode(QToolButton::MenuButtonPopup);
    Form->SaveButton->setMenu(SaveMenu);
    connect(Form->SaveButton, &QToolButton::clicked, this, &MainWindow::showSaveMenu);
    connect(Form->DiscButton, &QToolButton::clicked, Disc, &DiscController::writeDisc);
    connect(Form->AddPhotosButton, &QToolButton::clicked, this, &MainWindow::addPhotos);
    connect(Form->AddMusicButton, &QToolButton::clicked, this, &MainWindow::addMusic);
    connect(Form->PreviousPageButton, &QToolButton::clicked, Commands,
            &StoryboardCommands::previousStripPage);
    connect(Form->NextPageButton, &QToolButton::clicked, Commands,
            &StoryboardCommands::nextStripPage);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &MainWindow::openHelp);

    Form->Image1->installEventFilter(this);
    Form->Panel2->installEventFilter(this);
    Form->PhotoStrip->installEventFilter(this);
    for (QLabel* link : {Form->LinkIcon1, Form->LinkIcon2, Form->LinkIcon3, Form->LinkIcon4,
                         Form->LinkIcon5, Form->LinkIcon6})
        link->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The bottom bar gets its new width after the window's own resize event.
    if (watched == Form->Panel2 && event->type() == QEvent::Resize)
        CenterBottomToolbar();
    // The photo strip's width decides how many cells a page holds: the resize handling.
    if (watched == Form->PhotoStrip && event->type() == QEvent::Resize)
        layoutWindow();
    // The preview area changes size with the window, also in height alone: the selected photo
    // is composed again at the new size (the running preview draws its own frames).
    if (watched == Form->Image1 && event->type() == QEvent::Resize && !Preview->Running())
        Storyboard->ShowSelectedInPreview();
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Form->Image1) {
            Preview->stop();
            return true;
        }
        const std::array<QObject*, 6> links = {Form->LinkIcon1, Form->LinkIcon2, Form->LinkIcon3,
                                               Form->LinkIcon4, Form->LinkIcon5, Form->LinkIcon6};
        for (std::size_t k = 0; k < links.size(); ++k)
            if (watched == links[k]) {
                openLink(static_cast<int>(k) + 6); // the links keep their numbers 6..11
                return true;
            }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::openSettings() {
    if (Busy())
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1280, 1024);
    SettingsDialog dialog(Show.Resolution, screenSize, base::LanguageFolder(),
                          QFile::decodeName(base::AppLanguage().LanguageFile.c_str()), this);
    dialog.SetNewPhotoBackground(Show.NewPhotoBackColor);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // A first run takes the screen size even when the dialog is cancelled.
    Show.Resolution = dialog.Resolution();
    if (!accepted)
        return;
    Show.NewPhotoBackColor = dialog.NewPhotoBackground();
    project::WriteSetting(QStringLiteral("NewPhotoBackground"), Show.NewPhotoBackColor);
    if (const QString path = dialog.LanguageFileToLoad(); !path.isEmpty())
        LoadLanguageFile(path);
}

void MainWindow::openHelp() {
    OpenExternal(base::ProgramFolder() + "help/help.html"); // says so when nothing opens it
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
    } else if (!AskYesNo(Tr(TextKey::AskNewShow, "Создать новое слайдшоу?"),
                         Tr(TextKey::NewShowCaption, "Создание"))) {
        return;
    }
    if (Busy() || closed_)
        return;
    ClearShow();
}

void MainWindow::showSaveMenu() {
    if (Busy())
        return;
    SaveMenu->popup(Form->SaveButton->mapToGlobal(QPoint(0, Form->SaveButton->height())));
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
    Show.SetOptions(media::NewShowOptions());
    Show.PurgeWorkFolders();
    layoutWindow();
}

void MainWindow::ApplyLanguage() {
    try {
        // The caption never comes from the table.
        UpdateTitle();
        ApplyLanguageTexts({
            {TextKey::Open, Form->OpenButton},
            HintText(TextKey::Open, Form->OpenButton),
            {TextKey::Preview, Form->PreviewButton},
            HintText(TextKey::Preview, Form->PreviewButton),
            {TextKey::Save, Form->SaveButton},
            HintText(TextKey::Save, Form->SaveButton),
            {TextKey::Burn, Form->DiscButton},
            HintText(TextKey::Burn, Form->DiscButton),
            HintText(TextKey::AddPhotos, Form->AddPhotosButton),
            HintText(TextKey::AddMusic, Form->AddMusicButton),
            HintText(TextKey::Settings, Form->SettingsButton),
            HintText(TextKey::Help, Form->HelpButton),
            HintText(TextKey::Crop, Form->CropButton),
            HintText(TextKey::Caption, Form->CaptionButton),
            HintText(TextKey::Rotate, Form->TurnButton),
            HintText(TextKey::Lighting, Form->LightButton),
            HintText(TextKey::ColourEffects, Form->ColorButton),
            HintText(TextKey::Duration, Form->TimeButton),
            {TextKey::DeletePhoto, PhotoMenu->findChild<QAction*>("DeletePhotoAction")},
            {TextKey::MovePhotoRight, PhotoMenu->findChild<QAction*>("MovePhotoRightAction")},
            {TextKey::MovePhotoLeft, PhotoMenu->findChild<QAction*>("MovePhotoLeftAction")},
            {TextKey::SwapWith, PhotoMenu->findChild<QAction*>("SwapWith")},
            {TextKey::TrackSettings, TrackMenu->findChild<QAction*>("TrackSettingsAction")},
            {TextKey::ShowMusic, TrackMenu->findChild<QAction*>("ShowMusicAction")},
            {TextKey::DeleteTrack, TrackMenu->findChild<QAction*>("DeleteTrackAction")},
            {TextKey::MoveTrackRight, TrackMenu->findChild<QAction*>("MoveTrackRightAction")},
            {TextKey::MoveTrackLeft, TrackMenu->findChild<QAction*>("MoveTrackLeftAction")},
            {TextKey::SaveShow, SaveMenu->findChild<QAction*>("SaveShowAction")},
            {TextKey::SaveVideo, SaveMenu->findChild<QAction*>("SaveVideoAction")},
            HintText(TextKey::About, Form->AboutButton),
            HintText(TextKey::NewShow, Form->NewButton),
        });
        Storyboard->HintTransitionCells(); // names: keys 16-25 and 41-44
        for (auto [action, key, builtin] : {std::tuple{Undo->UndoAction, 924, "Отменить"},
                                            std::tuple{Undo->RedoAction, 925, "Повторить"}}) {
            if (!action)
                continue;
            action->setText(Tr(key, builtin));
            action->setToolTip(action->text() + " (" +
                               action->shortcut().toString(QKeySequence::NativeText) + ")");
        }
        // What each link icon opens, named before it is clicked.
        const std::array<QLabel*, 6> links = {Form->LinkIcon1, Form->LinkIcon2, Form->LinkIcon3,
                                              Form->LinkIcon4, Form->LinkIcon5, Form->LinkIcon6};
        const char* const what[6] = {"Сайт Reelpane",   "О слайд-шоу",         "О фотографии",
                                     "Бесплатные фото", "О формате видео AVI", "О формате дисков"};
        for (int i = 0; i < 6; ++i)
            links[static_cast<std::size_t>(i)]->setToolTip(
                Tr(base::KeyNumber(TextKey::LinkSite) + i, what[i]) + QStringLiteral("\n") +
                LinkAddress(i + 6));
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
    const std::array<QToolButton*, 6> effects = {Form->CropButton,  Form->CaptionButton,
                                                 Form->TurnButton,  Form->LightButton,
                                                 Form->ColorButton, Form->TimeButton};
    const IconKind kinds[6] = {IconKind::Crop,  IconKind::Text,   IconKind::Rotate,
                               IconKind::Light, IconKind::Colors, IconKind::Duration};
    for (std::size_t i = 0; i < effects.size(); ++i) {
        effects[i]->setIcon(MakeIcon(kinds[i], 19));
        effects[i]->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> top[] = {{Form->SettingsButton, IconKind::Settings},
                                                     {Form->HelpButton, IconKind::Help},
                                                     {Form->AboutButton, IconKind::About}};
    for (const auto& [b, k] : top) {
        b->setIcon(MakeIcon(k, 19));
        b->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> bottom[] = {{Form->NewButton, IconKind::New},
                                                        {Form->OpenButton, IconKind::Open},
                                                        {Form->PreviewButton, IconKind::Preview},
                                                        {Form->SaveButton, IconKind::Save},
                                                        {Form->DiscButton, IconKind::Disc}};
    for (const auto& [b, k] : bottom) {
        b->setIcon(MakeIcon(k, 55));
        b->setIconSize(QSize(55, 55));
    }
    Form->AddPhotosButton->setIcon(MakeIcon(IconKind::AddPhoto, 48));
    Form->AddPhotosButton->setIconSize(QSize(48, 48));
    Form->AddMusicButton->setIcon(MakeIcon(IconKind::AddMusic, 48));
    Form->AddMusicButton->setIconSize(QSize(48, 48));
    int variant = 0;
    for (QLabel* link : {Form->LinkIcon1, Form->LinkIcon2, Form->LinkIcon3, Form->LinkIcon4,
                         Form->LinkIcon5, Form->LinkIcon6})
        link->setPixmap(DrawIcon(IconKind::Link, 16, variant++));
}

} // namespace ui
