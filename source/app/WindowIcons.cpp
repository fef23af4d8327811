#include "app/WindowIcons.h"

#include "project/ProgramPicture.h"
#include "project/ui/Icons.h"
#include "ui_MainWindow.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>
#include <QWidget>

#include <array>

namespace ui {

void SetWindowIcons(Ui::MainWindow& form) {
    const std::array<QToolButton*, 6> effects = {form.cropButton,  form.captionButton,
                                                 form.turnButton,  form.lightButton,
                                                 form.colorButton, form.timeButton};
    const IconKind kinds[6] = {IconKind::Crop,  IconKind::Text,   IconKind::Rotate,
                               IconKind::Light, IconKind::Colors, IconKind::Duration};
    for (std::size_t i = 0; i < effects.size(); ++i) {
        effects[i]->setIcon(MakeIcon(kinds[i], 19));
        effects[i]->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> top[] = {{form.settingsButton, IconKind::Settings},
                                                     {form.helpButton, IconKind::Help},
                                                     {form.aboutButton, IconKind::About}};
    for (const auto& [b, k] : top) {
        b->setIcon(MakeIcon(k, 19));
        b->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> bottom[] = {{form.newButton, IconKind::New},
                                                        {form.openButton, IconKind::Open},
                                                        {form.previewButton, IconKind::Preview},
                                                        {form.saveButton, IconKind::Save},
                                                        {form.discButton, IconKind::Disc}};
    for (const auto& [b, k] : bottom) {
        b->setIcon(MakeIcon(k, 55));
        b->setIconSize(QSize(55, 55));
    }
    form.addPhotosButton->setIcon(MakeIcon(IconKind::AddPhoto, 48));
    form.addPhotosButton->setIconSize(QSize(48, 48));
    form.addMusicButton->setIcon(MakeIcon(IconKind::AddMusic, 48));
    form.addMusicButton->setIconSize(QSize(48, 48));
    int variant = 0;
    for (QLabel* link : {form.siteLink, form.slideShowsLink, form.photographyLink,
                         form.freePhotosLink, form.videoFormatLink, form.discFormatLink})
        link->setPixmap(DrawIcon(IconKind::Link, 16, variant++));
}

void SetProgramIcon(QWidget& window) {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(project::DrawProgramPicture(size)));
    window.setWindowIcon(icon);
}

} // namespace ui
