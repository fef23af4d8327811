// The title editor: a title slide's text, subtitle, backdrop, colours, text motion and time, with
// a preview that plays the card as the video will, drawn by the same text and backdrop drawing the
// renderer uses. It hands the values back; the caller stores them through the document.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TextLayer.h"
#include "imaging/TitleCard.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ui {

class TitleDialog final : public QDialog {
    Q_OBJECT

public:
    // next: the picture a blurred backdrop is made of (null: none, the colour stands in);
    // frame: the video's frame size, whose shape the preview keeps.
    TitleDialog(const imaging::TitleSettings& title, double seconds, const imaging::Bitmap* next,
                QSize frame, QWidget* parent = nullptr);

    const imaging::TitleSettings& Title() const { return title_; }
    // The seconds chosen: those given, exactly, while the box still shows them.
    double Seconds() const;

    // The preview at progress u (0..1) of the card's time, as the video shows it then.
    QImage PreviewAt(double u);

    // The colour dialog; replaceable by tests (an invalid colour: cancelled).
    std::function<QColor(const QColor& initial)> PickColor;

    QPlainTextEdit* TitleEdit = nullptr;
    QLineEdit* SubtitleEdit = nullptr;
    QComboBox* BackdropBox = nullptr;
    QComboBox* MotionBox = nullptr;
    QDoubleSpinBox* SecondsBox = nullptr;
    QPushButton* Color1Button = nullptr;
    QPushButton* Color2Button = nullptr;
    QPushButton* TextColorButton = nullptr;
    QPushButton* OkButton = nullptr;
    QLabel* Preview = nullptr;

protected:
    void done(int result) override;

private:
    void ApplyTexts();
    void TakeValues();
    void Pick(std::int32_t& color);
    void ShowFrame();

    imaging::TitleSettings title_;
    const imaging::Bitmap* next_;
    // What the preview's ticks share, made again when the values change: the backdrop at the
    // preview's size, the text block, its letters, and its layer at the last letter count.
    imaging::Bitmap backdrop_;
    imaging::TextBlock block_;
    int letters_ = 0;
    int layerLetters_ = -2;
    imaging::TextLayerImage layer_;
    QSize frame_;
    QTimer timer_;
    QElapsedTimer clock_;
    double givenSeconds_ = 0;
    double shownSeconds_ = 0; // the given seconds as the box shows them, in tenths
};

} // namespace ui
