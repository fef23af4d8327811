// Main window: open and save of project files, with the progress window and the file dialogs.
#include "app/MainWindow.h"
#include "app/RecentShowsMenu.h"
#include "app/VideoExportController.h"
#include "app/WindowJobs.h"
#include "base/FileName.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "imaging/Bitmap.h"
#include "media/TrackImport.h"
#include "media/ui/ProgressWindow.h"
#include "project/ProjectFile.h"
#include "project/ProjectOpen.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

using base::TextKey;

namespace ui {

namespace {

// The extension of a file-dialog filter "Name (*.ext)": "ext".
QString FilterSuffix(const QString& filter) {
    const qsizetype star = filter.lastIndexOf(QStringLiteral("*."));
    return star < 0 ? QString() : filter.mid(star + 2).remove(QLatin1Char(')'));
}

} // namespace

void MainWindow::CreateProjectDialogs() {
    ProgressView = new ProgressWindow(this);
    Jobs = new WindowJobs(*this, *ProgressView);
    ProgressVisible = [this] { return ProgressView && ProgressView->isVisible(); };
    AskSaveName = [this](const QString& proposed, bool avi) {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QStringList filters{"QVS (*.qvs)", "AVI (*.avi)"};
        if (avi)
            filters << VideoExportController::Mp4Filter();
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(avi ? "AVI (*.avi)" : "QVS (*.qvs)");
        dialog.setDefaultSuffix(avi ? "avi" : "qvs");
        // A name typed without an extension takes the one of the filter the user picked.
        connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            dialog.setDefaultSuffix(FilterSuffix(filter));
        });
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        const QString kind = avi ? QStringLiteral("Videos") : QStringLiteral("Shows");
        dialog.setDirectory(StartFolder(kind));
        dialog.selectFile(proposed);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        RememberFolder(kind, dialog.selectedFiles().first());
        return dialog.selectedFiles().first();
    };
    AskOpenName = [this] {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({"QVS (*.qvs)"});
        dialog.setDefaultSuffix("qvs");
        dialog.setDirectory(StartFolder(QStringLiteral("Shows")));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        RememberFolder(QStringLiteral("Shows"), dialog.selectedFiles().first());
        return dialog.selectedFiles().first();
    };
    ShowMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
}

QString MainWindow::ProposedFileName() const {
    return "Pictaro_" + QDate::currentDate().toString("dd_MM_yyyy");
}

void MainWindow::saveAsProject() {
    if (Busy())
        return;
    const QString path = AskSaveName(ProposedFileName(), false);
    if (path.isEmpty())
        return;
    SaveProjectFile(path);
}

bool MainWindow::SaveProjectFile(const QString& path) {
    // The job writes a copy of the show: the document stays the interface thread's.
    auto result = std::make_shared<project::SaveResult>();
    const std::string file = base::EncodeFileName(path);
    if (!Jobs->RunAndWait([snapshot = Show, file, result](WindowProgress& progress) {
            *result = project::SaveProject(snapshot, file, progress);
        }))
        return false;
    if (result->Outcome == project::SaveOutcome::Failed) {
        ShowMessage(
            base::AppLanguage().Text(TextKey::SaveFailed, "Произошла ошибка при сохранении!"));
        return false;
    }
    if (result->Outcome != project::SaveOutcome::Saved)
        return false;
    // Saved: no unsaved changes, and the steps stay for undo. The file is the show's own now.
    ShowFile = path;
    History.MarkSaved();
    UpdateTitle();
    ShowNotice(base::Tr(TextKey::Saved, "Сохранено"));
    if (Recent)
        Recent->Remember(path);
    return true;
}

void MainWindow::openProject() {
    if (Busy() || !HaveWorkingFolders())
        return;
    if (!SettleUnsavedChanges() || Busy() || closed_)
        return;
    const QString path = AskOpenName();
    if (path.isEmpty())
        return;
    if (!OpenProjectFile(path))
        ShowMessage(LoadFailureText());
}

QString MainWindow::LoadFailureText() {
    return base::AppLanguage().Text(
        TextKey::ShowNotLoaded,
        "Не удалось загрузить файл слайдшоу!\nСкорее всего это файл более поздней версии "
        "или этот файл слайдшоу поврежден!");
}

bool MainWindow::OpenProjectFile(const QString& path) {
    return LoadShowFile(path, true);
}

bool MainWindow::LoadShowFile(const QString& path, bool remember) {
    // The file loads on the worker beside the open show, into a show of its own; the open show
    // is replaced here, on the interface thread, only when it loaded whole: a load that fails
    // half-way leaves the show as it was. The cells are made once it has loaded.
    project::OpenImport importer;
    importer.AddPhoto = [seed = SeedThumbnail()](project::ShowModel& into,
                                                 const std::string& p) -> project::ImportStatus {
        return project::ImportStatus(project::AddPhoto(into, p, seed));
    };
    importer.AddTrack = [](project::ShowModel& into,
                           const std::string& p) -> project::ImportStatus {
        return project::ImportStatus(media::LoadTrack(into, p));
    };
    importer.MeasureTrack = media::MeasureMissingLoudness;
    auto loaded = std::make_shared<project::LoadedShow>();
    const std::string file = base::EncodeFileName(path);
    if (!Jobs->RunAndWait([snapshot = Show, file, importer, loaded](WindowProgress& progress) {
            *loaded = project::LoadBeside(snapshot, file, progress, importer);
        }))
        return false;
    const project::LoadResult result = loaded->Result;
    project::TakeLoaded(Show, std::move(*loaded));
    if (result.Outcome == project::LoadOutcome::Loaded) {
        if (!result.Warning.empty())
            ShowMessage(QString::fromLocal8Bit(result.Warning.c_str()));
        if (Recent && remember)
            Recent->Remember(path);
    }
    if (result.Outcome == project::LoadOutcome::Loaded ||
        result.Outcome == project::LoadOutcome::Cancelled) {
        // The show was replaced (or emptied): page 0, first photo, fresh hints, no history.
        History.Clear();
        ShowFile = result.Outcome == project::LoadOutcome::Loaded && remember ? path : QString();
        if (result.Outcome == project::LoadOutcome::Cancelled)
            Show.PurgeWorkFolders();
        UpdateTitle();
        Storyboard->ResetSelection();
        layoutWindow();
    }
    return !result.Failed();
}

} // namespace ui
