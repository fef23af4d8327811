// reelpane-cli export and codecs: the show written as a video through the export job, and the
// compressor lines with those the export offers.
#pragma once

#include "base/Result.h"
#include "project/ShowSession.h"

#include <QStringList>

namespace cli {

int RunExport(const QStringList& args);
int RunCodecs(const QStringList& args);

// Opens the session and loads the show for an export (or a frame of it): a photo or track that
// cannot be read keeps its place in the show (a slide without a picture, a track that plays as
// silence), so everything after it stays in time.
base::Status OpenShowForExport(project::ShowSession& session, const QString& show);

} // namespace cli
