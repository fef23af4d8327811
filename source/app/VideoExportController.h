// Saving the show as a video from the main window: the file name, then for an AVI file the wait
// window while the compressors are probed and the export dialog, for an MP4 file the size and
// quality dialog; then the export job with the progress window while the window is busy, and
// one message if it fails, or one naming the video with a button that opens its folder.
#pragma once

#include "app/ControllerHost.h"
#include "media/export/VideoExport.h"

#include <QObject>
#include <QSize>
#include <QString>

class QWidget;

#include <functional>
#include <string>
#include <vector>

namespace ui {

class Mp4ExportDialog;
class VideoExportDialog;
class WindowJobs;
struct WindowDialogs;

class VideoExportController final : public QObject {
    Q_OBJECT

public:
    // Exports show (a copy of it, taken when the export starts) through jobs. The dialogs open at
    // the show's last output settings; a written video's are handed to StoreOutput.
    VideoExportController(QObject* parent, const project::ShowModel& show, WindowJobs& jobs,
                          WindowDialogs& dialogs, ControllerHost host);

    // True while the compressors are probed for an AVI file and while a video is written; the
    // window is busy then.
    bool Running() const { return running_; }
    // Asks for the file and the options, then starts the export on the window's job runner and
    // returns; the end is told (and finished() emitted) when the job is over. For an AVI file the
    // compressors are probed first, as a job, and the options are asked when it has ended.
    void saveAsVideo();

    // The file-dialog filter of MP4 files, beside AVI's.
    static QString Mp4Filter() { return QStringLiteral("MP4 video (*.mp4)"); }

    // Stores the output settings a written video used in the show, as one undo step.
    std::function<void(const project::OutputSettings&)> StoreOutput;
    // Draws the photos again at width x height (a job, one step), asked by the MP4 dialog's
    // note; then runs when it is over, and opens the dialog again. Without it the note offers no
    // button.
    std::function<void(int width, int height, std::function<void()> then)> RefitPhotos;
    // The show's own file, whose name the save dialog proposes ("" for a show never saved).
    std::function<QString()> ShowFile;
    // The compressor lines; tests replace it. Called on the job's worker thread.
    std::function<std::vector<std::string>()> ListCodecs;
    // The dialog's modal run (QDialog::Accepted or Rejected); tests replace it.
    std::function<int(VideoExportDialog&)> RunDialog;
    // The MP4 dialog's modal run, when the file name ends in ".mp4"; tests replace it.
    std::function<int(Mp4ExportDialog&)> RunMp4Dialog;
    // Options handed to the job after the dialog's (tests add a track decoder or a sink).
    std::function<void(media::VideoExportOptions&)> AdjustOptions;
    // The outcome of the last export (for tests and the status line).
    const media::VideoExportResult& LastResult() const { return last_; }
    // The video last written in this run, empty before one is.
    const QString& LastWritten() const { return lastWritten_; }

    // The failure message for the output path: the failure text with the file name (no folder).
    static QString FailureMessage(const QString& outputPath);
    // The reason under it, with the output's folder left out.
    static QString Detail(const QString& outputPath, const std::string& error);

Q_SIGNALS:
    // An export started by saveAsVideo has ended and its end was told.
    void finished();
    // Running() changed: the window's busy state may have changed.
    void runningChanged();

private:
    void SetRunning(bool running) {
        if (running_ == running)
            return;
        running_ = running;
        Q_EMIT runningChanged();
    }
    // The job's end, on the window's thread: the messages about it.
    void Finished(const QString& path, const project::ShowModel& show,
                  const media::VideoExportOptions& used, const media::VideoExportResult& result);
    // Rows of the screen the main window is on.
    int ScreenHeight() const;
    // The probe of the compressors for an AVI file, then its dialog and the export.
    void ProbeCodecs(const QString& path, media::VideoExportOptions options);
    // The dialog's choices into options; false when the user cancels (or, for AVI, no
    // compressor is installed). lines: the compressors found.
    bool AskAviOptions(const std::vector<std::string>& lines, media::VideoExportOptions& options);
    // The MP4 dialog, then the export; or, asked by the note, the photos drawn again at the size
    // the video needs and the dialog again with the choices made. lastChoices: the dialog opens
    // at the show's last choices rather than options'.
    void AskMp4AndExport(const QString& path, media::VideoExportOptions options, bool lastChoices);
    enum class Mp4Answer { Export, Refit, Cancel };
    Mp4Answer AskMp4Options(media::VideoExportOptions& options, bool lastChoices, QSize& refit);
    // The export job with the chosen options.
    void StartExport(const QString& path, media::VideoExportOptions options);
    // The message at the end of a written video: its name, and a button that opens its folder.
    void ShowDone(const QString& path);

    const project::ShowModel& show_;
    WindowJobs& jobs_;
    WindowDialogs& dialogs_;
    // The dialogs' parent (its screen decides the preview's size); no export starts while busy.
    ControllerHost host_;
    bool running_ = false;
    media::VideoExportResult last_ = base::Fail("no export yet");
    QString lastWritten_;
};

} // namespace ui
