// Main window: what the desktop hands to the program and back: a show named on the command
// line, the recent-shows list, and addresses that no program would open.
#include "app/MainWindow.h"
#include "app/RecentShowsMenu.h"
#include "base/Language.h"

#include <QDir>
#include <QFileInfo>

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

void MainWindow::OpenStartupShow(const QString& path) {
    if (path.isEmpty() || Busy() || !HaveWorkingFolders())
        return;
    if (!QFileInfo(path).isFile()) {
        ShowMessage(NotFoundText(path));
        return;
    }
    if (OpenProjectFile(path))
        return;
    ShowMessage(LoadFailureText());
    // The show stays empty: a damaged or later file is refused before the show is touched, a
    // failure while copying empties it.
    if (!Show.Slides.empty() || !Show.Sounds.empty())
        ResetAfterCancel();
}

void MainWindow::OpenRecentShow(const QString& path) {
    if (Busy() || !HaveWorkingFolders())
        return;
    if (!SettleUnsavedChanges() || Busy() || closed_)
        return;
    if (!QFileInfo(path).isFile()) {
        ShowMessage(NotFoundText(path) + "\n" +
                    Tr(TextKey::RemovedFromRecent, "Он убран из списка недавних слайдшоу."));
        Recent->Forget(path);
        return;
    }
    if (!OpenProjectFile(path))
        ShowMessage(LoadFailureText());
}

QString MainWindow::LaunchFailureText(const QString& address) {
    QString text = Tr(TextKey::AddressNotOpened,
                      "Не удалось открыть адрес: не найден браузер или другая программа "
                      "для него.\n%1");
    return text.replace(QStringLiteral("%1"), address);
}

} // namespace ui
