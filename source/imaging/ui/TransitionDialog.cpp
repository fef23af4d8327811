#include "imaging/ui/TransitionDialog.h"

#include "project/TransitionNames.h"
#include "project/ui/LanguageTexts.h"
#include "ui_TransitionDialog.h"

#include <QEvent>

namespace ui {

TransitionDialog::TransitionDialog(int kind, int seconds, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TransitionDialog>()) {
    Form->setupUi(this);
    setFixedSize(size());
    ApplyTexts();

    // The names in the current language, item 0 first, then the slide's own kind; a kind the
    // list does not hold (a damaged file) leaves "no transition" selected.
    Form->ListBox1->clear();
    for (int k = 0; k < project::kTransitionCount; ++k)
        Form->ListBox1->addItem(project::TransitionName(k));
    Form->ListBox1->setCurrentRow(0);
    if (kind >= 0 && kind < project::kTransitionCount)
        Form->ListBox1->setCurrentRow(kind);
    Form->SecondsSpin->setValue(seconds); // the spin box's range keeps it within 0..99

    // A click on any item (the selected one included) or a move with the keys.
    connect(Form->ListBox1, &QListWidget::currentRowChanged, this, &TransitionDialog::selectKind);
    connect(Form->ListBox1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { selectKind(Form->ListBox1->row(item)); });
    connect(Form->BitBtn1, &QPushButton::clicked, this, &TransitionDialog::acceptChoice);
    connect(Form->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

TransitionDialog::~TransitionDialog() = default;

void TransitionDialog::ApplyTexts() {
    ApplyLanguageTexts({
        {500, this},
        {501, Form->Label1},
        {502, Form->CheckBox1},
        {503, Form->BitBtn1},
        {504, Form->BitBtn2},
    });
}

void TransitionDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyTexts();
}

void TransitionDialog::selectKind(int row) {
    // "No transition" has no length.
    Form->SecondsSpin->setEnabled(row != 0);
}

void TransitionDialog::acceptChoice() {
    choice_.Kind = qMax(Form->ListBox1->currentRow(), 0);
    choice_.Seconds = Form->SecondsSpin->value();
    choice_.ApplyToAll = Form->CheckBox1->isChecked();
    accept();
}

} // namespace ui
