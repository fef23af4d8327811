// The addresses behind the window's six link icons.
#pragma once

#include <QString>

namespace ui {

// The address of link icon `number` (6..11; "" otherwise): the site address for the program's
// own page, then reading on slide shows, photography, free photos, the video format and the disc
// format. "%1" in a format is the site address, "%2" the program's title.
QString LinkAddress(int number, const QString& siteUrl, const QString& title);

} // namespace ui
