// Main window: the shell's creation (start-up) and closing (shut-down), the controllers it builds
// with their hosts, the busy state and the window's own events. Its menus and commands are in
// MainWindowCommands.cpp.
#include "app/MainWindow.h"
#include "app/AutosaveController.h"
#include "app/BottomBarLayout.h"
#include "app/ControlStates.h"
#include "app/HelpWindow.h"
#include "app/LinkAddresses.h"
#include "app/MusicEndNotice.h"
#include "app/NoticeStrip.h"
#include "app/PhotoRefitCommand.h"
#include "app/ProgramPicture.h"
#include "app/RunningJobs.h"
#include "app/ShowMusicCommand.h"
#include "app/TransitionChooser.h"
#include "app/WindowControlStates.h"
#include "app/WindowIcons.h"
#include "app/WindowJobs.h"
#include "app/WindowMenuBar.h"
#include "app/WindowMenus.h"
#include "app/WindowPlacement.h"
#include "app/WindowSettings.h"
#include "app/WindowTexts.h"
#include "project/TransitionChoice.h"

#include "base/FileName.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "base/ui/ProgressWindow.h"
#include "imaging/ImageLoad.h"
#include "imaging/ui/EffectsDialog.h"
#include "media/audio/AudioLibrary.h"
#include "media/music/ShowMix.h"
#include "project/Import.h"
#include "project/Settings.h"
#include "project/ui/AboutDialog.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include <array>
#include <memory>
#include <utility>

using base::TextKey;

namespace ui {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), Form(std::make_unique<Ui::MainWindow>()),
      runningJobs_(*this, [this] { UpdateControlStates(); }) {
    Form->setupUi(this);
    UseDesktopDialogs(Dialogs, *this);
    ProgressView = new ProgressWindow(this);
    // The progress window shown or hidden changes the busy state (see eventFilter).
    ProgressView->installEventFilter(this);
    Dialogs.ProgressVisible = [this] { return ProgressView && ProgressView->isVisible(); };
    Jobs = new WindowJobs(this, *ProgressView,
                          [this](base::Progress& job) { return runningJobs_.Begin(job); });
    CreateStoryboard();
    CreateControllers();
    showMusic_ =
        std::make_unique<ShowMusicCommand>(Host(), Show, History, *Jobs, Dialogs, *Storyboard);
    refit_ =
        std::make_unique<PhotoRefitCommand>(Host(), Show, History, Session.Files(), *Jobs, Dialogs);
    settings_ = std::make_unique<WindowSettings>(
        Host(), Show, History, SiteURL, [this](const QString& path) { LoadLanguageFile(path); });
    CreateMenus();
    SetWindowIcons(*Form);
    ConnectCommands();
    CreateHistoryActions();
    CreateMenuBar();
    createWindow();
}

MainWindow::~MainWindow() {
    // A job still running (destroyed without a close) is stopped before the show it copied from
    // and the widgets it reports to go.
    if (Jobs)
        Jobs->CancelAndWait();
    // The history outlives the window's widgets; it must not report to them any more.
    History.Stack().disconnect(this);
    History.OnFocus = nullptr;
    History.OnStepDone = nullptr;
    for (QObject* listener : {static_cast<QObject*>(Undo), static_cast<QObject*>(Files)})
        if (listener)
            History.Stack().disconnect(listener);
    // The storyboard follows the show, which is a member and goes before the window's children.
    delete Storyboard;
    Storyboard = nullptr;
    if (!closed_) {
        // Destroyed without a close (tests, abnormal exit): still remove the working copies.
        if (Autosave)
            Autosave->Discard();
        Session.Close();
        media::Audio().Unload();
    }
}

