// The transition chooser: one of the transitions (the fourteen classic wipes and the newer kinds,
// all by their codes 0..26) and its length for the current slide, or for every slide, with a small
// looping sample of the selected kind on the two slides' thumbnails. It hands the choice back;
// the caller stores it (ApplyTransitionChoice).
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TransitionKinds.h"

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class TransitionDialog;
}

namespace ui {

class TransitionSample;

class TransitionDialog final : public QDialog {
    Q_OBJECT

public:
    // kind (a code 0..26) and seconds are the current slide's transition.
    // seconds: the slide's transition length (shown in tenths of a second).
    TransitionDialog(int kind, double seconds, QWidget* parent = nullptr);
    ~TransitionDialog() override;

    // After "Сохранить": the chosen kind, the seconds as entered and the "apply to all" box.
    imaging::TransitionChoice Choice() const { return choice_; }
    // Several slides picked on the storyboard: the box that gives the choice to all of them
    // (count of them; fewer than two hides it), and whether it was checked when saved.
    void OfferSelection(int count);
    bool ForSelection() const { return forSelection_; }

    // The thumbnails the sample plays on: the slide's and the next one's, each on its background.
    void SetSamplePictures(const imaging::Bitmap& outgoing, std::int32_t outgoingBack,
                           const imaging::Bitmap& incoming, std::int32_t incomingBack);
    TransitionSample* Sample() const { return sample_; }

    std::unique_ptr<Ui::TransitionDialog> Form;

    void selectKind(int row);
    void acceptChoice();

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();
    void FillList();

    imaging::TransitionChoice choice_;
    bool forSelection_ = false;
    TransitionSample* sample_ = nullptr;
};

} // namespace ui
