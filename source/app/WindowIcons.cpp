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
    const std::array<QToolButton*, 6> effects = {form.CropButton,  form.CaptionButton,
                                                 form.TurnButton,  form.LightButton,
                                                 form.ColorButton, form.TimeButton};
    const IconKind kinds[6] = {IconKind::Crop,  IconKind::Text,   IconKind::Rotate,
                               IconKind::Light, IconKind::Colors, IconKind::Duration};
    for (std::size_t i = 0; i < effects.size(); ++i) {
        effects[i]->setIcon(MakeIcon(kinds[i], 19));
        effects[i]->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> top[] = {{form.SettingsButton, IconKind::Settings},
                                                     {form.HelpButton, IconKind::Help},
                                                     {form.AboutButton, IconKind::About}};
    for (const auto& [b, k] : top) {
        b->setIcon(MakeIcon(k, 19));
        b->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> bottom[] = {{form.NewButton, IconKind::New},
                                                        {form.OpenButton, IconKind::Open},
                                                        {form.PreviewButton, IconKind::Preview},
                                                        {form.SaveButton, IconKind::Save},
                                                        {form.DiscButton, IconKind::Disc}};
    for (const auto& [b, k] : bottom) {
        b->setIcon(MakeIcon(k, 55));
        b->setIconSize(QSize(55, 55));
    }
    form.AddPhotosButton->setIcon(MakeIcon(IconKind::AddPhoto, 48));
    form.AddPhotosButton->setIconSize(QSize(48, 48));
    form.AddMusicButton->setIcon(MakeIcon(IconKind::AddMusic, 48));
    form.AddMusicButton->setIconSize(QSize(48, 48));
    int variant = 0;
    for (QLabel* link : {form.LinkIcon1, form.LinkIcon2, form.LinkIcon3, form.LinkIcon4,
                         form.LinkIcon5, form.LinkIcon6})
        link->setPixmap(DrawIcon(IconKind::Link, 16, variant++));
}

void SetProgramIcon(QWidget& window) {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(project::DrawProgramPicture(size)));
    window.setWindowIcon(icon);
}

} // namespace ui
