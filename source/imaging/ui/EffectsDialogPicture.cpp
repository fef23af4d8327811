// The effects dialog's working picture: reading it, its preview with the crop frame, dragging
// the crop on the preview, and the turns.
#include "imaging/ui/EffectsDialog.h"

#include "base/CodePage.h"
#include "base/Language.h"
#include "base/ui/LanguageTexts.h"
#include "imaging/Compose.h"
#include "imaging/ui/MotionEditor.h"
#include "ui_EffectsDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QColorDialog>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QUrl>
#include <QVBoxLayout>
#include <array>

namespace ui {

bool EffectsDialog::LoadWorkImage() {
    if (picture_.Picture().IsEmpty())
        return false;
    workImage_ = picture_.Picture();
    // A new picture (an edit was saved): the faces known on the old one may have moved.
    knownFaces_.reset();
    RebuildPreview();
    if (motionEditor_) {
        const QSize frame = FrameSize();
        const imaging::Motion edited = motionEditor_->EditedMotion();
        motionEditor_->SetSlide(workImage_, backColor_, frame.width(), frame.height(), slideIndex_);
        motionEditor_->SetMotion(edited);
    }
    return true;
}

void EffectsDialog::SetSlideIndex(int index, std::optional<std::vector<imaging::FaceBox>> faces) {
    slideIndex_ = std::max(index, 0);
    knownFaces_ = std::move(faces);
    const QSize frame = FrameSize();
    motionEditor_->SetSlide(workImage_, backColor_, frame.width(), frame.height(), slideIndex_,
                            knownFaces_);
    motionEditor_->SetMotion(motionEditor_->EditedMotion());
}

void EffectsDialog::RebuildPreview() {
    const imaging::ImageSize size = imaging::FitSize(workImage_.Width, workImage_.Height,
                                                     PreviewBox().width(), PreviewBox().height());
    previewSource_ = imaging::Bitmap::CreateUninitialised(size.Width, size.Height);
    if (!previewSource_.IsEmpty())
        workImage_.ScaleBilinear(previewSource_);
    previewImage_ = previewSource_;
    RepaintBox();
}

QSize EffectsDialog::PreviewBox() const {
    return Form->previewImage->size().expandedTo(QSize(kPreviewWidth, kPreviewHeight));
}

void EffectsDialog::LayOutResizable() {
    // Every tab shows whole at the smallest size; the pages keep their size, the preview takes
    // what the dialog grows by.
    Form->pages->setMinimumSize(Form->pages->size());
    Form->pages->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
    Form->previewImage->setMinimumSize(kPreviewWidth, kPreviewHeight);
    Form->previewImage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    auto* frame = new QVBoxLayout(Form->previewFrame);
    frame->setContentsMargins(2, 2, 2, 2);
    frame->addWidget(Form->previewImage);
    Form->previewFrame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(0);
    grid->addWidget(Tabs, 0, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(Form->pages, 1, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(Form->previewFrame, 1, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    setSizeGripEnabled(true);
    setMinimumSize(grid->minimumSize());
    resize(minimumSize().expandedTo(QSize(594, 326)));
}

QImage EffectsDialog::PreviewPicture() const {
    const QSize area = PreviewBox();
    imaging::Bitmap box = imaging::Bitmap::CreateSized(area.width(), area.height());
    imaging::FillColor(box, backColor_);
    box.Draw(previewImage_, (area.width() - previewImage_.Width) / 2,
             (area.height() - previewImage_.Height) / 2);
    return box.CopyToImage();
}

void EffectsDialog::RepaintBox() {
    Form->previewImage->setPixmap(QPixmap::fromImage(PreviewPicture()));
}

void EffectsDialog::DrawCropFrame() {
    previewImage_ = previewSource_;
    if (!workImage_.IsEmpty() && !previewImage_.IsEmpty()) {
        const auto scale = [](std::int32_t v, int preview, int image) {
            return static_cast<int>(static_cast<std::int64_t>(preview) * v / image);
        };
        const int pw = previewImage_.Width;
        const int ph = previewImage_.Height;
        QImage view = previewImage_.View();
        QPainter p(&view);
        p.setPen(QPen(QColor(255, 0, 0), 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(scale(crop_.X0, pw, workImage_.Width),
                                scale(crop_.Y0, ph, workImage_.Height)),
                         QPoint(scale(crop_.X1, pw, workImage_.Width),
                                scale(crop_.Y1, ph, workImage_.Height)))
                       .normalized());
    }
    RepaintBox();
}

void EffectsDialog::ShowCropInEdits() {
    const EffectsCrop crop = crop_;
    updating_ = true;
    Form->cropStartXEdit->setText(QString::number(crop_.X0));
    Form->cropStartYEdit->setText(QString::number(crop_.Y0));
    Form->cropEndXEdit->setText(QString::number(crop_.X1));
    Form->cropEndYEdit->setText(QString::number(crop_.Y1));
    updating_ = false;
    crop_ = crop;
}

void EffectsDialog::ResetCropToImage() {
    crop_ = {0, 0, workImage_.Width, workImage_.Height};
    ShowCropInEdits();
}

void EffectsDialog::dragCrop(QPoint from, QPoint to) {
    if (previewImage_.IsEmpty() || workImage_.IsEmpty())
        return;
    const QPoint offset((PreviewBox().width() - previewImage_.Width) / 2,
                        (PreviewBox().height() - previewImage_.Height) / 2);
    const QPoint a = from - offset;
    const QPoint b = to - offset;
    const auto toImage = [](int v, int image, int preview) {
        return static_cast<std::int32_t>(static_cast<std::int64_t>(v) * image / preview);
    };
    const int pw = previewImage_.Width;
    const int ph = previewImage_.Height;
    crop_ = {toImage(a.x(), workImage_.Width, pw), toImage(a.y(), workImage_.Height, ph),
             toImage(b.x(), workImage_.Width, pw), toImage(b.y(), workImage_.Height, ph)};
    ShowCropInEdits();
    DrawCropFrame();
}

bool EffectsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Form->previewImage)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::Resize && !workImage_.IsEmpty()) {
        // The preview grew or shrank with the dialog: the picture is fitted to it again.
        RebuildPreview();
        if (openPage_ == 0)
            DrawCropFrame();
        else if (openPage_ == 3)
            PreviewLight();
        else if (openPage_ == 4)
            PreviewColor();
        return false;
    }
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseButtonDblClick && openPage_ == 1) {
        if (const std::string file = picture_.ViewFile(); !file.empty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(file.c_str())));
        return true;
    }
    if (openPage_ != 0 || !mouse || mouse->button() == Qt::RightButton)
        return QDialog::eventFilter(watched, event);
    // Both ends of a drag are taken in the preview box's own coordinates.
    const QPoint at = mouse->position().toPoint();
    if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        dragStart_ = at;
        dragging_ = true;
        return true;
    }
    // The frame and the four corner fields follow the mouse while it drags.
    if (event->type() == QEvent::MouseMove && dragging_) {
        dragCrop(dragStart_, at);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && dragging_) {
        dragging_ = false;
        dragCrop(dragStart_, at);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void EffectsDialog::Turn(EffectsTurn kind) {
    if (const auto taken = picture_.TakeBackup(EffectsBackup::Turn); !taken) {
        ShowError(QString::fromLocal8Bit(taken.error().c_str()));
        return;
    }
    // The record counts only confirmed turns; the dialog counts those made since.
    if (Apply([this, kind] { return picture_.Turn(kind, backColor_, &thumb_); }))
        ++turnCounter_;
    ResetCropToImage();
}

void EffectsDialog::UndoTurns() {
    if (const auto restored = picture_.RestoreBackup(EffectsBackup::Turn); !restored)
        ShowError(QString::fromLocal8Bit(restored.error().c_str()));
    thumb_ = thumbBackup_;
    LoadWorkImage();
    adjust_.TurnCount = opening_.TurnCount;
    turnCounter_ = opening_.TurnCount;
    ResetCropToImage();
}

} // namespace ui
