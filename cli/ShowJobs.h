// The console tool's loads and saves of a show: each one a job on the program's job runner (a
// worker thread, the tool waiting for it), as the window runs them.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "project/ProjectFile.h"
#include "project/ProjectOpen.h"
#include "project/ShowSession.h"

#include <QString>

#include <string>

namespace cli {

// Loads the show file at path (an encoded file name) as the session's show, bringing its files
// back with the core's own imports.
project::LoadResult LoadShowJob(project::ShowSession& session, const std::string& path,
                                base::Progress& progress);
// The same with the caller's imports.
project::LoadResult LoadShowJob(project::ShowSession& session, const std::string& path,
                                base::Progress& progress, const project::OpenImport& importer);
// Saves show to path (an encoded file name).
project::SaveResult SaveShowJob(const project::ShowModel& show, const std::string& path,
                                base::Progress& progress);

// The edit commands' open and save: the session opened and the show at showPath (as typed)
// loaded, its load warning printed; then the edited show saved back over it. A failure is the
// one-line message of what went wrong, its file names in their own bytes.
base::Status OpenShowToEdit(project::ShowSession& session, const QString& showPath);
base::Status SaveEditedShow(const project::ShowSession& session, const QString& showPath);

} // namespace cli
