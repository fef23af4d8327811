// The "Запись MP4" dialog: a preset named for what it is for, or the frame size (the real size
// of the chosen shape), shape, frame rate, codec and quality of an MP4 video chosen one by one;
// a note when the video will be larger than the show's photos, with a button that has the
// photos drawn again from their originals at the size the video needs. It grows to hold whatever it
// shows. It takes the preselected choices and hands back those chosen; the caller exports.
#pragma once

#include "media/video/CodecChoice.h"
#include "media/video/Mp4Format.h"

#include <QDialog>
#include <QSize>

#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace Ui {
class Mp4ExportDialog;
}

namespace ui {

class Mp4ExportDialog final : public QDialog {
    Q_OBJECT

public:
    // resolution: media::kResolution720p ... 2160p, High or Standard; quality: media::kQualityGood
    // or Best. Values the dialog does not list select 720p and good.
    explicit Mp4ExportDialog(int resolution = media::kResolution720p,
                             int quality = media::kQualityGood, QWidget* parent = nullptr);
    ~Mp4ExportDialog() override;

    int Resolution() const;
    int Quality() const;
    media::VideoShape Shape() const;
    int Fps() const;
    media::Mp4Coding Coding() const;
    // The preset whose choices are all selected (nullptr when the choices are the user's own).
    const media::Mp4Preset* Preset() const;
    // Selects these choices (the show's last ones); values the dialog does not list keep theirs.
    void SelectChoices(int resolution, media::VideoShape shape, int fps, media::Mp4Coding codec,
                       int quality);
    // Selects a preset's choices (index into media::Mp4Presets()).
    void ApplyPreset(std::size_t index);
    // The show's photo size: the note appears while the chosen video is larger.
    void SetPhotoSize(int width, int height);
    // The note's text ("" while hidden).
    QString SofterNote() const;
    // The photo size the chosen video needs (at least as large as it in both directions).
    QSize NeededPhotoSize() const;
    // The note's button closes the dialog with this result: the caller draws the photos again at
    // NeededPhotoSize() (a job, one step of undo) and opens the dialog again. Offered only when
    // the caller can (OfferRefit).
    static constexpr int kRefitPhotos = 2;
    void OfferRefit(bool offered);
    void ApplyLanguage();

    // The narrowest the dialog gets, so that the note reads as a paragraph.
    static constexpr int kMinimumWidth = 380;

    std::unique_ptr<Ui::Mp4ExportDialog> Form;
    QComboBox* PresetBox = nullptr;
    QComboBox* ShapeBox = nullptr;
    QComboBox* FpsBox = nullptr;
    QComboBox* CodecBox = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ChoicesChanged();
    // The frame size list names each size in the chosen shape.
    void NameFrameSizes();
    // Grows the dialog to hold its rows at their full height.
    void FitContents();

    QGroupBox* presetGroup_ = nullptr;
    QGroupBox* formatGroup_ = nullptr;
    QLabel* shapeLabel_ = nullptr;
    QLabel* fpsLabel_ = nullptr;
    QLabel* codecLabel_ = nullptr;
    QWidget* noteBox_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* usePhotoSize_ = nullptr;
    int photoWidth_ = 0;
    int photoHeight_ = 0;
    bool applying_ = false;
    bool refitOffered_ = false;
    bool noteShown_ = false; // the note was on show when the dialog was last fitted
};

} // namespace ui
