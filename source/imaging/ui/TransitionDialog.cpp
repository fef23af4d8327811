#include "imaging/ui/TransitionDialog.h"

#include "base/ui/LanguageTexts.h"
#include "imaging/TransitionKinds.h"
#include "imaging/TransitionNames.h"
#include "imaging/ui/TransitionSample.h"
#include "ui_TransitionDialog.h"

#include <QEvent>
#include <QVBoxLayout>
#include <cmath>

using base::TextKey;

namespace ui {

TransitionDialog::TransitionDialog(int kind, double seconds, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TransitionDialog>()) {
    Form->setupUi(this);
    setFixedSize(size());
    ApplyTexts();

    sample_ = new TransitionSample(Form->SampleHost);
    auto* layout = new QVBoxLayout(Form->SampleHost);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sample_);

    // The names in the current language, the seed's kinds first, then the newer ones, so that a
    // row is its kind's code; the slide's own kind is selected, and a kind the list does not
    // hold (a damaged file) leaves "no transition" selected.
    FillList();
    Form->ListBox1->setCurrentRow(0);
    if (kind >= 0 && kind < imaging::kTransitionCodes)
        Form->ListBox1->setCurrentRow(kind);
    sample_->SetKind(Form->ListBox1->currentRow());
    Form->SecondsSpin->setValue(seconds); // the spin box's range keeps it within 0..99

    // A click on any item (the selected one included) or a move with the keys.
    connect(Form->ListBox1, &QListWidget::currentRowChanged, this, &TransitionDialog::selectKind);
    connect(Form->ListBox1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { selectKind(Form->ListBox1->row(item)); });
    connect(Form->BitBtn1, &QPushButton::clicked, this, &TransitionDialog::acceptChoice);
    connect(Form->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

TransitionDialog::~TransitionDialog() = default;

void TransitionDialog::FillList() {
    const int row = Form->ListBox1->currentRow();
    Form->ListBox1->clear();
    for (int k = 0; k < imaging::kTransitionCodes; ++k)
        Form->ListBox1->addItem(imaging::TransitionName(k));
    if (row >= 0)
        Form->ListBox1->setCurrentRow(row);
}

void TransitionDialog::SetSamplePictures(const imaging::Bitmap& outgoing, std::int32_t outgoingBack,
                                         const imaging::Bitmap& incoming,
                                         std::int32_t incomingBack) {
    sample_->SetPictures(outgoing, outgoingBack, incoming, incomingBack);
}

void TransitionDialog::ApplyTexts() {
    ApplyLanguageTexts({
        {TextKey::TransitionTitle, this},
        {TextKey::TransitionLength, Form->Label1},
        {TextKey::TransitionApplyToAll, Form->CheckBox1},
        {TextKey::TransitionSave, Form->BitBtn1},
        {TextKey::TransitionCancel, Form->BitBtn2},
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
    if (row >= 0 && row != sample_->Kind())
        sample_->SetKind(row);
}

void TransitionDialog::acceptChoice() {
    choice_.Kind = qMax(Form->ListBox1->currentRow(), 0);
    choice_.Ms = std::llround(Form->SecondsSpin->value() * 1000.0);
    choice_.ApplyToAll = Form->CheckBox1->isChecked();
    accept();
}

} // namespace ui
