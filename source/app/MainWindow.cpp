// Main window: creation (start-up), closing (shut-down) and the window's own events.
#include "app/MainWindow.h"
#include "app/AutosaveController.h"
#include "app/BottomBarLayout.h"
#include "app/RecentShowsMenu.h"
#include "app/WindowJobs.h"

#include "base/CodePage.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "media/AudioLibrary.h"
#include "media/ShowMix.h"
#include "project/ProgramPicture.h"
#include "project/Settings.h"
#include "project/ui/Icons.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <unistd.h>

using base::TextKey;

namespace ui {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), Form(std::make_unique<Ui::MainWindow>()) {
    Form->setupUi(this);
    AskYesNo = [this](const QString& question, const QString& caption) {
        QMessageBox box(QMessageBox::Question, caption, question,
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    LaunchUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    OpenExternal = [this](const QString& target) {
        const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target);
        // Without a configured browser the launcher refuses; the user gets the address to
        // open by other means instead of nothing.
        if (!LaunchUrl(url))
            ShowMessage(LaunchFailureText(target));
    };
    CreateStoryboard();
    CreateControllers();
    CreateTimers();
    CreateMenus();
    CreateProjectDialogs();
    Recent = new RecentShowsMenu(*this);
    SetIcons();
    ConnectCommands();
    Input = new StoryboardInput(*this);
    AddSwapCommand();
    CreateHistoryActions();
    createWindow();
}

MainWindow::~MainWindow() {
    // A job still running (destroyed without a close) is stopped before the show it copied from
    // and the widgets it reports to go.
    if (Jobs)
        Jobs->CancelAndWait();
    // The history outlives the window's widgets; it must not report to them any more.
    History.Stack().disconnect(this);
    if (Undo)
        History.Stack().disconnect(Undo);
    // The storyboard follows the show, which is a member and goes before the window's children.
    delete Storyboard;
    Storyboard = nullptr;
    if (!closed_) {
        // Destroyed without a close (tests, abnormal exit): still remove the working copies.
        if (Autosave)
            Autosave->Discard();
        Session.Close();
        ReleaseAudio();
    }
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
    Show.SetOptions(media::NewShowOptions()); // a new show's music fades out at its end
    if (Session.IsOpen())
        Autosave = new AutosaveController(this, Show, History, Session.Folders().InstanceDir(),
                                          {[this] { return Busy(); }, [this] { return ShowFile; }});
    connect(&History.Stack(), &QUndoStack::cleanChanged, this, &MainWindow::UpdateTitle);
    SaveAction = new QAction(this);
    SaveAction->setObjectName("SaveAction");
    // Ctrl+S (the editor's shortcut) triggers the same command.
    addAction(SaveAction);
    connect(SaveAction, &QAction::triggered, this, &MainWindow::saveProject);
    // 3. Caption and the built-in site address.
    setWindowTitle(ProgramTitle());
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(project::DrawProgramPicture(size)));
    setWindowIcon(icon);
    SiteURL = QString::fromLatin1(project::kBuiltInSiteURL);
    // 4. Settings and the language file.
    ReadSettings();
    // 5. Audio library and output device.
    // Without the library the program runs silent; a device that cannot be opened is reported.
    // Without a sound device the program starts as usual and plays silently; the user is told
    // once, in the status line, without a box to dismiss.
    media::Audio().LoadBesideProgram();
    if (media::Audio().OpenOutputOrSilence(this) != media::AudioLibrary::OutputKind::Device &&
        media::Audio().Loaded())
        QTimer::singleShot(0, this, [this] { ShowNotice(NoSoundText()); });

    // Buttons with a menu arrow get the arrow's width beside their picture.
    for (QToolButton* b : {Form->OpenButton, Form->SaveButton})
        if (b->popupMode() == QToolButton::MenuButtonPopup)
            b->setFixedWidth(
                std::max(b->sizeHint().width(),
                         62 + b->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, b)));
    resize(637, 560);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.x() + (avail.width() - 637) / 2, avail.y() + (avail.height() - 560) / 2);
    }
    // The size and place the window had when it last closed.
    if (const QVariant geometry = project::ReadSetting(QStringLiteral("WindowGeometry"));
        geometry.typeId() == QMetaType::QByteArray)
        restoreGeometry(geometry.toByteArray());
    setFocusPolicy(Qt::StrongFocus);
    ApplyLanguage();
    BusyTimer->start();
}

QString MainWindow::NoSoundText() {
    // The texts' language, told by a text every language file has: the Cancel button's.
    const bool russian =
        base::AppLanguage().Text(TextKey::Cancel, "Отмена") == QString::fromUtf8("Отмена");
    return russian ? QString::fromUtf8("Вывод звука недоступен: просмотр идёт без звука.")
                   : QStringLiteral("Sound output is not available: the preview plays silently.");
}

void MainWindow::ShowNotice(const QString& text) {
    QStatusBar* bar = statusBar();
    bar->show();
    bar->showMessage(text, 15000);
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& now) {
        if (now.isEmpty())
            bar->hide();
    });
}

bool MainWindow::HaveWorkingFolders() {
    if (Session.IsOpen())
        return true;
    ShowMessage(QString::fromLocal8Bit(Session.OpenError().c_str()) +
                "\nPhotos and music cannot be added in this session.");
    return false;
}

