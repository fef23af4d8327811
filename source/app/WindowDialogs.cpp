#include "app/WindowDialogs.h"

#include "app/VideoExportController.h"
#include "base/FileName.h"
#include "base/Language.h"
#include "imaging/ImageLoad.h"
#include "media/video/ClipPictureSource.h"
#include "project/Import.h"
#include "project/Settings.h"

#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

using base::TextKey;

namespace ui {

using base::Tr;

namespace {

// The extension of a file-dialog filter "Name (*.ext)": "ext".
QString FilterSuffix(const QString& filter) {
    const qsizetype star = filter.lastIndexOf(QStringLiteral("*."));
    return star < 0 ? QString() : filter.mid(star + 2).remove(QLatin1Char(')'));
}

QString AskSaveNameOn(QWidget& window, const QString& proposed, bool video) {
    QFileDialog dialog(&window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A show is saved as a show; a video as one of the video types, the proposed name's first.
    const QString avi = QStringLiteral("AVI (*.avi)");
    const QString mp4 = VideoExportController::Mp4Filter();
    const bool proposedAvi = proposed.endsWith(QLatin1String(".avi"), Qt::CaseInsensitive);
    dialog.setNameFilters(video ? QStringList{mp4, avi} : QStringList{"QVS (*.qvs)"});
    const QString first = !video ? QStringLiteral("QVS (*.qvs)") : proposedAvi ? avi : mp4;
    dialog.selectNameFilter(first);
    dialog.setDefaultSuffix(FilterSuffix(first));
    // A name typed without an extension takes the one of the filter the user picked.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(FilterSuffix(filter)); });
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QString kind = video ? QStringLiteral("Videos") : QStringLiteral("Shows");
    const SaveDialogStart start = SaveStartOf(proposed, kind);
    dialog.setDirectory(start.Folder);
    dialog.selectFile(start.Name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    RememberFolder(kind, dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

QString AskOpenNameOn(QWidget& window) {
    QFileDialog dialog(&window);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({"QVS (*.qvs)"});
    dialog.setDefaultSuffix("qvs");
    dialog.setDirectory(StartFolder(QStringLiteral("Shows")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    RememberFolder(QStringLiteral("Shows"), dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

QStringList AskPhotoFilesOn(QWidget& window) {
    QFileDialog dialog(&window);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // The first entry shows everything that can become a slide: photos and video clips.
    const QString photos = "*.png *.gif *.jpg *.jpeg *.bmp *.wmf *.webp *.heic *.heif *.hif *.avif "
                           "*.tif *.tiff *.jxl";
    const QString clips = "*.mp4 *.mov *.m4v *.3gp *.mkv *.webm *.avi";
    dialog.setNameFilters({"Photos and video clips (" + photos + " " + clips + ")",
                           "Graphics (" + photos + ")", "Video clips (" + clips + ")",
                           "JPEG (*.jpg *.jpeg)", "HEIC (*.heic *.heif *.hif)", "AVIF (*.avif)",
                           "WebP (*.webp)", "TIFF (*.tif *.tiff)", "JPEG XL (*.jxl)", "GIF (*.gif)",
                           "PNG (*.png)", "Bitmap (*.bmp)", "Metafile (*.wmf)"});
    dialog.setDefaultSuffix("jpg");
    dialog.setDirectory(StartFolder(QStringLiteral("Photos")));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // A picture preview beside the list.
    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(200, 200);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& file) {
                         QImageReader reader(file);
                         reader.setAutoTransform(true);
                         const QSize size = reader.size();
                         if (size.isValid())
                             reader.setScaledSize(size.scaled(200, 200, Qt::KeepAspectRatio));
                         QImage image = reader.read();
                         // A clip shows its first picture, as its slide will.
                         if (image.isNull() &&
                             project::IsClipExtension(project::ExtensionOf(file.toStdString()))) {
                             project::ClipSettings clip;
                             clip.File = base::EncodeFileName(file);
                             if (const auto pictures = media::OpenClipPictures(clip, 200, 200))
                                 if (const imaging::Bitmap* first = pictures->At(0))
                                     image = first->CopyToImage();
                         }
                         // Formats Qt has no reader for (HEIC, AVIF, WebP on some systems) go
                         // through the program's own decoders.
                         if (image.isNull()) {
                             if (auto decoded = imaging::LoadImageFile(file.toStdString()))
                                 image = decoded->View().scaled(200, 200, Qt::KeepAspectRatio,
                                                                Qt::SmoothTransformation);
                         }
                         preview->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
                     });
    QStringList files;
    if (dialog.exec() == QDialog::Accepted)
        files = dialog.selectedFiles();
    if (!files.isEmpty())
        RememberFolder(QStringLiteral("Photos"), files.first());
    return files;
}

QStringList AskTrackFilesOn(QWidget& window) {
    QFileDialog dialog(&window);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({"Sound (*.mp3 *.ogg *.wav)"});
    dialog.setDefaultSuffix("mp3");
    dialog.setDirectory(StartFolder(QStringLiteral("Music")));
    QStringList files;
    if (dialog.exec() == QDialog::Accepted)
        files = dialog.selectedFiles();
    if (!files.isEmpty())
        RememberFolder(QStringLiteral("Music"), files.first());
    return files;
}

SaveAnswer AskSaveChangesOn(QWidget& window, const QString& question, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::NoButton, &window);
    auto* save = box.addButton(Tr(TextKey::SaveChanges, "Сохранить"), QMessageBox::AcceptRole);
    auto* discard =
        box.addButton(Tr(TextKey::DiscardChanges, "Не сохранять"), QMessageBox::DestructiveRole);
    auto* cancel = box.addButton(Tr(TextKey::Cancel, "Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return SaveAnswer::Save;
    if (box.clickedButton() == discard)
        return SaveAnswer::Discard;
    return SaveAnswer::Cancel;
}

} // namespace

void UseDesktopDialogs(WindowDialogs& dialogs, QWidget& window) {
    QWidget* parent = &window;
    dialogs.AskYesNo = [parent](const QString& question, const QString& caption) {
        QMessageBox box(QMessageBox::Question, caption, question,
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    dialogs.AskRecover = [parent](const QString& question, const QString& caption) {
        QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::NoButton, parent);
        auto* recover =
            box.addButton(Tr(TextKey::RecoverShow, "Восстановить"), QMessageBox::AcceptRole);
        auto* discard =
            box.addButton(Tr(TextKey::DiscardRecovery, "Удалить"), QMessageBox::DestructiveRole);
        box.setDefaultButton(recover);
        box.setEscapeButton(discard);
        box.exec();
        return box.clickedButton() == recover;
    };
    dialogs.LaunchUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    WindowDialogs* self = &dialogs;
    dialogs.OpenExternal = [self](const QString& target) {
        const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target);
        // Without a configured browser the launcher refuses; the user gets the address to open
        // by other means instead of nothing.
        if (!self->LaunchUrl(url))
            self->ShowMessage(LaunchFailureText(target));
    };
    dialogs.AskSaveName = [parent](const QString& proposed, bool avi) {
        return AskSaveNameOn(*parent, proposed, avi);
    };
    dialogs.AskOpenName = [parent] { return AskOpenNameOn(*parent); };
    dialogs.AskPhotoFiles = [parent] { return AskPhotoFilesOn(*parent); };
    dialogs.AskTrackFiles = [parent] { return AskTrackFilesOn(*parent); };
    dialogs.AskPhotoFolder = [parent](const QString& caption) {
        const QString folder = QFileDialog::getExistingDirectory(
            parent, caption, StartFolder(QStringLiteral("Photos")),
            QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        if (!folder.isEmpty())
            RememberFolder(QStringLiteral("Photos"), folder);
        return folder;
    };
    dialogs.ShowMessage = [parent](const QString& text) {
        QMessageBox::warning(parent, parent->windowTitle(), text);
    };
    dialogs.AskSaveChanges = [parent](const QString& question, const QString& caption) {
        return AskSaveChangesOn(*parent, question, caption);
    };
}

QString ProposedFileName(const QString& showFile) {
    if (!showFile.isEmpty()) {
        const QFileInfo file(showFile);
        return file.absoluteDir().filePath(file.completeBaseName());
    }
    return "Pictaro_" + QDate::currentDate().toString("dd_MM_yyyy");
}

SaveDialogStart SaveStartOf(const QString& proposed, const QString& kind) {
    const QFileInfo file(proposed);
    if (file.isAbsolute())
        return {file.absolutePath(), file.fileName()};
    return {StartFolder(kind), proposed};
}

QString StartFolder(const QString& kind) {
    if (HasFolderFor(kind))
        return project::ReadSetting(QStringLiteral("LastFolder/") + kind).toString();
    const auto location = kind == QLatin1String("Photos")  ? QStandardPaths::PicturesLocation
                          : kind == QLatin1String("Music") ? QStandardPaths::MusicLocation
                                                           : QStandardPaths::MoviesLocation;
    const QString folder = QStandardPaths::writableLocation(location);
    return QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

bool HasFolderFor(const QString& kind) {
    const QVariant last = project::ReadSetting(QStringLiteral("LastFolder/") + kind);
    return last.canConvert<QString>() && QFileInfo(last.toString()).isDir();
}

void RememberFolder(const QString& kind, const QString& chosenPath) {
    const QFileInfo info(chosenPath);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    project::WriteSetting(QStringLiteral("LastFolder/") + kind, folder);
}

QString LaunchFailureText(const QString& address) {
    QString text = Tr(TextKey::AddressNotOpened,
                      "Не удалось открыть адрес: не найден браузер или другая программа "
                      "для него.\n%1");
    return text.replace(QStringLiteral("%1"), address);
}

} // namespace ui
