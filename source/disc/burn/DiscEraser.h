// Erasing a rewritable disc: blanking a CD-RW or DVD-RW (quick or whole), formatting and
// zeroing a DVD+RW or DVD-RAM, then waiting, within a time estimate, until the drive is done.
// An erase that fails or does not finish is reported as a failure with the drive's text.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "disc/burn/DiscWriter.h"
#include "disc/scsi/ScsiDevice.h"

namespace disc {

// The time an erase may take on the media type, in seconds.
int EraseEstimateSeconds(int mediaType, bool quick);

base::Status EraseDisc(ScsiDevice& device, bool quick, base::Progress& progress,
                       DiscJobStatus& status, const DiscMessageSink& messages = {});

} // namespace disc
