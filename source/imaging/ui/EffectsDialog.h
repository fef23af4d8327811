// The effects dialog: crop, caption text, turns, light, colour, duration and motion of one
// slide, with a preview. It works on a copy of the slide's record and thumbnail and writes the
// slide's working file through the core's slide edits; the caller takes back the record and
// thumbnail, and the edited motion as a value to store through the document.
#pragma once

#include "imaging/Bitmap.h"
#include "project/EditBackups.h"
#include "project/ShowModel.h"
#include "project/SlideEdits.h"

#include <QColor>
#include <QDialog>
#include <QFont>

#include <functional>
#include <memory>

class QTabBar;

namespace Ui {
class EffectsDialog;
}

namespace ui {

class MotionEditor;

class EffectsDialog final : public QDialog {
    Q_OBJECT

public:
    // The preview's smallest size; it grows with the dialog.
    static constexpr int kPreviewWidth = 254;
    static constexpr int kPreviewHeight = 166;
    static constexpr int kMotionPage = 6;
    // The preview box's current size.
    QSize PreviewBox() const;

    // slide: the record as the show holds it; resolution: the show's output size "WxH" (a crop
    // is fitted to it again); thumbnail: the slide's thumbnail picture; page: 0..6.
    EffectsDialog(const project::Slide& slide, const std::string& resolution,
                  const imaging::Bitmap& thumbnail, int page, QWidget* parent = nullptr);
    ~EffectsDialog() override;

    // After closing (any way): the record and thumbnail to keep, and whether the duration was
    // saved for every slide.
    const project::Slide& SlideRecord() const { return show_.Slides[0]; }
    const imaging::Bitmap& Thumbnail() const { return thumb_; }
    bool SecondsForAll() const { return secondsForAll_; }
    // The motion to keep: the slide's own unless the motion page's edit was saved or accepted.
    const imaging::Motion& EditedMotion() const { return motion_; }
    // The slide's place in the show (automatic motion depends on it).
    void SetSlideIndex(int index);
    // A copy of the working picture as it is now that the caller keeps for its own undo (the
    // history's): the dialog restores from it instead of copying the picture again. Before exec.
    void UseKeptOriginal(const std::string& path) { backups_.UseOriginal(path); }
    MotionEditor* Motion() const { return motionEditor_; }

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
    project::CropEdit Crop() const { return crop_; }
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
        project::CaptionEdit Caption;
    };
    project::Slide& S() { return show_.Slides[0]; }
    std::string WorkFile() const { return show_.Slides[0].WorkFile; }

    void ApplyTexts();
    void TakeOpeningValues();
    bool LoadWorkImage();
    void RebuildPreview();
    void LayOutResizable();
    void RepaintBox();
    void DrawCropFrame();
    void ShowCropInEdits();
    void ResetCropToImage();
    bool Apply(const project::SlideEdit& edit, imaging::Bitmap* thumbnail);
    void AcceptedWrite();
    void ChangePage(int page);
    bool PageHasChange(int page) const;
    void ApplyCrop();
    void ApplyText();
    void UndoText();
    void ChooseFont();
    void Turn(project::TurnKind kind);
    void UndoTurns();
    void PreviewLight();
    void ApplyLight();
    void PreviewColor();
    void ApplyColor();
    void ChooseBackColor();
    void ResetLightControls();
    void SaveAndClose();

    void SetUpMotionPage();
    // The frame size of the show's resolution "WxH" (1280 x 720 when it cannot be read).
    QSize FrameSize() const;

    project::ShowModel show_;
    // What the caption and turn pages go back to when their changes are not kept.
    project::EditBackups backups_;
    MotionEditor* motionEditor_ = nullptr;
    imaging::Motion motion_;
    int slideIndex_ = 0;
    imaging::Bitmap thumb_;
    imaging::Bitmap thumbBackup_;
    imaging::Bitmap workImage_;
    imaging::Bitmap previewSource_;
    imaging::Bitmap previewImage_;
    project::CropEdit crop_;
    Opening opening_{};
    int openPage_ = 0;
    int turnCounter_ = 0;
    bool keepOnClose_ = false;
    bool fontChosen_ = false; // the caption's size is the user's own
    bool secondsForAll_ = false;
    bool closed_ = false;
    bool updating_ = false;
    QPoint dragStart_;
    bool dragging_ = false;
};

} // namespace ui
