#include "app/PhotoRefitCommand.h"

#include "app/WindowDialogs.h"
#include "app/WindowJobs.h"
#include "base/FileName.h"
#include "base/Language.h"
#include "imaging/ImageLoad.h"
#include "project/Import.h"
#include "project/PhotoRefit.h"

#include <QMetaObject>
#include <QWidget>

#include <algorithm>
#include <memory>

using base::TextKey;
using base::Tr;

namespace ui {

namespace {

// What the job hands back to the window's thread.
struct RefitRun {
    std::vector<project::Slide> Slides;
    project::PhotoSettings Current;
    project::RefitOptions Options;
    std::vector<std::string> Candidates;
    base::Result<project::RefitOutcome> Outcome = base::Fail("not run");
    bool Cancelled = false;
};

QString ReportOf(const project::RefitOutcome& outcome, const project::PhotoSettings& photos) {
    int width = 0, height = 0;
    photos.Size(width, height);
    QString report =
        Tr(TextKey::RefitReport, "Фото, перерисованные по оригиналам в размере %2: %1.")
            .arg(outcome.Redrawn)
            .arg(QStringLiteral("%1 x %2").arg(width).arg(height));
    if (outcome.Attached > 0)
        report +=
            ' ' +
            Tr(TextKey::RefitFoundReport, "Оригиналов найдено на диске: %1.").arg(outcome.Attached);
    if (outcome.Kept > 0)
        report += ' ' + Tr(TextKey::RefitKeptReport,
                           "Фото, по-прежнему нарисованные по рабочей копии (ни один файл там не "
                           "показывает их так, как показ): %1.")
                            .arg(outcome.Kept);
    return report;
}

} // namespace

bool PhotoRefitCommand::NeedsOriginals() const {
    const auto& slides = show_.Slides();
    return std::any_of(slides.begin(), slides.end(), [](const project::Slide& s) {
        return s.Photo() && s.DrawableOriginal().empty();
    });
}

void PhotoRefitCommand::FromOriginals() {
    Run(show_.Photos(), {});
}

void PhotoRefitCommand::AtSize(int width, int height, std::function<void()> then) {
    project::PhotoSettings photos = show_.Photos();
    photos.Resolution = std::to_string(width) + "x" + std::to_string(height);
    Run(std::move(photos), std::move(then));
}

void PhotoRefitCommand::Run(project::PhotoSettings photos, std::function<void()> then) {
    // Told after the job's end has been reported, so that what follows (the MP4 dialog again)
    // starts from a window that is idle.
    QWidget* parent = host_.DialogParent;
    const auto finish = [then, parent] {
        if (then && parent)
            QMetaObject::invokeMethod(parent, then, Qt::QueuedConnection);
        else if (then)
            then();
    };
    if (host_.IsBusy() || show_.Slides().empty())
        return finish();
    auto run = std::make_shared<RefitRun>();
    run->Slides = show_.Slides();
    run->Current = show_.Photos();
    run->Options.Photos = std::move(photos);
    run->Options.KeepFolder = history_.KeepFolder();
    if (NeedsOriginals() && dialogs_.AskPhotoFolder) {
        // Without a folder the photos that have their originals are still drawn again.
        const QString folder =
            dialogs_.AskPhotoFolder(Tr(TextKey::RefitFolderCaption, "Папка с файлами фото показа"));
        if (!folder.isEmpty())
            for (std::string& file : project::PhotosInFolder(base::EncodeFileName(folder)))
                if (imaging::IsPhotoExtension(project::ExtensionOf(file)))
                    run->Candidates.push_back(std::move(file));
    }
    const project::WorkFiles& files = files_;
    const bool started = jobs_.Start(
        [run, &files](WindowProgress& progress) {
            progress.Open();
            if (!run->Candidates.empty()) {
                auto search = project::FindOriginals(run->Slides, run->Candidates, progress);
                if (!search) {
                    run->Outcome = base::Fail(search.error());
                    run->Cancelled = progress.Cancelled();
                    progress.Close();
                    return;
                }
                run->Options.Attach = std::move(search->Found);
            }
            run->Outcome =
                project::RefitPhotos(run->Slides, run->Current, files, run->Options, progress);
            run->Cancelled = progress.Cancelled();
            progress.Close();
        },
        [this, run, finish] {
            if (!run->Outcome) {
                if (!run->Cancelled)
                    dialogs_.ShowMessage(QString::fromLocal8Bit(run->Outcome.error().c_str()));
                return finish();
            }
            if (const auto applied = history_.Apply(std::move(run->Outcome->Edits),
                                                    QStringLiteral("refit from originals"),
                                                    std::move(run->Outcome->Pictures));
                !applied) {
                dialogs_.ShowMessage(QString::fromLocal8Bit(applied.error().c_str()));
                return finish();
            }
            host_.Tell(ReportOf(*run->Outcome, run->Options.Photos));
            finish();
        });
    if (!started)
        finish();
}

} // namespace ui
