// Writes a laid-out session as an image file: the head, then every new file padded to whole
// sectors, into a temporary file beside the output that is renamed into place only when all of
// it was written. For a session that starts at sector S the file holds sectors S onwards.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "disc/IsoImageBuilder.h"

#include <string>

namespace disc {

// The builder must be prepared (laid out and headed). Refuses an output that is one of the
// files of the image, and reports a short write (a full disk) as a failure.
base::Status WriteImageFile(const IsoImageBuilder& builder, const std::string& outputPath,
                            base::Progress& progress);

} // namespace disc
