#include "app/ShowFileController.h"

#include "app/AutosaveController.h"
#include "app/RecentShowsMenu.h"
#include "app/WindowDialogs.h"
#include "app/WindowJobs.h"
#include "base/FileName.h"
#include "base/Language.h"
#include "base/ui/ProgressWindow.h"
#include "media/music/ShowMix.h"
#include "media/music/TrackImport.h"
#include "project/ProjectFile.h"
#include "project/ProjectOpen.h"
#include "project/Recovery.h"
#include "project/ShowSession.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QUndoStack>
#include <QWidget>

#include <memory>

using base::TextKey;

namespace ui {

using base::Tr;

namespace {

QString NotFoundText(const QString& path) {
    // The text carries "\n" as a line break; %1 is the file.
    QString text = Tr(TextKey::FileNotFound, "Файл не найден:\n%1");
    return text.replace(QStringLiteral("%1"), QDir::toNativeSeparators(path));
}

} // namespace

ShowFileController::ShowFileController(QObject* parent, project::ShowSession& session,
                                       WindowJobs& jobs, WindowDialogs& dialogs,
                                       ControllerHost host, Neighbours neighbours)
    : QObject(parent), session_(session), jobs_(jobs), dialogs_(dialogs), host_(std::move(host)),
      neighbours_(std::move(neighbours)) {
    Recent = new RecentShowsMenu(host_.DialogParent, neighbours_.OpenButton,
                                 [this](const QString& path) { OpenRecentShow(path); });
    connect(&session_.History().Stack(), &QUndoStack::cleanChanged, this,
            &ShowFileController::UpdateTitle);
    // Ctrl+S (the editor's shortcut) triggers the same command.
    auto* save = new QAction(host_.DialogParent);
    save->setObjectName("SaveAction");
    host_.DialogParent->addAction(save);
    connect(save, &QAction::triggered, this, &ShowFileController::saveProject);
}

QString ShowFileController::ProgramTitle() {
    return QStringLiteral("Tarnwick Reelpane Freeware 1.9");
}

void ShowFileController::UpdateTitle() {
    const bool modified = session_.History().IsModified();
    QString title = ProgramTitle();
    if (!showFile_.isEmpty())
        title = QFileInfo(showFile_).completeBaseName() + QString::fromUtf8(" — ") + title;
    host_.DialogParent->setWindowTitle(modified ? QStringLiteral("*") + title : title);
}

void ShowFileController::newProject() {
    if (host_.Busy())
        return;
    if (session_.Show().Slides().empty())
        return;
    const auto clear = [this] {
        if (!host_.Busy())
            ClearShow();
    };
    // Unsaved changes: the save question stands for the new-show question.
    if (session_.History().IsModified())
        ThenIfSettled(clear);
    else if (dialogs_.AskYesNo(Tr(TextKey::AskNewShow, "Создать новое слайдшоу?"),
                               Tr(TextKey::NewShowCaption, "Создание")))
        clear();
}

void ShowFileController::ThenIfSettled(std::function<void()> next) {
    const Settle settle = SettleUnsavedChanges([next](bool saved) {
        if (saved)
            next();
    });
    if (settle == Settle::GoOn)
        next();
}

std::optional<project::PhotoSettings> ShowFileController::NewShowPhotos() const {
    if (!neighbours_.NewShowPhotos)
        return std::nullopt;
    return neighbours_.NewShowPhotos();
}

void ShowFileController::ClearShow() {
    showFile_.clear();
    UpdateTitle();
    session_.New(media::NewShowOptions(), NewShowPhotos());
    neighbours_.Relayout(true);
}

void ShowFileController::ResetAfterCancel() {
    session_.New(media::NewShowOptions(), NewShowPhotos());
    neighbours_.Relayout(false);
}

void ShowFileController::saveProject() {
    if (host_.Busy())
        return;
    if (showFile_.isEmpty()) {
        saveAsProject();
        return;
    }
    SaveProjectFile(showFile_);
}

void ShowFileController::saveAsProject() {
    if (host_.Busy())
        return;
    const QString path = dialogs_.AskSaveName(ProposedFileName(showFile_), false);
    if (path.isEmpty())
        return;
    SaveProjectFile(path);
}

bool ShowFileController::SaveProjectFile(const QString& path,
                                         std::function<void(bool saved)> then) {
    // The job writes a copy of the show: the document stays the interface thread's.
    auto result = std::make_shared<project::SaveResult>(base::Fail("the save did not run"));
    const std::string file = base::EncodeFileName(path);
    return jobs_.Start(
        [snapshot = session_.Show(), file, result](WindowProgress& progress) {
            *result = project::SaveProject(snapshot, file, progress);
        },
        [this, path, result, then = std::move(then)] {
            const bool saved = result->ok() && **result == project::SaveOutcome::Saved;
            // The message names the file and the system's reason below the known words.
            if (!result->ok())
                dialogs_.ShowMessage(base::AppLanguage().Text(TextKey::SaveFailed,
                                                              "Произошла ошибка при сохранении!") +
                                     "\n" + path + ": " +
                                     QString::fromLocal8Bit(result->error().c_str()));
            if (saved) {
                // No unsaved changes, and the steps stay for undo. The file is the show's own.
                showFile_ = path;
                session_.History().MarkSaved();
                UpdateTitle();
                host_.Notice(Tr(TextKey::Saved, "Сохранено"));
                Recent->Remember(path);
            }
            if (then)
                then(saved);
        });
}

ShowFileController::Settle
ShowFileController::SettleUnsavedChanges(std::function<void(bool saved)> afterSave) {
    // A show without photos cannot be saved, so there is nothing to offer.
    if (!session_.History().IsModified() || session_.Show().Slides().empty())
        return Settle::GoOn;
    switch (dialogs_.AskSaveChanges(Tr(TextKey::AskSaveChanges, "Сохранить изменения в слайдшоу?"),
                                    Tr(TextKey::UnsavedChanges, "Несохранённые изменения"))) {
    case SaveAnswer::Discard:
        return Settle::GoOn;
    case SaveAnswer::Cancel:
        return Settle::Stop;
    case SaveAnswer::Save:
        break;
    }
    if (host_.Busy())
        return Settle::Stop;
    const QString path =
        showFile_.isEmpty() ? dialogs_.AskSaveName(ProposedFileName(showFile_), false) : showFile_;
    return !path.isEmpty() && SaveProjectFile(path, std::move(afterSave)) ? Settle::Saving
                                                                          : Settle::Stop;
}

void ShowFileController::openProject() {
    if (host_.Busy() || !neighbours_.HaveWorkingFolders())
        return;
    ThenIfSettled([this] {
        if (host_.Busy())
            return;
        const QString path = dialogs_.AskOpenName();
        if (path.isEmpty())
            return;
        OpenProjectFile(path, [this](bool loaded) {
            if (!loaded)
                dialogs_.ShowMessage(LoadFailureMessage());
        });
    });
}

QString ShowFileController::LoadFailureMessage() const {
    // The known words, then the file and the system's reason.
    return LoadFailureText() + "\n" + loadFailure_;
}

QString ShowFileController::LoadFailureText() {
    return base::AppLanguage().Text(
        TextKey::ShowNotLoaded,
        "Не удалось загрузить файл слайдшоу!\nСкорее всего это файл более поздней версии "
        "или этот файл слайдшоу поврежден!");
}

bool ShowFileController::OpenProjectFile(const QString& path,
                                         std::function<void(bool loaded)> then) {
    return LoadShowFile(path, true, std::move(then));
}

bool ShowFileController::LoadShowFile(const QString& path, bool remember,
                                      std::function<void(bool loaded)> then) {
    // The file loads on the worker beside the open show, into a show of its own; the open show
    // is replaced here, on the interface thread, only when it loaded whole: a load that fails
    // half-way leaves the show as it was. The cells are made once it has loaded.
    project::OpenImport importer;
    importer.AddPhoto = [toView = neighbours_.ThumbnailsToView()](
                            project::ShowContent& into, const project::WorkFiles& files,
                            const project::PhotoSettings& photos,
                            const std::string& p) -> project::ImportStatus {
        return project::StatusOf(project::AddPhoto(into, files, photos, p, toView));
    };
    importer.AddTrack = [](project::ShowContent& into, const project::WorkFiles& files,
                           const std::string& p) -> project::ImportStatus {
        return project::StatusOf(media::LoadTrack(into, files, p));
    };
    importer.MeasureTrack = media::MeasureMissingLoudness;
    auto loaded = std::make_shared<project::LoadedShow>();
    const std::string file = base::EncodeFileName(path);
    return jobs_.Start(
        [files = session_.Files(),
         photos = neighbours_.OpenedShowPhotos ? neighbours_.OpenedShowPhotos()
                                               : session_.Show().Photos(),
         file, importer, loaded](WindowProgress& progress) {
            *loaded = project::LoadBeside(files, photos, file, progress, importer);
        },
        [this, path, remember, loaded, then = std::move(then)] {
            const bool ok = TakeLoadedShow(path, remember, std::move(*loaded));
            if (then)
                then(ok);
        });
}

bool ShowFileController::TakeLoadedShow(const QString& path, bool remember,
                                        project::LoadedShow loaded) {
    const project::LoadResult result = loaded.Result;
    // Replaced or emptied, the show starts with no history.
    project::TakeLoaded(session_, std::move(loaded));
    if (!result) {
        loadFailure_ =
            QDir::toNativeSeparators(path) + ": " + QString::fromLocal8Bit(result.error().c_str());
        return false;
    }
    const bool opened = result->Outcome == project::LoadOutcome::Loaded;
    if (opened) {
        if (!result->Warning.empty())
            dialogs_.ShowMessage(QString::fromLocal8Bit(result->Warning.c_str()));
        if (remember)
            Recent->Remember(path);
    }
    // The show was replaced (or emptied): page 0, first photo, fresh hints.
    showFile_ = opened && remember ? path : QString();
    UpdateTitle();
    neighbours_.Relayout(true);
    return true;
}

void ShowFileController::OpenStartupShow(const QString& path) {
    if (path.isEmpty() || host_.Busy() || !neighbours_.HaveWorkingFolders())
        return;
    if (!QFileInfo(path).isFile()) {
        dialogs_.ShowMessage(NotFoundText(path));
        return;
    }
    OpenProjectFile(path, [this](bool loaded) {
        if (loaded)
            return;
        dialogs_.ShowMessage(LoadFailureMessage());
        // The show stays empty: a damaged or later file is refused before the show is touched,
        // a failure while copying empties it.
        if (!session_.Show().Slides().empty() || !session_.Show().Sounds().empty())
            ResetAfterCancel();
    });
}

void ShowFileController::OpenRecentShow(const QString& path) {
    if (host_.Busy() || !neighbours_.HaveWorkingFolders())
        return;
    ThenIfSettled([this, path] {
        if (host_.Busy())
            return;
        if (!QFileInfo(path).isFile()) {
            dialogs_.ShowMessage(
                NotFoundText(path) + "\n" +
                Tr(TextKey::RemovedFromRecent, "Он убран из списка недавних слайдшоу."));
            Recent->Forget(path);
            return;
        }
        OpenProjectFile(path, [this](bool loaded) {
            if (!loaded)
                dialogs_.ShowMessage(LoadFailureMessage());
        });
    });
}

QString ShowFileController::RecoveryQuestion(const QString& when, int photos, const QString& show) {
    QString text =
        Tr(TextKey::AskRecover, "Программа Reelpane была неожиданно закрыта. Восстановить "
                                "слайдшоу, над которым вы работали?");
    text +=
        QStringLiteral("\n\n") +
        Tr(TextKey::RecoveryDetails, "Сохранено автоматически %1, фото: %2.").arg(when).arg(photos);
    if (!show.isEmpty())
        text += QStringLiteral("\n") + QDir::toNativeSeparators(show);
    return text;
}

void ShowFileController::OfferRecovery() {
    if (!session_.IsOpen() || host_.Busy())
        return;
    for (const project::RecoveryOffer& offer :
         project::FindRecoveries(session_.Folders().RootDir())) {
        const QString when =
            QLocale().toString(QDateTime::fromSecsSinceEpoch(offer.SavedAt), QLocale::ShortFormat);
        const QString original = base::DecodeFileName(offer.OriginalShow);
        if (!dialogs_.AskRecover(RecoveryQuestion(when, offer.PhotoCount, original),
                                 ProgramTitle())) {
            // Discarding loses the work for good: asked once more (No by default). Kept, it is
            // offered again at the next start.
            if (!dialogs_.AskYesNo(Tr(TextKey::AskDiscardRecovery,
                                      "Восстановленное слайдшоу будет потеряно навсегда. "
                                      "Удалить его?"),
                                   ProgramTitle()))
                return;
            project::DeleteRecovery(offer.Files);
            continue;
        }
        LoadShowFile(base::DecodeFileName(offer.Files.Show), false,
                     [this, original, files = offer.Files](bool loaded) {
                         if (!loaded) {
                             dialogs_.ShowMessage(LoadFailureMessage());
                             return; // kept for another try
                         }
                         // An unsaved show: Ctrl+S goes to the file it came from, if any. It is
                         // kept at once in this instance's own recovery file before the dead
                         // one's is removed.
                         showFile_ = original;
                         session_.History().MarkUnsaved();
                         UpdateTitle();
                         if (AutosaveController* autosave = neighbours_.Autosave())
                             autosave->WriteNow();
                         project::DeleteRecovery(files);
                     });
        return;
    }
}

} // namespace ui
