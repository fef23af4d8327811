// Writes a laid-out session as an image file, for the console tool and the disc window alike:
// the head, then every new file padded to whole sectors, into a temporary file beside the output
// that replaces it only when all of it was written. For a session that starts at sector S the
// file holds sectors S onwards. File contents are copied by the kernel where it can.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "disc/iso/IsoImageBuilder.h"

#include <cstdint>
#include <functional>
#include <string>

namespace disc {

// Bytes of the image written so far, and in all; called after every piece.
using ImageBytesHandler = std::function<void(std::uint64_t done, std::uint64_t total)>;

// The builder must be prepared (laid out and headed). Fails with "CAN'T CREATE FILE "OUT"" (also
// for a folder or a device), "CAN'T CREATE FILE "OUT": IT IS ONE OF THE FILES TO WRITE",
// "THE DISK IS FULL: "OUT" COULD NOT BE WRITTEN", "CAN'T WRITE FILE "OUT": why",
// "CAN'T OPEN FILE ...", "FILE ... CHANGED SIZE DURING THE WRITE" or
// "OPERATION ABORTED BY USER"; the output is then as it was. Reports through progress but
// neither opens nor closes it.
base::Status WriteImageFile(const IsoImageBuilder& builder, const std::string& outputPath,
                            base::Progress& progress, const ImageBytesHandler& bytes = {});

} // namespace disc
