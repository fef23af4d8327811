// The effects dialog's page of a collage: its layout (side by side, one above the other, a grid,
// one large beside the others) and the order of its photos (a photo moved earlier or later), with
// a preview of the collage as the show draws it. It edits a copy of the collage's settings; the
// caller stores them through the document (project::EditCollage) when the dialog is accepted.
#pragma once

#include "project/SlideBodies.h"

#include <QImage>
#include <QSize>
#include <QWidget>

#include <cstdint>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace ui {

class CollageEditor final : public QWidget {
    Q_OBJECT

public:
    // backColor: the slide's background in the gaps; frame: the show's photo size, whose shape
    // the preview takes.
    CollageEditor(const project::CollageSettings& collage, std::int32_t backColor, QSize frame,
                  QWidget* parent = nullptr);

    // The settings as edited so far.
    const project::CollageSettings& Collage() const { return collage_; }
    // The preview, for the dialog to place where its preview goes.
    QLabel* Preview() const { return preview_; }
    // The collage as the preview drew it last (empty when it could not be drawn).
    const QImage& PreviewPicture() const { return drawn_; }

    QComboBox* LayoutBox() const { return layout_; }
    QListWidget* PhotoList() const { return photos_; }
    QPushButton* EarlierButton() const { return earlier_; }
    QPushButton* LaterButton() const { return later_; }

    // The selected photo moved one place earlier (-1) or later (+1).
    void MovePhoto(int step);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyTexts();
    void FillList(int selected);
    void UpdateButtons();
    void Redraw();
    void ShowPicture();

    project::CollageSettings collage_;
    std::int32_t backColor_ = 0;
    QSize frame_;
    QComboBox* layout_ = nullptr;
    QListWidget* photos_ = nullptr;
    QPushButton* earlier_ = nullptr;
    QPushButton* later_ = nullptr;
    QLabel* preview_ = nullptr;
    QImage drawn_;
};

} // namespace ui
