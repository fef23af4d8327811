// The effects dialog: crop, caption text, turns, light, colour, duration and motion of one
// slide, with a preview; for a video clip its caption and its clip page. It takes the slide's
// fields and thumbnail as values and makes its edits through the caller's EffectsPicture, which
// keeps them as values; the caller takes them back, with the values and the edited motion, to
// store through the document.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/Caption.h"
#include "imaging/FaceBox.h"
#include "imaging/Motion.h"
#include "imaging/PictureSettings.h"
#include "imaging/ui/EffectsPicture.h"

#include <QColor>
#include <QDialog>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QTabBar;

namespace Ui {
class EffectsDialog;
}

namespace ui {

class MotionEditor;

// A video clip's page of the effects dialog, made by the caller (this layer does not decode
// clips): its editor, and its preview, shown where the dialog's preview goes while the page is
// open. A clip is shown as it was filmed, so only its caption and its clip page are offered.
struct EffectsClipPage {
    QWidget* Editor = nullptr;
    QWidget* Preview = nullptr;
};

// A collage's page, made by the caller (this layer knows no collage): its editor of the layout
// and the photos' order, and its preview. A collage keeps its photos as they came in, so its
// caption, duration and collage pages are offered.
struct EffectsCollagePage {
    QWidget* Editor = nullptr;
    QWidget* Preview = nullptr;
};

class EffectsDialog final : public QDialog {
    Q_OBJECT

public:
    // The preview's smallest size; it grows with the dialog.
    static constexpr int kPreviewWidth = 254;
    static constexpr int kPreviewHeight = 166;
    // The size the dialog grows to (within the screen) when the motion page is shown.
    static constexpr int kMotionWidth = 900;
    static constexpr int kMotionHeight = 560;
    static constexpr int kMotionPage = 6;
    // A video clip's own page, offered only for a clip.
    static constexpr int kClipPage = 7;
    // A collage's own page, offered only for a collage.
    static constexpr int kCollagePage = 8;
    using ClipPage = EffectsClipPage;
    using CollagePage = EffectsCollagePage;
    // The preview box's current size.
    QSize PreviewBox() const;

    // The slide's values as the show holds them: its caption, picture adjustments, background,
    // still, motion and how long the slide moves (its still and outgoing transition); picture:
    // its working picture, which must outlive the dialog; resolution: the show's output size
    // "WxH" (the motion page's frame); thumbnail: the slide's thumbnail picture; page: 0..7
    // (a page not offered opens the clip page for a clip); clip: a clip slide's page.
    EffectsDialog(const imaging::CaptionSettings& caption,
                  const imaging::PictureSettings& adjustments, std::int32_t backColor,
                  std::int64_t stillMs, const imaging::Motion& motion, double motionSeconds,
                  EffectsPicture& picture, const std::string& resolution,
                  const imaging::Bitmap& thumbnail, int page, QWidget* parent = nullptr,
                  ClipPage clip = {}, CollagePage collage = {});
    ~EffectsDialog() override;

    // After closing (any way): the values and thumbnail to keep, and whether the duration was
    // saved for every slide.
    const imaging::CaptionSettings& Caption() const { return caption_; }
    const imaging::PictureSettings& Adjustments() const { return adjust_; }
    std::int32_t BackColor() const { return backColor_; }
    std::int64_t StillMs() const { return stillMs_; }
    const imaging::Bitmap& Thumbnail() const { return thumb_; }
    bool SecondsForAll() const { return secondsForAll_; }
    // Several slides picked on the storyboard: the duration, motion, light and colour pages offer
    // to give their values to all of them (count of them; fewer than two offers nothing).
    void OfferSelection(int count);
    // After closing: what was given to the picked slides too (the motion also to every slide),
    // besides this one. PictureForSelection: the light, colour effect and background kept.
    bool SecondsForSelection() const { return secondsForSelection_; }
    bool MotionForAll() const { return motionForAll_; }
    bool MotionForSelection() const { return motionForSelection_; }
    bool PictureForSelection() const { return pictureForSelection_; }
    // The motion to keep: the slide's own unless the motion page's edit was saved or accepted.
    const imaging::Motion& EditedMotion() const { return motion_; }
    // The slide's place in the show and the faces the show knows on its working picture as it
    // opens (automatic motion depends on both); an edit made here looks for them again.
    void SetSlideIndex(int index,
                       std::optional<std::vector<imaging::FaceBox>> faces = std::nullopt);
    MotionEditor* Motion() const { return motionEditor_; }
    // The caption page shows the slide's caption, its position and motion, to be edited again
    // (a caption that is a value, not only pixels drawn into the picture).
    void ShowCaptionValues();
    // The clip page's editor (null for a photo), and whether a page is offered (its tab enabled).
    QWidget* ClipEditor() const { return clip_.Editor; }
    QWidget* CollageEditor() const { return collage_.Editor; }
    bool PageOffered(int page) const;

