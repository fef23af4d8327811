// The files and folders a console command puts on a disc or into an image: each file at the
// root, each folder with its tree under its own name, and the builder's warnings on standard
// error.
#pragma once

#include "base/Result.h"
#include "disc/iso/IsoImageBuilder.h"

#include <QStringList>

namespace cli {

// Prints the builder's warnings and errors (not its information) on standard error.
void ReportBuilderMessages(disc::IsoImageBuilder& builder);

// Adds every input; the message names the first one that is missing or cannot be added.
base::Status AddInputs(disc::IsoImageBuilder& builder, const QStringList& inputs,
                       const char* where);

} // namespace cli