void MainWindow::CreateStoryboard() {
    Storyboard = new StoryboardView(*this,
                                    {Form->photoStrip, Form->musicStrip, Form->timeRuler,
                                     Form->storyboardPanel, Form->previewImage,
                                     Form->previousPageButton, Form->nextPageButton},
                                    Show);
    Storyboard->IsBusy = [this] { return Busy(); };
    // A step done or undone puts the selection on the item it concerns.
    History.OnFocus = [this](project::ItemKind kind, int index) {
        Storyboard->FocusItem(kind, index);
    };
    // A step that makes a show fitted to its music end elsewhere is told (see MusicEndNotice).
    History.OnStepDone = [this](const project::ShowContent& before) {
        if (const QString notice = MusicEndNotice(before, Show.Content()); !notice.isEmpty())
            Host().Tell(notice);
    };
    connect(Storyboard, &StoryboardView::viewChanged, this, &MainWindow::UpdateControlStates);
    connect(Storyboard, &StoryboardView::photoMenuRequested, this,
            [this] { PhotoMenu->popup(QCursor::pos()); });
    connect(Storyboard, &StoryboardView::trackMenuRequested, this,
            [this] { TrackMenu->popup(QCursor::pos()); });
    connect(Storyboard, &StoryboardView::transitionCellClicked, this,
            &MainWindow::chooseTransition);
    ControllerHost host = Host();
    host.Busy = [this] { return Busy() || closed_; };
    Commands = new StoryboardCommands(this, Show, History, *Storyboard, Dialogs, std::move(host));
    connect(this, &MainWindow::trackPlaybackFinished, Commands,
            &StoryboardCommands::trackPlaybackFinished);
    Titles = new TitleCommands(this, Show, History, Session.Files(), *Storyboard, Dialogs, Host());
    Collages =
        new CollageCommands(this, Show, History, Session.Files(), *Storyboard, Dialogs, Host());
    Moving =
        new MovingPhotoCommand(this, Show, History, Session.Files(), *Storyboard, Dialogs, Host());
    // A title slide opens the title editor wherever a photo opens its effects.
    Commands->EditTitle = [this](std::size_t index) {
        if (!Titles->IsTitle(static_cast<int>(index)))
            return false;
        Titles->editTitle(static_cast<int>(index));
        return true;
    };
    // A double click opens the photo's effects on the page used last, or the track's settings.
    connect(Storyboard, &StoryboardView::photoDoubleClicked, Commands, [this](int index) {
        // A clip opens on its own page, a photo on the page used last.
        const auto& slides = Show.Slides();
        const bool clip = index >= 0 && static_cast<std::size_t>(index) < slides.size() &&
                          slides[static_cast<std::size_t>(index)].Clip();
        Commands->openEffects(clip ? EffectsDialog::kClipPage : Storyboard->EffectsPage());
    });
    connect(Storyboard, &StoryboardView::trackDoubleClicked, Commands,
            &StoryboardCommands::openTrackSettings);
}

void MainWindow::chooseTransition(int index) {
    if (Busy() || index < 0 || index >= static_cast<int>(Show.Slides().size()))
        return;
    auto change = History.BeginChange();
    const auto thumbnail = [this](std::size_t i) {
        const QPixmap clean = Storyboard->CleanThumbnail(i);
        return clean.isNull() ? imaging::Bitmap()
                              : imaging::Bitmap::CreateFromImage(clean.toImage());
    };
    if (!change ||
        !ChooseTransition(change->Draft, index, this, thumbnail, Storyboard->PickedSlides()))
        return;
    if (auto done = History.Commit(std::move(*change), QStringLiteral("transition")); !done)
        Dialogs.ShowMessage(QString::fromLocal8Bit(done.error().c_str()));
    Storyboard->LayoutPhotoStrip(Storyboard->SlidePage());
    Commands->NoteLongTransitions();
}

