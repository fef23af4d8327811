// Where the bottom bar puts its toolbar and its six link icons, so that they never overlap: the
// toolbar centred, the links in a row at the right end; where the bar is too narrow for that, the
// links fold into a block of rows and the toolbar moves left of it.
#pragma once

#include <QRect>
#include <QSize>

#include <vector>

namespace Ui {
class MainWindow;
}

namespace ui {

struct BottomBarPlacement {
    QRect Toolbar;
    QRect Links;              // the links' panel, in the bar
    std::vector<QRect> Icons; // each link icon, in the links' panel
};

struct BottomBarMetrics {
    int IconSize = 16;
    int IconCount = 6;
    int Spacing = 3; // between icons
    int Margin = 2;  // around the icons inside their panel
    int Gap = 4;     // least room between the toolbar and the links
    int ToolbarTop = 2;
};

// toolbar is the toolbar's size; the bar is barWidth x barHeight.
BottomBarPlacement PlaceBottomBar(int barWidth, int barHeight, QSize toolbar,
                                  const BottomBarMetrics& metrics = {});

// Places the window's bottom toolbar and link icons in its bottom bar. The toolbar's width is its
// five buttons plus twice its border plus 6.
void CenterBottomToolbar(Ui::MainWindow& form);

} // namespace ui
