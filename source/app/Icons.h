// The main window's toolbar and link icons, drawn by the program itself with QPainter.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ui {

enum class IconKind {
    Crop,
    Text,
    Rotate,
    Light,
    Colors,
    Duration, // effect buttons
    Settings,
    Help,
    About, // top-right toolbar
    New,
    Open,
    Preview,
    Save,
    Disc, // bottom toolbar
    AddPhoto,
    AddMusic, // storyboard buttons
    Link      // link icons
};

// An icon of the given kind drawn at size x size pixels.
QPixmap DrawIcon(IconKind kind, int size, int variant = 0);
QIcon MakeIcon(IconKind kind, int size);

} // namespace ui
