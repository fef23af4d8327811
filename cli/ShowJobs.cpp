#include "cli/ShowJobs.h"

#include "base/FileName.h"
#include "base/JobRunner.h"
#include "cli/ConsoleProgress.h"
#include "cli/CoreImport.h"

#include <cstdio>

namespace cli {

project::LoadResult LoadShowJob(project::ShowSession& session, const std::string& path,
                                base::Progress& progress) {
    return LoadShowJob(session, path, progress, CoreImport());
}

project::LoadResult LoadShowJob(project::ShowSession& session, const std::string& path,
                                base::Progress& progress, const project::OpenImport& importer) {
    project::LoadResult result = base::Fail("the load could not start");
    base::JobRunner runner;
    if (runner.Run(progress,
                   [&] { result = project::OpenProjectOver(session, path, progress, importer); }) &&
        !runner.Failure().empty())
        result = base::Fail(runner.Failure());
    return result;
}

project::SaveResult SaveShowJob(const project::ShowModel& show, const std::string& path,
                                base::Progress& progress) {
    project::SaveResult result = base::Fail("the save could not start");
    base::JobRunner runner;
    if (runner.Run(progress, [&] { result = project::SaveProject(show, path, progress); }) &&
        !runner.Failure().empty())
        result = base::Fail(runner.Failure());
    return result;
}

base::Status OpenShowToEdit(project::ShowSession& session, const QString& showPath) {
    if (const auto opened = session.Open(); !opened)
        return base::Fail(base::EncodeFileName(QString::fromLocal8Bit(opened.error().c_str())));
    ConsoleProgress loading("loading");
    const auto loaded = LoadShowJob(session, base::EncodeFileName(showPath), loading);
    if (!loaded || loaded->Outcome != project::LoadOutcome::Loaded)
        return base::Fail(base::EncodeFileName(
            "cannot load " + showPath + ": " +
            QString::fromLocal8Bit(loaded ? "cancelled" : loaded.error().c_str())));
    if (!loaded->Warning.empty())
        std::fprintf(stderr, "reelpane-cli: %s\n", loaded->Warning.c_str());
    return {};
}

base::Status SaveEditedShow(const project::ShowSession& session, const QString& showPath) {
    ConsoleProgress saving("saving");
    const auto saved = SaveShowJob(session.Show(), base::EncodeFileName(showPath), saving);
    if (!saved || *saved != project::SaveOutcome::Saved)
        return base::Fail(base::EncodeFileName(
            "cannot save " + showPath + ": " +
            QString::fromLocal8Bit(saved ? "nothing was saved" : saved.error().c_str())));
    return {};
}

} // namespace cli
