// The effects dialog's page of a video clip: the caller's editor in the page, its preview beside
// the dialog's own, and the photo's pages a clip cannot use turned off.
#include "imaging/ui/EffectsDialog.h"

#include "ui_EffectsDialog.h"

#include <QBoxLayout>
#include <QTabBar>

namespace ui {

bool EffectsDialog::PageOffered(int page) const {
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

} // namespace ui