void MainWindow::CreateControllers() {
    // Notices lie over the preview's bottom edge; the status bar keeps them but is not shown, so
    // nothing in the window moves while one shows.
    statusBar()->hide();
    new NoticeStrip(Form->previewFrame, statusBar());
    PreviewStage preview;
    preview.Picture = Form->previewImage;
    preview.PictureFrame = Form->previewFrame;
    preview.EditorParts = {Form->bottomBar, Form->storyboardPanel, Form->topBar};
    preview.Progress = [this] { return ProgressView; };
    preview.Rewind = [this] {
        Storyboard->LayoutPhotoStrip(0);
        Storyboard->SelectSlide(0);
    };
    preview.Restored = [this] {
        if (!Busy())
            Storyboard->ShowSelectedInPreview();
    };
    Preview = new PreviewController(this, Show, Session.Files(), Host(), std::move(preview));
    connect(Preview, &PreviewController::runningChanged, this, &MainWindow::UpdateControlStates);
    Export = new VideoExportController(this, Show, *Jobs, Dialogs, Host());
    connect(Export, &VideoExportController::runningChanged, this, &MainWindow::UpdateControlStates);
    // A written video's choices become the show's, as one step that is saved with the show.
    Export->ShowFile = [this] { return Files->ShowFile(); };
    Export->StoreOutput = [this](const project::OutputSettings& used) {
        if (used == Show.Options().Output)
            return;
        project::ShowOptions options = Show.Options();
        options.Output = used;
        (void)History.Apply({project::edit::SetOptions{options}}, QStringLiteral("video output"));
    };
    // The MP4 dialog's note has the photos drawn again at the size the video needs, as one step.
    Export->RefitPhotos = [this](int width, int height, std::function<void()> then) {
        refit_->AtSize(width, height, std::move(then));
    };
    Disc = new DiscController(this, Host());
    Disc->ShowFile = [this] { return Files->ShowFile(); };
    Disc->LastVideo = [this] { return Export->LastWritten(); };

    const auto haveFolders = [this] { return HaveWorkingFolders(); };
    Import = new ImportController(this, Show, Session.Files(), History, *Storyboard, *Jobs, Dialogs,
                                  Host(), haveFolders);
    Import->SlidePlaced = [this](const QString& path, const project::Slide& slide) {
        Moving->Remember(path, slide);
    };

    ShowFileController::Neighbours files;
    files.OpenButton = Form->openButton;
    files.HaveWorkingFolders = haveFolders;
    files.ThumbnailsToView = [this] { return Import->ThumbnailsToView(); };
    files.Relayout = [this](bool resetSelection) {
        if (resetSelection)
            Storyboard->ResetSelection();
        layoutWindow();
    };
    files.Autosave = [this] { return Autosave; };
    files.NewShowPhotos = [this] { return settings_->NewShowPhotos(); };
    files.OpenedShowPhotos = [this] { return settings_->OpenedShowPhotos(); };
    ControllerHost filesHost = Host();
    filesHost.Busy = [this] { return Busy() || closed_; };
    Files = new ShowFileController(this, Session, *Jobs, Dialogs, std::move(filesHost),
                                   std::move(files));

    StoryboardInput::WindowCommands input;
    input.DropFiles = [this](const QStringList& paths) { Import->AcceptDroppedPaths(paths); };
    input.NewShow = [this] { Files->newProject(); };
    input.OpenShow = [this] { Files->openProject(); };
    input.SaveShow = [this] { Files->saveProject(); };
    Input = new StoryboardInput(Host(), *Storyboard, *Commands, *Preview, std::move(input));
}

void MainWindow::createWindow() {
    // 1. Files dropped on the window are accepted.
    setAcceptDrops(true);
    // 2. The working folders: private to this user and this instance; leftovers of an earlier
    // run of this instance's folders are cleared, the working-file prefix is the process id.
    if (const auto opened = Session.Open(); !opened)
        QMessageBox::warning(this, windowTitle(),
                             QString::fromLocal8Bit(opened.error().c_str()) +
                                 "\nPhotos and music cannot be added in this session.");
    Session.New(media::NewShowOptions()); // a new show's music fades out at its end
    if (Session.IsOpen())
        Autosave = new AutosaveController(this, Show, History, Session.Folders().InstanceDir(),
                                          Host(), [this] { return Files->ShowFile(); });
    // 3. Caption and the built-in site address.
    setWindowTitle(ShowFileController::ProgramTitle());
    SetProgramIcon(*this);
    SiteURL = QString::fromLatin1(project::kBuiltInSiteURL);
    // 4. Settings and the language file.
    settings_->Read();
    History.Clear(); // the settings read at the start are no change of the user's
    // 5. Audio library and output device.
    // Without the library the program runs silent; a device that cannot be opened is reported.
    // Without a sound device the program starts as usual and plays silently; the user is told
    // once, in the status line, without a box to dismiss.
    media::Audio().LoadBesideProgram();
    if (media::Audio().OpenOutputOrSilence(this) != media::AudioLibrary::OutputKind::Device &&
        media::Audio().Loaded())
        QTimer::singleShot(0, this, [this] { ShowNotice(NoSoundText()); });

    // Buttons with a menu arrow get the arrow's width beside their picture.
    for (QToolButton* b : {Form->openButton, Form->saveButton})
        if (b->popupMode() == QToolButton::MenuButtonPopup)
            b->setFixedWidth(
                std::max(b->sizeHint().width(),
                         62 + b->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, b)));
    RestoreWindowPlacement(*this);
    setFocusPolicy(Qt::StrongFocus);
    ApplyLanguage();
    UpdateControlStates();
}

