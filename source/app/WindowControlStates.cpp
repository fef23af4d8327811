#include "app/WindowControlStates.h"

#include "project/ControlStates.h"
#include "ui_MainWindow.h"

#include <QToolButton>
#include <QWidget>

namespace ui {

void ApplyControlStates(Ui::MainWindow& form, const project::ControlStates& states) {
    for (QWidget* w : {static_cast<QWidget*>(form.Panel1), static_cast<QWidget*>(form.Panel2),
                       static_cast<QWidget*>(form.Panel5), static_cast<QWidget*>(form.Panel6)})
        w->setEnabled(states.Panels);
    for (QWidget* w :
         {form.CropButton, form.CaptionButton, form.TurnButton, form.LightButton, form.ColorButton,
          form.TimeButton, form.NewButton, form.PreviewButton, form.SaveButton, form.DiscButton})
        w->setEnabled(states.EditButtons);
    form.PreviousPageButton->setEnabled(states.PreviousPage);
    form.NextPageButton->setEnabled(states.NextPage);
}

} // namespace ui
