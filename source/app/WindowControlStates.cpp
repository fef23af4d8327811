#include "app/WindowControlStates.h"

#include "project/ControlStates.h"
#include "ui_MainWindow.h"

#include <QToolButton>
#include <QWidget>

namespace ui {

void ApplyControlStates(Ui::MainWindow& form, const project::ControlStates& states) {
    for (QWidget* w :
         {static_cast<QWidget*>(form.topBar), static_cast<QWidget*>(form.bottomBar),
          static_cast<QWidget*>(form.stripsPanel), static_cast<QWidget*>(form.addPanel)})
        w->setEnabled(states.Panels);
    for (QWidget* w :
         {form.cropButton, form.captionButton, form.turnButton, form.lightButton, form.colorButton,
          form.timeButton, form.newButton, form.previewButton, form.saveButton, form.discButton})
        w->setEnabled(states.EditButtons);
    form.previousPageButton->setEnabled(states.PreviousPage);
    form.nextPageButton->setEnabled(states.NextPage);
}

} // namespace ui
