#include "cli/ShowJobs.h"

#include "base/JobRunner.h"
#include "cli/CoreImport.h"

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

} // namespace cli
