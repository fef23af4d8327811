#include "app/BottomBarLayout.h"

#include "ui_MainWindow.h"

#include <QLabel>
#include <QToolButton>

#include <algorithm>
#include <array>

namespace ui {

namespace {

QSize PanelSize(const BottomBarMetrics& m, int columns) {
    const int rows = (m.IconCount + columns - 1) / columns;
    return {2 * m.Margin + columns * m.IconSize + (columns - 1) * m.Spacing,
            2 * m.Margin + rows * m.IconSize + (rows - 1) * m.Spacing};
}

} // namespace

BottomBarPlacement PlaceBottomBar(int barWidth, int barHeight, QSize toolbar,
                                  const BottomBarMetrics& m) {
    const int centredLeft = (barWidth - toolbar.width()) / 2;
    // The widest arrangement of the links that leaves the centred toolbar clear and fits the
    // bar's height; failing that, the narrowest that fits, with the toolbar moved left.
    int columns = m.IconCount;
    bool centred = false;
    for (int c = m.IconCount; c >= 1; --c) {
        if (m.IconCount % c != 0) // only even blocks: 6, 3 + 3, 2 + 2 + 2
            continue;
        const QSize panel = PanelSize(m, c);
        if (panel.height() > barHeight && c < m.IconCount)
            break;
        columns = c;
        if (centredLeft + toolbar.width() + m.Gap <= barWidth - panel.width()) {
            centred = true;
            break;
        }
    }
    const QSize panel = PanelSize(m, columns);
    BottomBarPlacement placement;
    placement.Links =
        QRect(QPoint(barWidth - panel.width(), (barHeight - panel.height()) / 2), panel);
    const int toolbarLeft =
        centred
            ? centredLeft
            : std::max(0, std::min(centredLeft, placement.Links.left() - m.Gap - toolbar.width()));
    placement.Toolbar = QRect(QPoint(toolbarLeft, m.ToolbarTop), toolbar);
    for (int i = 0; i < m.IconCount; ++i) {
        const int row = i / columns;
        const int column = i % columns;
        placement.Icons.emplace_back(m.Margin + column * (m.IconSize + m.Spacing),
                                     m.Margin + row * (m.IconSize + m.Spacing), m.IconSize,
                                     m.IconSize);
    }
    return placement;
}

void CenterBottomToolbar(Ui::MainWindow& form) {
    int width = 6 + 2 * form.fileBar->frameWidth();
    for (QToolButton* b :
         {form.newButton, form.openButton, form.previewButton, form.saveButton, form.discButton})
        width += b->width() > 0 ? b->minimumWidth() : 62;
    const BottomBarPlacement placement = PlaceBottomBar(
        form.bottomBar->width(), form.bottomBar->height() > 0 ? form.bottomBar->height() : 66,
        QSize(width, 63));
    form.fileBar->setGeometry(placement.Toolbar);
    form.linkBar->setGeometry(placement.Links);
    const std::array<QLabel*, 6> links = {form.siteLink,        form.slideShowsLink,
                                          form.photographyLink, form.freePhotosLink,
                                          form.videoFormatLink, form.discFormatLink};
    for (std::size_t i = 0; i < links.size() && i < placement.Icons.size(); ++i)
        links[i]->setGeometry(placement.Icons[i]);
}

} // namespace ui
