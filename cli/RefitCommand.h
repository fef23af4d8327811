// `refit SHOW.qvs [--originals FOLDER_OR_FILE]... [--photo-size WxH]`: the show's photos drawn
// again from their originals, those a show saved without them has found among the given files
// first; with --photo-size, at that photo size.
#pragma once

#include <QStringList>

namespace cli {

int RunRefit(const QStringList& args);

} // namespace cli
