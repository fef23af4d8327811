// The transition chooser: one of the fourteen transitions and its length for the current slide,
// or for every slide. It hands the choice back; the caller stores it (ApplyTransitionChoice).
#pragma once

#include "project/TransitionChoice.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TransitionDialog;
}

namespace ui {

class TransitionDialog final : public QDialog {
    Q_OBJECT

public:
    // kind and seconds are the current slide's transition.
    TransitionDialog(int kind, int seconds, QWidget* parent = nullptr);
    ~TransitionDialog() override;

    // After "Сохранить": the chosen kind, the seconds as entered and the "apply to all" box.
    project::TransitionChoice Choice() const { return choice_; }

    std::unique_ptr<Ui::TransitionDialog> Form;

    void selectKind(int row);
    void acceptChoice();

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();

    project::TransitionChoice choice_;
};

} // namespace ui
