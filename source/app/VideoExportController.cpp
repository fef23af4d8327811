#include "app/VideoExportController.h"

#include "base/FileName.h"

#include "app/WindowDialogs.h"
#include "app/WindowJobs.h"
#include "base/Language.h"
#include "base/ui/ProgressWindow.h"
#include "media/export/ExportRate.h"
#include "media/export/OutputChoice.h"
#include "media/ui/CodecSearchWindow.h"
#include "media/ui/Mp4ExportDialog.h"
#include "media/ui/VideoExportDialog.h"
#include "media/video/VideoCodecs.h"
#include "media/video/VideoOutput.h"
#include "media/video/VideoSink.h"
#include "project/SlideKind.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <memory>

using base::TextKey;

namespace ui {

VideoExportController::VideoExportController(QObject* parent, const project::ShowModel& show,
                                             WindowJobs& jobs, WindowDialogs& dialogs,
                                             ControllerHost host)
    : QObject(parent), show_(show), jobs_(jobs), dialogs_(dialogs), host_(std::move(host)) {
    ListCodecs = [] { return media::ListCodecs(); };
    RunDialog = [](VideoExportDialog& dialog) { return dialog.exec(); };
    RunMp4Dialog = [](Mp4ExportDialog& dialog) { return dialog.exec(); };
}

QString VideoExportController::FailureMessage(const QString& outputPath) {
    const QString format = base::AppLanguage().Text(
        TextKey::CannotWriteFile, QString::fromUtf8("Не удалось записать \"%s\""));
    // The text is filled literally: a language file's text never reaches a printf-style call.
    return QString::fromStdString(media::ExportFailureText(
        format.toStdString(), QFileInfo(outputPath).fileName().toStdString()));
}

QString VideoExportController::Detail(const QString& outputPath, const std::string& error) {
    // The window names files without their folders, as the failure text does.
    QString text = QString::fromLocal8Bit(error.c_str());
    return text.replace(QFileInfo(outputPath).absolutePath() + "/", QString());
}

int VideoExportController::ScreenHeight() const {
    const QScreen* screen = host_.DialogParent->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->size().height() : 768;
}

void VideoExportController::ProbeCodecs(const QString& path, media::VideoExportOptions options) {
    // The compressors are probed on the worker while the wait window shows; the window's event
    // loop paints it meanwhile. The dialog follows when the probe has ended.
    struct Probe {
        std::vector<std::string> Lines;
        bool Cancelled = false; // a close asked the window's job to stop
    };
    auto probe = std::make_shared<Probe>();
    QPointer<CodecSearchWindow> wait(new CodecSearchWindow(host_.DialogParent));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    wait->ShowNow();
    const auto unwait = [wait] {
        QApplication::restoreOverrideCursor();
        delete wait.data();
    };
    SetRunning(true);
    const bool started = jobs_.Start(
        [probe, list = ListCodecs](WindowProgress& progress) {
            probe->Lines = list();
            probe->Cancelled = progress.Cancelled();
        },
        [this, probe, unwait, path, options]() mutable {
            unwait();
            SetRunning(false);
            if (!probe->Cancelled && AskAviOptions(probe->Lines, options))
                StartExport(path, std::move(options));
        });
    if (!started) {
        SetRunning(false);
        unwait();
    }
}

bool VideoExportController::AskAviOptions(const std::vector<std::string>& lines,
                                          media::VideoExportOptions& options) {
    VideoExportDialog dialog(lines, host_.DialogParent);
    const project::OutputSettings& last = show_.Options().Output;
    dialog.SelectCodec(last.AviCodec, last.AviResolution == 1 ? media::kResolutionStandard
                                                              : media::kResolutionHigh);
    if (!dialog.HasCodec())
        dialogs_.ShowMessage(VideoExportDialog::MissingCodecText());
    if (RunDialog(dialog) != QDialog::Accepted || !dialog.HasCodec())
        return false;
    options.Codec = media::CodecCodeOfLine(dialog.CodecLine());
    options.Resolution = dialog.Resolution();
    return true;
}

void VideoExportController::AskMp4AndExport(const QString& path, media::VideoExportOptions options,
                                            bool lastChoices) {
    QSize refit;
    switch (AskMp4Options(options, lastChoices, refit)) {
    case Mp4Answer::Export:
        StartExport(path, std::move(options));
        break;
    case Mp4Answer::Refit:
        RefitPhotos(refit.width(), refit.height(),
                    [this, path, options] { AskMp4AndExport(path, options, false); });
        break;
    case Mp4Answer::Cancel:
        break;
    }
}

VideoExportController::Mp4Answer
VideoExportController::AskMp4Options(media::VideoExportOptions& options, bool lastChoices,
                                     QSize& refit) {
    // The show's last choices, with the speed and constant quality the dialog does not show.
    if (lastChoices)
        media::ApplyMp4Settings(show_.Options().Output, options);
    const int storedQuality = options.Quality;
    Mp4ExportDialog dialog(options.Resolution, options.Quality, host_.DialogParent);
    dialog.SelectChoices(options.Resolution, options.Shape, options.Fps, options.Coding,
                         options.Quality);
    int photoWidth = 0, photoHeight = 0;
    show_.ResolutionSize(photoWidth, photoHeight);
    // A show that never saved a video, with photos for today's screens (a new show's), starts at
    // the preset for them rather than at the older 720p.
    if (const media::Mp4Preset* tv = media::FindMp4Preset("youtube");
        tv != nullptr && lastChoices && show_.Options().Output.IsDefault() && photoWidth >= 1920 &&
        photoHeight >= 1080)
        dialog.ApplyPreset(static_cast<std::size_t>(tv - media::Mp4Presets().data()));
    // Photos drawn from their originals, titles and clips are drawn at the video's own size: only
    // a show with a photo drawn from its working picture can look softer than the video.
    const auto& slides = show_.Slides();
    if (std::all_of(slides.begin(), slides.end(), [](const project::Slide& s) {
            return project::TraitsOf(s).DrawnAtFrameSize || !s.DrawableOriginal().empty();
        }))
        photoWidth = photoHeight = 0;
    dialog.OfferRefit(static_cast<bool>(RefitPhotos));
    dialog.SetPhotoSize(photoWidth, photoHeight);
    const int answer = RunMp4Dialog(dialog);
    if (answer == Mp4ExportDialog::kRefitPhotos && RefitPhotos) {
        // The choices made so far come back with the dialog.
        options.Resolution = dialog.Resolution();
        options.Quality = dialog.Quality();
        options.Shape = dialog.Shape();
        options.Fps = dialog.Fps();
        options.Coding = dialog.Coding();
        refit = dialog.NeededPhotoSize();
        return Mp4Answer::Refit;
    }
    if (answer != QDialog::Accepted)
        return Mp4Answer::Cancel;
    options.Codec.clear(); // an MP4 file is H.264 or H.265 with AAC sound
    options.Resolution = dialog.Resolution();
    options.Quality = dialog.Quality();
    if (options.Quality != storedQuality)
        options.Crf = 0; // a quality chosen anew brings its own constant quality
    options.Shape = dialog.Shape();
    options.Fps = dialog.Fps();
    options.Coding = dialog.Coding();
    return Mp4Answer::Export;
}

void VideoExportController::saveAsVideo() {
    if (host_.IsBusy())
        return;
    // The show's own name, as the kind of video it was last saved as (MP4 until then).
    const bool avi = !show_.Options().Output.IsDefault() &&
                     show_.Options().Output.Container == project::OutputContainer::Avi;
    const QString path = dialogs_.AskSaveName(
        ProposedFileName(ShowFile ? ShowFile() : QString()) + (avi ? ".avi" : ".mp4"), true);
    if (path.isEmpty())
        return;

    media::VideoExportOptions options;
    options.OutputPath = base::EncodeFileName(path);
    if (const auto checked = media::CheckVideoOutput(options.OutputPath); !checked) {
        dialogs_.ShowMessage(FailureMessage(path) + "\n" + Detail(path, checked.error()));
        return;
    }
    if (!media::IsMp4Output(options.OutputPath))
        ProbeCodecs(path, std::move(options));
    else
        AskMp4AndExport(path, std::move(options), true);
}

void VideoExportController::StartExport(const QString& path, media::VideoExportOptions options) {
    options.ScreenHeight = ScreenHeight();
    if (AdjustOptions)
        AdjustOptions(options);

    // The job writes a copy of the show on the worker; the window stays free meanwhile (busy:
    // the show may not change) and hears the frames, the speed and the time left.
    auto snapshot = std::make_shared<const project::ShowModel>(show_);
    // A job that ends without an answer (it threw) is a failure without detail.
    auto result = std::make_shared<media::VideoExportResult>(base::Fail(std::string()));
    SetRunning(true);
    const bool started = jobs_.Start(
        [snapshot, result, options](WindowProgress& progress) mutable {
            options.OnFrames = [&progress, also = options.OnFrames](std::int64_t done,
                                                                    std::int64_t total) {
                progress.SetDetail(QString::fromStdString(
                    media::ExportRateText(done, total, progress.ElapsedSeconds())));
                if (also)
                    also(done, total);
            };
            *result = media::ExportVideo(*snapshot, options, progress);
        },
        [this, path, snapshot, options, result] { Finished(path, *snapshot, options, *result); });
    if (!started)
        SetRunning(false);
}

void VideoExportController::Finished(const QString& path, const project::ShowModel& show,
                                     const media::VideoExportOptions& used,
                                     const media::VideoExportResult& result) {
    SetRunning(false);
    last_ = result;
    // The choices of a written video are the show's next ones, saved with it.
    if (last_ && last_->Outcome == media::ExportOutcome::Written && StoreOutput)
        StoreOutput(media::UsedOutputSettings(show.Options().Output, used));
    if (!last_) {
        dialogs_.ShowMessage(FailureMessage(path) + "\n" + Detail(path, last_.error()));
    } else {
        if (const auto warning = media::ExportWarning(show, *last_); !warning.empty())
            dialogs_.ShowMessage(QString::fromStdString(warning));
        if (last_->Outcome == media::ExportOutcome::Written) {
            lastWritten_ = path;
            ShowDone(path);
        }
    }
    Q_EMIT finished();
}

void VideoExportController::ShowDone(const QString& path) {
    // Not modal: the user may go on editing, and a test may look at it without waiting.
    auto* box = new QMessageBox(QMessageBox::Information, host_.DialogParent->windowTitle(),
                                base::Tr(TextKey::VideoSaved, "Видео сохранено: %1")
                                    .arg(QDir::toNativeSeparators(QFileInfo(path).fileName())),
                                QMessageBox::Ok, host_.DialogParent);
    box->setObjectName("ExportDoneBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
    QPushButton* open =
        box->addButton(base::Tr(TextKey::OpenFolder, "Открыть папку"), QMessageBox::ActionRole);
    open->setObjectName("OpenFolderButton");
    const QString folder = QFileInfo(path).absolutePath();
    connect(open, &QPushButton::clicked, this, [this, folder] { dialogs_.OpenExternal(folder); });
    box->setWindowModality(Qt::NonModal);
    box->show();
}

} // namespace ui
