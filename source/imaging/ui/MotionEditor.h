// The motion editor: a slide's pan and zoom set on a preview of its picture. The choice above
// the box is no motion, automatic motion, or a motion of the user's with linear or eased
// progress; dragging a frame in the box makes the motion the user's. The play button runs the
// motion in the box. The editor hands back the edited imaging::Motion; the caller stores it.
//
// Its texts come from the caller's lookup (the language files), keys 850..856 and 650..651, with
// built-in Russian texts when there is no lookup.
#pragma once

#include "base/TextKey.h"
#include "imaging/Bitmap.h"
#include "imaging/FaceBox.h"
#include "imaging/Motion.h"

#include <QElapsedTimer>
#include <QMetaType>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace ui {

class MotionPreviewBox;

class MotionEditor final : public QWidget {
    Q_OBJECT

public:
    // The text of a language key, or the built-in text (UTF-8) when the language has none.
    using TextLookup = std::function<QString(int key, const char* builtinUtf8)>;

    // The entries of the choice, in order.
    enum Choice { kNone = 0, kAutomatic = 1, kLinear = 2, kEase = 3 };

    // The title of the page holding the editor: "Движение" / "Motion".
    static constexpr base::TextKey kTitleKey = base::TextKey::MotionTitle;

    explicit MotionEditor(QWidget* parent = nullptr);
    ~MotionEditor() override;

    void SetTextLookup(TextLookup lookup);
    // The slide: its working picture, background colour, the show's frame size, the slide's
    // place in the show and the faces the show knows on that picture (automatic motion depends
    // on both; the export frames on the same boxes). Faces not known are looked for here.
    void SetSlide(const imaging::Bitmap& picture, std::int32_t backColor, std::int32_t frameWidth,
                  std::int32_t frameHeight, int slideIndex,
                  std::optional<std::vector<imaging::FaceBox>> faces = std::nullopt);
    void SetMotion(const imaging::Motion& motion);
    const imaging::Motion& EditedMotion() const { return motion_; }
    // How long play runs the motion (the slide's time on screen), 0.5..60 s.
    void SetPlaySeconds(double seconds);

    MotionPreviewBox* Preview() const { return box_; }
    // Puts the preview into layout (the dialog's large preview) in place of the editor's own.
    void PlacePreview(QBoxLayout& layout);
    // Whether a dragged frame may show the background beside the picture. Set when a slide or
    // a motion is shown from whether its frames already do.
    QCheckBox* BackgroundBox() const { return background_; }
    QComboBox* ChoiceBox() const { return choice_; }
    QPushButton* PlayButton() const { return play_; }

    void play();
    void stop();
    bool IsPlaying() const;
    // The play at progress u without the timer (what the timer shows at that moment).
    void showPlayProgress(double u);

Q_SIGNALS:
    void motionChanged(const imaging::Motion& motion);

private:
    void ApplyTexts();
    void ChoiceChosen(int index);
    void FrameEdited(int which, const imaging::MotionState& state);
    void Tick();
    // The states the box draws and plays: the motion's own, or automatic motion's.
    imaging::Motion Shown() const;
    void ShowMotion();
    // The background choice from the frames shown.
    void MatchBackgroundChoice();
    QString Text(base::TextKey key, const char* builtin) const;

    TextLookup lookup_;
    imaging::Motion motion_;
    imaging::Bitmap picture_;
    std::int32_t backColor_ = 0;
    std::int32_t frameW_ = 1280, frameH_ = 720;
    int slideIndex_ = 0;
    // The picture's faces, which automatic motion frames on: the show's, or looked for when it is
    // first shown (the same search on the same picture as the import's, so the same boxes).
    mutable std::optional<std::vector<imaging::FaceBox>> faces_;
    double playSeconds_ = 5.0;
    MotionPreviewBox* box_ = nullptr;
    QComboBox* choice_ = nullptr;
    QPushButton* play_ = nullptr;
    QLabel* legend_ = nullptr;
    QCheckBox* background_ = nullptr;
    QLabel* hint_ = nullptr;
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;
    bool updating_ = false;
};

} // namespace ui

Q_DECLARE_METATYPE(imaging::Motion)
