#include "project/ui/CollageEditor.h"

#include "base/Language.h"
#include "project/CollageDrawing.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>
#include <utility>

using base::TextKey;
using base::Tr;

namespace ui {

namespace {

// The preview is drawn this wide (the frame's shape) and scaled to its box.
constexpr int kPreviewWidth = 480;

} // namespace

CollageEditor::CollageEditor(const project::CollageSettings& collage, std::int32_t backColor,
                             QSize frame, QWidget* parent)
    : QWidget(parent), collage_(collage), backColor_(backColor),
      frame_(frame.isValid() && frame.width() > 0 ? frame : QSize(1280, 720)) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    layout_ = new QComboBox(this);
    layout_->setObjectName("collageLayoutBox");
    for (int i = 0; i < 4; ++i)
        layout_->addItem(QString());
    photos_ = new QListWidget(this);
    photos_->setObjectName("collagePhotoList");
    earlier_ = new QPushButton(this);
    earlier_->setObjectName("collageEarlierButton");
    later_ = new QPushButton(this);
    later_->setObjectName("collageLaterButton");
    auto* layoutLabel = new QLabel(this);
    layoutLabel->setObjectName("collageLayoutLabel");
    auto* photosLabel = new QLabel(this);
    photosLabel->setObjectName("collagePhotosLabel");
    grid->addWidget(layoutLabel, 0, 0);
    grid->addWidget(layout_, 0, 1);
    grid->addWidget(photosLabel, 1, 0, 1, 2);
    grid->addWidget(photos_, 2, 0, 3, 1);
    grid->addWidget(earlier_, 2, 1);
    grid->addWidget(later_, 3, 1);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(0, 1);

    preview_ = new QLabel(this);
    preview_->setObjectName("collagePreview");
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    preview_->installEventFilter(this);
    preview_->hide();

    ApplyTexts();
    layout_->setCurrentIndex(static_cast<int>(collage_.Layout));
    FillList(0);
    connect(layout_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || index > static_cast<int>(project::CollageLayout::Feature))
            return;
        collage_.Layout = static_cast<project::CollageLayout>(index);
        Redraw();
    });
    connect(photos_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    connect(earlier_, &QPushButton::clicked, this, [this] { MovePhoto(-1); });
    connect(later_, &QPushButton::clicked, this, [this] { MovePhoto(1); });
    Redraw();
}

void CollageEditor::ApplyTexts() {
    findChild<QLabel*>("collageLayoutLabel")
        ->setText(Tr(TextKey::CollageLayoutLabel, "Расположение:"));
    findChild<QLabel*>("collagePhotosLabel")
        ->setText(Tr(TextKey::CollagePhotosLabel, "Фото по порядку:"));
    const std::pair<TextKey, const char*> names[] = {
        {TextKey::CollageSide, "Рядом"},
        {TextKey::CollageStack, "Одно над другим"},
        {TextKey::CollageGrid, "Сеткой"},
        {TextKey::CollageFeature, "Одно большое рядом с остальными"},
    };
    for (int i = 0; i < 4; ++i)
        layout_->setItemText(i, Tr(names[i].first, names[i].second));
    earlier_->setText(Tr(TextKey::CollageEarlier, "Раньше"));
    later_->setText(Tr(TextKey::CollageLater, "Позже"));
}

void CollageEditor::FillList(int selected) {
    photos_->clear();
    for (std::size_t k = 0; k < collage_.Photos.size(); ++k)
        photos_->addItem(QStringLiteral("%1. %2").arg(k + 1).arg(
            QString::fromStdString(collage_.Photos[k].Name)));
    photos_->setCurrentRow(std::clamp(selected, 0, photos_->count() - 1));
    UpdateButtons();
}

void CollageEditor::UpdateButtons() {
    const int row = photos_->currentRow();
    earlier_->setEnabled(row > 0);
    later_->setEnabled(row >= 0 && row + 1 < photos_->count());
}

void CollageEditor::MovePhoto(int step) {
    const int row = photos_->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= static_cast<int>(collage_.Photos.size()))
        return;
    std::swap(collage_.Photos[static_cast<std::size_t>(row)],
              collage_.Photos[static_cast<std::size_t>(to)]);
    FillList(to);
    Redraw();
}

void CollageEditor::Redraw() {
    const int height = std::max(1, kPreviewWidth * frame_.height() / frame_.width());
    auto picture = project::DrawCollagePicture(collage_, kPreviewWidth, height, backColor_);
    drawn_ = picture ? picture->CopyToImage() : QImage();
    ShowPicture();
}

void CollageEditor::ShowPicture() {
    if (drawn_.isNull() || preview_->width() <= 0 || preview_->height() <= 0) {
        preview_->clear();
        return;
    }
    preview_->setPixmap(QPixmap::fromImage(
        drawn_.scaled(preview_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

bool CollageEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == preview_ && event->type() == QEvent::Resize)
        ShowPicture();
    return QWidget::eventFilter(watched, event);
}

} // namespace ui
