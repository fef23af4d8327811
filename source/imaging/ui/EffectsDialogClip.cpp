// The effects dialog's pages of a video clip and of a collage: the caller's editor in the page,
// its preview beside the dialog's own, and the photo's pages the slide cannot use turned off.
#include "imaging/ui/EffectsDialog.h"

#include "ui_EffectsDialog.h"

#include <QBoxLayout>
#include <QTabBar>

namespace ui {

bool EffectsDialog::PageOffered(int page) const {
    // A collage keeps its photos as they came in: its caption, its time and its own page.
    if (collage_.Editor)
        return page == 1 || page == 5 || page == kCollagePage;
    if (!clip_.Editor)
        return page >= 0 && page <= kMotionPage;
    // A clip is drawn as it was filmed: no crop, turn, light, colour or motion; its time on
    // screen is its trim's, set on its own page.
    return page == 1 || page == kClipPage;
}

void EffectsDialog::SetUpClipPage() {
    if (!clip_.Editor)
        return;
    auto* layout = new QVBoxLayout(Form->clipHost);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(clip_.Editor);
    if (clip_.Preview) {
        qobject_cast<QBoxLayout*>(Form->previewFrame->layout())->addWidget(clip_.Preview);
        clip_.Preview->hide();
    }
    for (int page = 0; page < Tabs->count(); ++page)
        Tabs->setTabEnabled(page, PageOffered(page));
}

void EffectsDialog::SetUpCollagePage() {
    if (!collage_.Editor)
        return;
    auto* layout = new QVBoxLayout(Form->collageHost);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(collage_.Editor);
    if (collage_.Preview) {
        qobject_cast<QBoxLayout*>(Form->previewFrame->layout())->addWidget(collage_.Preview);
        collage_.Preview->hide();
    }
    Tabs->setTabVisible(kClipPage, false); // there only to keep the pages' numbers
    for (int page = 0; page < Tabs->count(); ++page)
        Tabs->setTabEnabled(page, PageOffered(page));
}

} // namespace ui
