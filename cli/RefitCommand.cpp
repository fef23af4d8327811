#include "cli/RefitCommand.h"

#include "base/FileName.h"
#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "cli/Failure.h"
#include "cli/Interrupt.h"
#include "cli/ShowJobs.h"
#include "imaging/ImageLoad.h"
#include "project/Import.h"
#include "project/PhotoRefit.h"
#include "project/Resolution.h"
#include "project/ShowSession.h"

#include <cstdio>
#include <filesystem>

namespace cli {

namespace {

const char kRefitUsage[] =
    "usage: refit SHOW.qvs [--originals FOLDER_OR_FILE]... [--photo-size WxH]";

// The photos of a folder (not its sub-folders), or the file itself.
void AddCandidates(const std::string& path, std::vector<std::string>& files) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) {
        files.push_back(path);
        return;
    }
    for (std::string& file : project::PhotosInFolder(path))
        if (imaging::IsPhotoExtension(project::ExtensionOf(file)))
            files.push_back(std::move(file));
}

} // namespace

int RunRefit(const QStringList& args) {
    QString showPath, size;
    std::vector<std::string> candidates;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        if (a == "--originals") {
            if (!NextValue(args, i, v))
                return Fail("--originals needs a folder or a photo file");
            AddCandidates(base::EncodeFileName(v), candidates);
        } else if (a == "--photo-size") {
            int w = 0, h = 0;
            if (!NextValue(args, i, v) || !project::ParseResolution(v.toStdString(), w, h))
                return Fail("--photo-size needs WxH, e.g. 1920x1080");
            size = v;
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a + " for refit");
        } else if (showPath.isEmpty()) {
            showPath = a;
        } else {
            return Fail("unexpected argument " + a);
        }
    }
    if (showPath.isEmpty())
        return Fail(kRefitUsage);
    project::ShowSession session;
    if (const auto done = OpenShowToEdit(session, showPath); !done)
        return Fail(done.error());
    const project::ShowModel& show = session.Show();
    project::RefitOptions options;
    options.Photos = show.Photos();
    options.KeepFolder = session.History().KeepFolder();
    if (!size.isEmpty())
        options.Photos.Resolution = size.toStdString();

    ConsoleProgress progress("refit");
    InterruptScope interrupt(&progress);
    progress.Open();
    if (!candidates.empty()) {
        auto search = project::FindOriginals(show.Slides(), candidates, progress);
        if (!search)
            return Fail(QString::fromStdString(search.error()));
        options.Attach = std::move(search->Found);
        if (search->Unreadable > 0)
            std::fprintf(stderr, "reelpane-cli: %zu of the files could not be read\n",
                         search->Unreadable);
    }
    auto refit =
        project::RefitPhotos(show.Slides(), show.Photos(), session.Files(), options, progress);
    progress.Close();
    if (!refit)
        return Fail(QString::fromStdString(refit.error()));
    if (const auto applied = session.History().Apply(
            std::move(refit->Edits), QStringLiteral("refit"), std::move(refit->Pictures));
        !applied)
        return Fail(QString::fromStdString(applied.error()));
    if (const auto done = SaveEditedShow(session, showPath); !done)
        return Fail(done.error());
    int w = 0, h = 0;
    options.Photos.Size(w, h);
    std::fprintf(stderr,
                 "reelpane-cli: %zu photo(s) drawn again from their originals at %dx%d, %zu "
                 "original(s) found; %zu photo(s) drawn from their working picture\n",
                 refit->Redrawn, w, h, refit->Attached, refit->Kept);
    return 0;
}

} // namespace cli
