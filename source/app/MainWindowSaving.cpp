// Main window: keeping the show: Ctrl+S, the caption that tells whether changes are unsaved, the
// folders the file dialogs start in, the autosave and the recovery offered at start.
#include "app/AutosaveController.h"
#include "app/MainWindow.h"
#include "base/FileName.h"
#include "base/Language.h"
#include "project/Recovery.h"
#include "project/Settings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

using base::TextKey;

namespace ui {

QString MainWindow::ProgramTitle() {
    return QStringLiteral("Tarnwick Reelpane Freeware 1.9");
}

void MainWindow::UpdateTitle() {
    const bool modified = History.IsModified();
    QString title = ProgramTitle();
    if (!ShowFile.isEmpty())
        title = QFileInfo(ShowFile).completeBaseName() + QString::fromUtf8(" — ") + title;
    setWindowTitle(modified ? QStringLiteral("*") + title : title);
}

void MainWindow::saveProject() {
    if (Busy())
        return;
    if (ShowFile.isEmpty()) {
        saveAsProject();
        return;
    }
    SaveProjectFile(ShowFile);
}

QString MainWindow::StartFolder(const QString& kind) {
    const QVariant last = project::ReadSetting(QStringLiteral("LastFolder/") + kind);
    if (last.canConvert<QString>() && QFileInfo(last.toString()).isDir())
        return last.toString();
    const auto location = kind == QLatin1String("Photos")  ? QStandardPaths::PicturesLocation
                          : kind == QLatin1String("Music") ? QStandardPaths::MusicLocation
                                                           : QStandardPaths::MoviesLocation;
    const QString folder = QStandardPaths::writableLocation(location);
    return QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void MainWindow::RememberFolder(const QString& kind, const QString& chosenPath) {
    const QFileInfo info(chosenPath);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    project::WriteSetting(QStringLiteral("LastFolder/") + kind, folder);
}

QString MainWindow::RecoveryQuestion(const QString& when, int photos, const QString& show) {
    QString text =
        base::Tr(TextKey::AskRecover, "Программа Reelpane была неожиданно закрыта. Восстановить "
                                      "слайдшоу, над которым вы работали?");
    text += QStringLiteral("\n\n") +
            base::Tr(TextKey::RecoveryDetails, "Сохранено автоматически %1, фото: %2.")
                .arg(when)
                .arg(photos);
    if (!show.isEmpty())
        text += QStringLiteral("\n") + QDir::toNativeSeparators(show);
    return text;
}

void MainWindow::OfferRecovery() {
    if (!Session.IsOpen() || Busy())
        return;
    for (const project::RecoveryOffer& offer :
         project::FindRecoveries(Session.Folders().RootDir())) {
        const QString when =
            QLocale().toString(QDateTime::fromSecsSinceEpoch(offer.SavedAt), QLocale::ShortFormat);
        const QString original = base::DecodeFileName(offer.OriginalShow);
        if (!AskYesNo(RecoveryQuestion(when, offer.PhotoCount, original), ProgramTitle())) {
            project::DeleteRecovery(offer.Files);
            continue;
        }
        if (!LoadShowFile(base::DecodeFileName(offer.Files.Show), false)) {
            ShowMessage(LoadFailureText());
            return; // kept for another try
        }
        // An unsaved show: Ctrl+S goes to the file it came from, if any. It is kept at once
        // in this instance's own recovery file before the dead one's is removed.
        ShowFile = original;
        History.MarkUnsaved();
        UpdateTitle();
        if (Autosave)
            Autosave->WriteNow();
        project::DeleteRecovery(offer.Files);
        return;
    }
}

} // namespace ui