QString MainWindow::NoSoundText() {
    // The texts' language, told by a text every language file has: the Cancel button's.
    const bool russian =
        base::AppLanguage().Text(TextKey::Cancel, "Отмена") == QString::fromUtf8("Отмена");
    return russian ? QString::fromUtf8("Вывод звука недоступен: просмотр идёт без звука.")
                   : QStringLiteral("Sound output is not available: the preview plays silently.");
}

ControllerHost MainWindow::Host() {
    ControllerHost host;
    host.DialogParent = this;
    host.BeginJob = [this](base::Progress& job) { return runningJobs_.Begin(job); };
    host.Busy = [this] { return Busy(); };
    host.Notice = [this](const QString& text) { ShowNotice(text); };
    return host;
}

void MainWindow::ShowNotice(const QString& text) {
    statusBar()->showMessage(text, 15000);
}

bool MainWindow::HaveWorkingFolders() {
    if (Session.IsOpen())
        return true;
    Dialogs.ShowMessage(QString::fromLocal8Bit(Session.OpenError().c_str()) +
                        "\nPhotos and music cannot be added in this session.");
    return false;
}

bool MainWindow::Busy() const {
    return runningJobs_.Any() || Preview->Running() || Export->Running() || Disc->Running();
}

void MainWindow::OfferRecovery() {
    Files->OfferRecovery();
}

void MainWindow::OpenStartupShow(const QString& path) {
    OpenStartupPaths({path});
}

void MainWindow::OpenStartupPaths(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    // A show (or what is taken for one, and reported if it is not) opens alone; photos, clips,
    // tracks and folders are added to the new show as if dropped on the window.
    const auto media = [](const QString& path) {
        const std::string ext = project::ExtensionOf(base::EncodeFileName(path));
        return QFileInfo(path).isDir() || imaging::IsPhotoExtension(ext) ||
               project::IsClipExtension(ext) || project::IsTrackExtension(ext);
    };
    if (!media(paths.first())) {
        Files->OpenStartupShow(paths.first());
        return;
    }
    Import->AcceptDroppedPaths(paths);
}

void MainWindow::CloseWithoutQuestion() {
    closeWithoutQuestion_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    // Never tear the show down under a running job: ask it to stop and close when it has.
    if (runningJobs_.HoldClose()) {
        event->ignore();
        return;
    }
    Preview->stop();
    // Unsaved changes: the user saves them, lets them go, or keeps the window open. A save runs
    // as a job: the close goes on once it has saved.
    if (!closeWithoutQuestion_ && !closeSettled_) {
        const auto settle = Files->SettleUnsavedChanges([this](bool saved) {
            if (!saved)
                return;
            closeSettled_ = true;
            close();
        });
        if (settle != ShowFileController::Settle::GoOn) {
            event->ignore();
            return;
        }
    }
    // 1. No more drops.
    setAcceptDrops(false);
    // 2. The two remembered settings, and the window's size and place.
    settings_->Write();
    SaveWindowPlacement(*this);
    // A close by a signal keeps unsaved work in the recovery file, offered at the next start;
    // any other close settled the changes with the user, so the recovery file goes.
    if (Autosave) {
        if (closeWithoutQuestion_ && History.IsModified() && !Show.Slides().empty())
            Autosave->WriteNow();
        else
            Autosave->Discard();
    }
    // 3. Texts, show, working copies, bitmaps.
    base::AppLanguage().LanguageTable.clear();
    Session.Close();
    Storyboard->ReleasePictures();
    // 4. The preview (its music may still be reading tracks through the library), the playing
    // track, the output device and the audio library.
    Preview->stop();
    media::Audio().Unload();
    Disc->stop();
    closed_ = true;
    event->accept();
}

void MainWindow::customEvent(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(media::kUserMessageEvent))
        trackPlaybackEnded();
    else
        QMainWindow::customEvent(event);
}

