#include "imaging/ui/TransitionDialog.h"

#include "base/Language.h"
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
    OfferSelection(1); // until the caller says several slides are picked

    sample_ = new TransitionSample(Form->sampleHost);
    auto* layout = new QVBoxLayout(Form->sampleHost);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sample_);

    // The names in the current language, the classic kinds first, then the newer ones, so that a
    // row is its kind's code; the slide's own kind is selected, and a kind the list does not
    // hold (a damaged file) leaves "no transition" selected.
    FillList();
    Form->kindList->setCurrentRow(0);
    if (kind >= 0 && kind < imaging::kTransitionCodes)
        Form->kindList->setCurrentRow(kind);
    sample_->SetKind(Form->kindList->currentRow());
    Form->secondsSpin->setValue(seconds); // the spin box's range keeps it within 0..99

    // A click on any item (the selected one included) or a move with the keys.
    connect(Form->kindList, &QListWidget::currentRowChanged, this, &TransitionDialog::selectKind);
    connect(Form->kindList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { selectKind(Form->kindList->row(item)); });
    connect(Form->saveButton, &QPushButton::clicked, this, &TransitionDialog::acceptChoice);
    connect(Form->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

TransitionDialog::~TransitionDialog() = default;

void TransitionDialog::FillList() {
    const int row = Form->kindList->currentRow();
    Form->kindList->clear();
    for (int k = 0; k < imaging::kTransitionCodes; ++k)
        Form->kindList->addItem(imaging::TransitionName(k));
    if (row >= 0)
        Form->kindList->setCurrentRow(row);
}

void TransitionDialog::SetSamplePictures(const imaging::Bitmap& outgoing, std::int32_t outgoingBack,
                                         const imaging::Bitmap& incoming,
                                         std::int32_t incomingBack) {
    sample_->SetPictures(outgoing, outgoingBack, incoming, incomingBack);
}

void TransitionDialog::ApplyTexts() {
    ApplyLanguageTexts({
        {TextKey::TransitionTitle, this},
        {TextKey::TransitionLength, Form->secondsLabel},
        {TextKey::TransitionApplyToAll, Form->applyToAllCheck},
        {TextKey::TransitionSave, Form->saveButton},
        {TextKey::TransitionCancel, Form->cancelButton},
    });
}

void TransitionDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyTexts();
}

void TransitionDialog::selectKind(int row) {
    // "No transition" has no length.
    Form->secondsSpin->setEnabled(row != 0);
    if (row >= 0 && row != sample_->Kind())
        sample_->SetKind(row);
}

void TransitionDialog::acceptChoice() {
    choice_.Kind = qMax(Form->kindList->currentRow(), 0);
    choice_.Ms = std::llround(Form->secondsSpin->value() * 1000.0);
    choice_.ApplyToAll = Form->applyToAllCheck->isChecked();
    forSelection_ = !choice_.ApplyToAll && !Form->applyToSelectionCheck->isHidden() &&
                    Form->applyToSelectionCheck->isChecked();
    accept();
}

void TransitionDialog::OfferSelection(int count) {
    Form->applyToSelectionCheck->setVisible(count > 1);
    Form->applyToSelectionCheck->setText(
        base::AppLanguage()
            .Text(TextKey::ApplyToSelection, QString::fromUtf8("Применить к выбранным фото"))
            .append(QStringLiteral(" (%1)").arg(count)));
}

} // namespace ui