    // The page-change question (Yes = true) and the failure message; replaceable by tests.
    std::function<bool(const QString& text, const QString& caption)> Ask;
    std::function<void(const QString& message)> ShowError;
    // The system's font and colour dialogs; replaceable by tests. PickFont returns false when
    // cancelled; PickColor returns an invalid colour when cancelled.
    std::function<bool(QFont& font)> PickFont;
    std::function<QColor(const QColor& initial)> PickColor;

    std::unique_ptr<Ui::EffectsDialog> Form;
    QTabBar* Tabs = nullptr;

    // What the preview box shows, 254 x 166.
    QImage PreviewPicture() const;
    EffectsCrop Crop() const { return crop_; }
    int OpenPage() const { return openPage_; }

    // Preview drag on the crop page, in preview-box coordinates.
    void dragCrop(QPoint from, QPoint to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void done(int result) override;

private:
    struct Opening {
        std::int32_t Brightness, Contrast, ColorEffect, BackColor, TurnCount;
        double Gamma10;
        imaging::CaptionSettings Caption;
    };

    void ApplyTexts();
    void ApplySelectionTexts();
    void TakeOpeningValues();
    bool LoadWorkImage();
    void RebuildPreview();
    void LayOutResizable();
    void RepaintBox();
    void DrawCropFrame();
    void ShowCropInEdits();
    void ResetCropToImage();
    // Runs one edit of the working picture with the wait cursor; on success the picture is read
    // again, on failure the message is shown.
    bool Apply(const std::function<base::Status()>& edit);
    void AcceptedWrite();
    void ChangePage(int page);
    void GrowForMotion();
    bool PageHasChange(int page) const;
    void ApplyCrop();
    void ApplyText();
    void UndoText();
    void ChooseFont();
    void Turn(EffectsTurn kind);
    void UndoTurns();
    void PreviewLight();
    void ApplyLight();
    void PreviewColor();
    void ApplyColor();
    void ChooseBackColor();
    void ResetLightControls();
    void SaveAndClose();

    void SetUpMotionPage();
    void SetUpClipPage();
    void SetUpCollagePage();
    // A moving caption played over the preview while the caption page is open.
    void PlayCaptionMotion();
    // The frame size of the show's resolution "WxH" (1280 x 720 when it cannot be read).
    QSize FrameSize() const;

    // The slide's values as edited so far.
    imaging::CaptionSettings caption_;
    imaging::PictureSettings adjust_;
    std::int32_t backColor_ = 0;
    std::int64_t stillMs_ = 0;
    double shownSeconds_ = 0; // stillMs_ as the seconds box shows it, in tenths
    double motionSeconds_ = 0.0;
    // The working picture; its backups are what the caption and turn pages go back to when
    // their changes are not kept.
    EffectsPicture& picture_;
    std::string resolution_;
    QLabel* cropHint_ = nullptr; // the crop page's hint that the mouse marks the part too
    // The faces the show knows on the working picture, until an edit here changes the picture.
    std::optional<std::vector<imaging::FaceBox>> knownFaces_;
    MotionEditor* motionEditor_ = nullptr;
    ClipPage clip_;
    CollagePage collage_;
    imaging::Motion motion_;
    int slideIndex_ = 0;
    imaging::Bitmap thumb_;
    imaging::Bitmap thumbBackup_;
    imaging::Bitmap workImage_;
    imaging::Bitmap previewSource_;
    imaging::Bitmap previewImage_;
    EffectsCrop crop_;
    Opening opening_{};
    int openPage_ = 0;
    int turnCounter_ = 0;
    bool keepOnClose_ = false;
    bool fontChosen_ = false; // the caption's size is the user's own
    bool secondsForAll_ = false;
    bool secondsForSelection_ = false;
    bool motionForAll_ = false;
    bool motionForSelection_ = false;
    bool pictureForSelection_ = false;
    int selectionCount_ = 1;
    bool closed_ = false;
    bool updating_ = false;
    QPoint dragStart_;
    bool dragging_ = false;
    QTimer captionTimer_;
    QElapsedTimer captionClock_;
    bool captionPlaying_ = false;
};

} // namespace ui
