// File names on Linux are bytes, not text. These carry them through a QString without loss (the
// toolkit's own conversion turns every byte that is not UTF-8 into U+FFFD): valid UTF-8 decodes
// as usual, and each byte outside valid UTF-8 becomes one of the code points U+DC80..U+DCFF,
// which no valid UTF-8 yields, and encodes back to that same byte.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace base {

QString DecodeFileName(std::string_view bytes);
std::string EncodeFileName(const QString& name);

// Whether a directory entry of that name exists, a link whose target is gone included (so that
// nothing writes over it or takes its name).
bool EntryExists(const std::string& path);

} // namespace base