void MainWindow::trackPlaybackEnded() {
    // The track is released even when its end notice cannot be removed: it has ended, and a
    // notice still to come finds no track playing.
    const base::Status stopped = media::Audio().StopTrack();
    static_cast<void>(stopped);
    Q_EMIT trackPlaybackFinished(); // an open track dialog shows its play button again
}

void MainWindow::layoutWindow() {
    CenterBottomToolbar(*Form);
    Storyboard->LayoutPhotoStrip(0);
    Storyboard->SelectSlide(Storyboard->SelectedSlide());
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyLanguage();
}

void MainWindow::LoadLanguageFile(const QString& path) {
    if (!base::LoadLanguageFile(base::AppLanguage(), path))
        return;
    ApplyLanguage();
}

void MainWindow::UpdateControlStates() {
    // Not while the window is being built or torn down (a job's end may still be told then).
    if (!Storyboard || !Form || !Preview || !Export || !Disc)
        return;
    const bool busy = (Dialogs.ProgressVisible && Dialogs.ProgressVisible()) || Busy();
    ApplyControlStates(*Form,
                       ComputeControlStates(busy, static_cast<int>(Show.Slides().size()),
                                            Storyboard->SlidePage(), Form->photoStrip->width()));
    // Undo and redo change the show: never while it is busy.
    if (Undo)
        Undo->UpdateEnabled(busy);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptDrops() && !Busy() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    // A drop that lands while a job runs (the drag began before) is refused, not imported into
    // the middle of it.
    if (Busy()) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    Import->AcceptDroppedPaths(paths);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // F1 in a dialog of the program: the help at that dialog's section.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        watched->isWidgetType()) {
        QWidget* window = static_cast<QWidget*>(watched)->window();
        if (window != this && window != help_ && qobject_cast<QDialog*>(window) &&
            window->parentWidget() && window->parentWidget()->window() == this) {
            openHelpFor(window);
            return true;
        }
    }
    if (watched == ProgressView && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        UpdateControlStates();
    // The bottom bar gets its new width after the window's own resize event.
    if (watched == Form->bottomBar && event->type() == QEvent::Resize)
        CenterBottomToolbar(*Form);
    // The photo strip's width decides how many cells a page holds: the resize handling.
    if (watched == Form->photoStrip && event->type() == QEvent::Resize)
        layoutWindow();
    // The preview area changes size with the window, also in height alone: the selected photo
    // is composed again at the new size (the running preview draws its own frames).
    if (watched == Form->previewImage && event->type() == QEvent::Resize && !Preview->Running())
        Storyboard->ShowSelectedInPreview();
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Form->previewImage) {
            Preview->stop();
            return true;
        }
        const std::array<QObject*, 6> links = {Form->siteLink,        Form->slideShowsLink,
                                               Form->photographyLink, Form->freePhotosLink,
                                               Form->videoFormatLink, Form->discFormatLink};
        for (std::size_t k = 0; k < links.size(); ++k)
            if (watched == links[k]) {
                openLink(static_cast<int>(k) + 6); // the links keep their numbers 6..11
                return true;
            }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ApplyLanguage() {
    // The caption never comes from the table.
    Files->UpdateTitle();
    ApplyWindowTexts(*Form, WindowMenus{PhotoMenu, TrackMenu, SaveMenu},
                     [this](int number) { return LinkAddress(number); });
    Storyboard->HintTransitionCells(); // names: keys 16-25 and 41-44
    if (Show.Slides().empty())
        Storyboard->ShowSelectedInPreview(); // the empty show's hint
    Undo->ApplyLanguage();
    ApplyMenuBarTexts(*this, MenuBar);
    if (ProgressView)
        ProgressView->ApplyLanguage(); // its Cancel button, key 33
    CenterBottomToolbar(*Form);
}

void MainWindow::CreateHistoryActions() {
    Undo = new UndoControls(*this, History, Dialogs, Host(),
                            [this] { Storyboard->RevealSelectedSlide(); });
    connect(Undo, &UndoControls::stateChanged, this, &MainWindow::UpdateControlStates);

    Undo->AddButtons(*Form->effectsBar); // after the effect buttons of the top bar
}

void MainWindow::openShowMusic() {
    showMusic_->Open();
}

} // namespace ui