bool MainWindow::Busy() const {
    return jobs_ > 0 || Preview->Running() || Export->Running() || Disc->Running();
}

MainWindow::JobScope::JobScope(MainWindow& window, base::Progress& job)
    : window_(window), outer_(window.runningJob_) {
    ++window_.jobs_;
    window_.runningJob_ = &job;
}

MainWindow::JobScope::~JobScope() {
    window_.runningJob_ = outer_;
    if (--window_.jobs_ == 0 && window_.closeWhenIdle_)
        QTimer::singleShot(0, &window_, &QWidget::close);
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
    if (jobs_ > 0) {
        // Never tear the show down under a running job: ask it to stop and close when it has.
        closeWhenIdle_ = true;
        if (runningJob_)
            runningJob_->RequestCancel();
        event->ignore();
        return;
    }
    Preview->stop();
    // Unsaved changes: the user saves them, lets them go, or keeps the window open.
    if ((!closeWithoutQuestion_ && !SettleUnsavedChanges()) || closed_) {
        if (!closed_)
            event->ignore();
        return;
    }
    if (jobs_ > 0) {
        event->ignore(); // a close came in during the save; it is carried out when that ends
        return;
    }
    // 1. No more drops.
    setAcceptDrops(false);
    // 2. The two remembered settings, and the window's size and place.
    WriteSettings();
    project::WriteSetting(QStringLiteral("WindowGeometry"), saveGeometry());
    // A close by a signal keeps unsaved work in the recovery file, offered at the next start;
    // any other close settled the changes with the user, so the recovery file goes.
    if (Autosave) {
        if (closeWithoutQuestion_ && History.IsModified() && !Show.Slides.empty())
            Autosave->WriteNow();
        else
            Autosave->Discard();
    }
    // 3. Texts, show, working copies, bitmaps.
    base::AppLanguage().LanguageTable.clear();
    Session.Close();
    Storyboard->ReleasePictures();
    // 4. The playing track, the output device and the audio library.
    ReleaseAudio();
    Preview->stop();
    Disc->stop();
    BusyTimer->stop();
    closed_ = true;
    event->accept();
}

void MainWindow::ReleaseAudio() {
    media::Audio().Unload();
}

void MainWindow::customEvent(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(media::kUserMessageEvent))
        trackPlaybackEnded();
    else
        QMainWindow::customEvent(event);
}

void MainWindow::trackPlaybackEnded() {
    try {
        media::Audio().StopTrack();
    } catch (const media::AudioError&) {
        // The track is released even when its end notice could not be removed.
    }
    Q_EMIT trackPlaybackFinished(); // an open track dialog shows its play button again
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    // The strips are laid out again when the storyboard gets its new width (eventFilter), which
    // happens after this, once the layouts have run.
    QMainWindow::resizeEvent(event);
}

void MainWindow::layoutWindow() {
    CenterBottomToolbar();
    Storyboard->LayoutPhotoStrip(0);
    Storyboard->SelectSlide(Storyboard->SelectedSlide());
}

void MainWindow::CenterBottomToolbar() {
    // Width = the five buttons plus twice the toolbar border plus 6; centred in the bottom bar
    // with the links at its right end, or beside each other where the bar is narrow.
    int width = 6 + 2 * Form->Panel13->frameWidth();
    for (QToolButton* b : {Form->NewButton, Form->OpenButton, Form->PreviewButton, Form->SaveButton,
                           Form->DiscButton})
        width += b->width() > 0 ? b->minimumWidth() : 62;
    const BottomBarPlacement placement =
        PlaceBottomBar(Form->Panel2->width(),
                       Form->Panel2->height() > 0 ? Form->Panel2->height() : 66, QSize(width, 63));
    Form->Panel13->setGeometry(placement.Toolbar);
    Form->Panel14->setGeometry(placement.Links);
    const std::array<QLabel*, 6> links = {Form->LinkIcon1, Form->LinkIcon2, Form->LinkIcon3,
                                          Form->LinkIcon4, Form->LinkIcon5, Form->LinkIcon6};
    for (std::size_t i = 0; i < links.size() && i < placement.Icons.size(); ++i)
        links[i]->setGeometry(placement.Icons[i]);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyLanguage();
}

void MainWindow::ReadSettings() {
    // No accessible store: built-in texts, no language file, no resolution.
    const auto stored = project::ReadSettings();
    if (!stored)
        return;
    const QString name =
        stored->Language.isEmpty() ? QStringLiteral("english.lng") : stored->Language;
    LoadLanguageFile(base::LanguageFolder() + name);
    if (!stored->Resolution.isEmpty())
        Show.Resolution = base::ToCp1251(stored->Resolution);
    if (!stored->SiteURL.isEmpty())
        SiteURL = stored->SiteURL;
    bool known = false;
    const int background = project::ReadSetting(QStringLiteral("NewPhotoBackground")).toInt(&known);
    if (known)
        Show.NewPhotoBackColor = background;
}

void MainWindow::WriteSettings() {
    project::WriteSettings(QFile::decodeName(base::AppLanguage().LanguageFile.c_str()),
                           base::FromCp1251(Show.Resolution));
}

void MainWindow::LoadLanguageFile(const QString& path) {
    if (!base::LoadLanguageFile(base::AppLanguage(), path))
        return;
    ApplyLanguage();
}

} // namespace ui
