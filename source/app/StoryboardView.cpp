#include "app/StoryboardView.h"

#include "base/CodePage.h"
#include "imaging/Compose.h"
#include "project/ControlStates.h"
#include "project/Duration.h"
#include "project/StripLayout.h"
#include "project/TransitionNames.h"
#include "project/ui/StripCells.h"
#include "project/ui/TransitionIcons.h"
#include "ui_MainWindow.h"

#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QScreen>
#include <QToolButton>

namespace ui {

namespace {

const QColor kGreen(0x00, 0xFF, 0x00);

QFont BoldFont(int points) {
    QFont f("Arial");
    f.setPointSize(points);
    f.setBold(true);
    return f;
}

// Text with its top-left corner at (x, y), as the cells place their labels.
void TextAt(QPainter& p, int x, int y, const QString& text) {
    p.drawText(QRect(x, y, 1000, 100), Qt::AlignLeft | Qt::AlignTop, text);
}

void Frame(QPixmap& pm, const QColor& color) {
    QPainter p(&pm);
    p.setPen(color);
    p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
}

QToolButton* MakeDotsButton(QWidget* parent, int x, int y) {
    auto* b = new QToolButton(parent);
    b->setText("...");
    b->setGeometry(x, y, 18, 18);
    QFont f = b->font();
    f.setPointSize(10);
    f.setBold(true);
    b->setFont(f);
    b->setAutoRaise(false);
    return b;
}

// A filled triangle pointing left or right, 12 x 28.
QIcon PagingArrow(bool right, const QColor& color) {
    QPixmap pm(12, 28);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const QPolygonF triangle = right ? QPolygonF({QPointF(2, 4), QPointF(11, 14), QPointF(2, 24)})
                                     : QPolygonF({QPointF(10, 4), QPointF(1, 14), QPointF(10, 24)});
    p.drawPolygon(triangle);
    return QIcon(pm);
}

} // namespace

StoryboardView::StoryboardView(QWidget& window, Ui::MainWindow& form, project::ShowModel& show,
                               ViewTable& views)
    : QObject(&window), window_(window), form_(form), show_(show), views_(views) {
    RulerBitmap_ = QImage(1, 24, QImage::Format_RGB32);
    for (QToolButton* arrow : {form_.SpeedButton1, form_.SpeedButton2}) {
        QSizePolicy policy = arrow->sizePolicy();
        policy.setRetainSizeWhenHidden(true); // hiding one never widens the strip
        arrow->setSizePolicy(policy);
    }
    // Arrows drawn as large as their buttons, so that they are seen and hit.
    form_.SpeedButton1->setArrowType(Qt::NoArrow);
    form_.SpeedButton2->setArrowType(Qt::NoArrow);
    form_.SpeedButton1->setIcon(PagingArrow(false, window_.palette().color(QPalette::ButtonText)));
    form_.SpeedButton2->setIcon(PagingArrow(true, window_.palette().color(QPalette::ButtonText)));
    for (QToolButton* arrow : {form_.SpeedButton1, form_.SpeedButton2})
        arrow->setIconSize(QSize(12, 28));
}

template <typename Select>
void StoryboardView::OfferMenu(QWidget* widget, Select select, bool photo) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QWidget::customContextMenuRequested, this, [this, select, photo] {
        if (!UserMayEdit())
            return;
        select();
        if (photo)
            Q_EMIT photoMenuRequested();
        else
            Q_EMIT trackMenuRequested();
    });
}

QColor StoryboardView::ButtonFace() const {
    return window_.palette().color(QPalette::Button);
}

void StoryboardView::CreatePhotoCells(std::size_t index, const QImage& thumbnail) {
    auto& s = show_.Slides[index];
    auto* photoPanel = new QWidget(form_.Panel16);
    photoPanel->setGeometry(0, 0, project::kPhotoCellWidth, 90);
    auto* transitionPanel = new QWidget(form_.Panel16);
    transitionPanel->setGeometry(0, 0, project::kTransitionCellWidth, 90);

    auto* thumb = new ThumbImage(photoPanel);
    thumb->setGeometry(0, 0, project::kPhotoCellWidth, 90);
    auto* clean = new QLabel(photoPanel);
    clean->hide();
    QPixmap framed = QPixmap::fromImage(thumbnail);
    if (framed.isNull()) {
        framed = QPixmap(90, 90);
        framed.fill(ButtonFace());
    }
    Frame(framed, Qt::black);
    clean->setPixmap(framed);
    thumb->setPixmap(framed);

    auto* spacer = new ClickImage(transitionPanel);
    spacer->setGeometry(0, 0, project::kTransitionCellWidth, 90);
    auto* dots = MakeDotsButton(photoPanel, framed.width() - 19, framed.height() - 19);

    s.Views[0] = views_.Add(photoPanel);
    s.Views[1] = views_.Add(transitionPanel);
    s.Views[2] = views_.Add(thumb);
    s.Views[3] = views_.Add(clean);
    s.Views[4] = views_.Add(spacer);
    s.Views[5] = views_.Add(dots);
    const QString n = QString::number(index);
    spacer->setObjectName("ThumbSpacerImage_" + n);
    thumb->setObjectName("ThumbImage_" + n);
    dots->setObjectName("ThumbButton_" + n);
    thumb->setProperty("Tag", static_cast<int>(index + 1));

    connect(thumb, &ThumbImage::Pressed, this, [this](ThumbImage* self) {
        if (!UserMayEdit())
            return;
        SelectSlide(ViewTable::IndexFromName(self->objectName()));
    });
    connect(thumb, &ThumbImage::Focused, this, [this](ThumbImage* self) {
        if (UserMayEdit())
            SelectSlide(ViewTable::IndexFromName(self->objectName()));
    });
    // The photo's menu also opens on a right-click.
    const auto selectPhoto = [this, thumb] {
        SelectSlide(ViewTable::IndexFromName(thumb->objectName()));
    };
    OfferMenu(thumb, selectPhoto, true);
    OfferMenu(photoPanel, selectPhoto, true);
    dots->setFocusPolicy(Qt::NoFocus); // Tab goes from thumbnail to thumbnail
    connect(spacer, &ClickImage::Clicked, this, [this](ClickImage* self) {
        if (!UserMayEdit())
            return;
        const int clicked = ViewTable::IndexFromName(self->objectName());
        SelectSlide(clicked);
        Q_EMIT transitionCellClicked(clicked);
    });
    connect(dots, &QToolButton::clicked, this, [this, dots] {
        if (!UserMayEdit())
            return;
        SelectSlide(ViewTable::IndexFromName(dots->objectName()));
        Q_EMIT photoMenuRequested();
    });
}

void StoryboardView::CreateTrackCells(std::size_t index) {
    auto& t = show_.Sounds[index];
    auto* panel = new QWidget(form_.Panel17);
    panel->setGeometry(0, 0, project::kCellWidth, 24);
    auto* image = new ClickImage(panel);
    image->setGeometry(0, 0, project::kCellWidth, 24);
    auto* dots = MakeDotsButton(panel, 3, 3);
    t.Views[0] = views_.Add(panel);
    t.Views[1] = views_.Add(image);
    t.Views[2] = views_.Add(dots);
    image->setObjectName("SoundImage_" + QString::number(index));
    dots->setObjectName("SoundButton_" + QString::number(index));
    connect(image, &ClickImage::Clicked, this, [this](ClickImage* self) {
        if (!UserMayEdit())
            return;
        SelectSound(ViewTable::IndexFromName(self->objectName()));
    });
    connect(dots, &QToolButton::clicked, this, [this, dots] {
        if (!UserMayEdit())
            return;
        SelectSound(ViewTable::IndexFromName(dots->objectName()));
        Q_EMIT trackMenuRequested();
    });
    const auto selectTrack = [this, image] {
        SelectSound(ViewTable::IndexFromName(image->objectName()));
    };
    OfferMenu(image, selectTrack, false);
    OfferMenu(panel, selectTrack, false);
    panel->show();
}

void StoryboardView::SwapSlides(int sourceTag, int targetTag) {
    if (History) {
        // The step lays the strip out and selects the dragged photo's old place.
        if (sourceTag >= 1 && targetTag >= 1)
            History->SwapSlides(static_cast<std::size_t>(sourceTag - 1),
                                static_cast<std::size_t>(targetTag - 1), sourceTag - 1);
        return;
    }
    if (!show_.SwapSlides(sourceTag, targetTag))
        return;
    LayoutPhotoStrip(show_.SlidePage);
    SelectSlide(sourceTag - 1);
}

imaging::Bitmap StoryboardView::Thumbnail(std::size_t index) const {
    if (index >= show_.Slides.size())
        return {};
    const auto* clean = views_.As<QLabel>(show_.Slides[index].Views[3]);
    return clean ? imaging::Bitmap::CreateFromImage(clean->pixmap().toImage()) : imaging::Bitmap();
}

void StoryboardView::SetThumbnail(std::size_t index, const imaging::Bitmap& thumbnail) {
    // The working picture was exchanged: the kept preview picture is stale.
    selectedPicture_ = imaging::Bitmap();
    pictureKey_ = PictureKey{};
    if (index >= show_.Slides.size() || thumbnail.IsEmpty())
        return;
    if (auto* clean = views_.As<QLabel>(show_.Slides[index].Views[3]))
        clean->setPixmap(QPixmap::fromImage(thumbnail.CopyToImage()));
}

void StoryboardView::CreatePhotoViews(std::size_t index, const imaging::Bitmap& thumbnail) {
    if (index < show_.Slides.size())
        CreatePhotoCells(index, thumbnail.IsEmpty() ? QImage() : thumbnail.CopyToImage());
}

void StoryboardView::CreateTrackViews(std::size_t index) {
    if (index < show_.Sounds.size())
        CreateTrackCells(index);
}

void StoryboardView::ShowChanged() {
    LayoutPhotoStrip(show_.SlidePage);
    SelectSlide(show_.SelectedSlide);
    SelectSound(show_.SelectedSound);
}

void StoryboardView::RedrawThumbnail(std::size_t index, const QColor& frame) {
    const auto& s = show_.Slides[index];
    auto* thumb = views_.As<QLabel>(s.Views[2]);
    auto* clean = views_.As<QLabel>(s.Views[3]);
    if (!thumb || !clean)
        return;
    QPixmap pm = clean->pixmap();
    {
        QPainter p(&pm);
        p.setFont(BoldFont(8));
        const QString label = QString::fromStdString(project::WorkFileLabel(s.WorkFile.str()));
        const QString time = QString::fromStdString(project::FormatDuration(s.ShowSeconds));
        p.setPen(Qt::black);
        TextAt(p, 7, 7, label);
        TextAt(p, 7, pm.height() - 18, time);
        p.setPen(kGreen);
        TextAt(p, 6, 6, label);
        TextAt(p, 6, pm.height() - 19, time);
    }
    Frame(pm, frame);
    thumb->setPixmap(pm);
}

void StoryboardView::LayoutPhotoStrip(int page) {
    for (const auto& s : show_.Slides)
        for (int v : {0, 1})
            if (QWidget* w = views_.Get(s.Views[v]))
                w->hide();
    VisiblePhotos_ = project::PhotoStripPlaces(show_, form_.Panel16->width(), page);
    for (const auto& place : VisiblePhotos_) {
        const auto index = static_cast<std::size_t>(place.Index);
        const auto& s = show_.Slides[index];
        QWidget* photoPanel = views_.Get(s.Views[0]);
        QWidget* transitionPanel = views_.Get(s.Views[1]);
        auto* spacer = views_.As<QLabel>(s.Views[4]);
        if (!photoPanel || !transitionPanel || !spacer)
            break;
        RedrawThumbnail(index, s.Selected ? kGreen : QColor(Qt::black));
        photoPanel->move(place.Left, 0);
        transitionPanel->move(place.Left + project::kPhotoCellWidth, 0);
        photoPanel->show();
        transitionPanel->show();

        QPixmap cell(transitionPanel->size());
        cell.fill(ButtonFace());
        {
            QPainter p(&cell);
            const QPixmap icon = TransitionIcon(s.TransitionKind, 32, ButtonFace());
            p.drawPixmap((cell.width() - icon.width()) / 2, (cell.height() - icon.height()) / 2,
                         icon);
            p.setFont(BoldFont(7));
            p.setPen(Qt::black);
            TextAt(p, 7, cell.height() - 19,
                   QString::fromStdString(project::FormatDuration(s.TransitionSeconds)));
        }
        spacer->setPixmap(cell);
        spacer->setToolTip(project::TransitionName(s.TransitionKind));
    }
    DrawRuler();
    LayoutMusicStrip();
    UpdatePagingArrows();
}

void StoryboardView::UpdatePagingArrows() {
    const auto states = project::ComputeControlStates(false, static_cast<int>(show_.Slides.size()),
                                                      show_.SlidePage, form_.Panel16->width());
    form_.SpeedButton1->setVisible(states.PreviousPage);
    form_.SpeedButton2->setVisible(states.NextPage);
}

void StoryboardView::ShowSlide(int index) {
    const int count = static_cast<int>(show_.Slides.size());
    if (index < 0 || index >= count)
        return;
    const int page = project::PageOfSlide(form_.Panel16->width(), count, index);
    if (page != show_.SlidePage) {
        show_.SlidePage = page;
        LayoutPhotoStrip(page);
    }
    SelectSlide(index);
}

void StoryboardView::ShowTrack(std::size_t index) {
    if (index >= show_.Sounds.size())
        return;
    const int page = project::PageOfTrack(show_, index, form_.Panel16->width());
    if (page != show_.SlidePage) {
        show_.SlidePage = page;
        LayoutPhotoStrip(page);
    }
}

void StoryboardView::DrawRuler() {
    const int width = qMax(1, form_.Image5->width());
    const int height = 24;
    RulerBitmap_ = QImage(width, height, QImage::Format_RGB32);
    RulerBitmap_.fill(form_.Panel3->palette().color(QPalette::Window));
    QPainter p(&RulerBitmap_);
    p.setPen(Qt::black);
    p.drawLine(project::kArrowWidth, height - 4, width - project::kArrowWidth, height - 4);
    for (int k = 1; project::kArrowWidth + 12 * (k - 1) < width - 18; ++k)
        p.drawPoint(project::kArrowWidth + 12 * k, height - 5);
    p.setFont(BoldFont(7));
    for (const auto& mark : project::RulerMarks(show_, VisiblePhotos_)) {
        p.drawLine(mark.X, height - 4, mark.X, 16);
        TextAt(p, mark.X - 10, 3, QString::fromStdString(project::FormatDuration(mark.Seconds)));
    }
    p.end();
    form_.Image5->setPixmap(QPixmap::fromImage(RulerBitmap_));
}

QString StoryboardView::TrackHint(const project::Track& t) const {
    return QString::fromStdString(project::FormatDuration(t.PlaySeconds)) + " " +
           base::FromCp1251(t.Title.str());
}

void StoryboardView::RedrawTrackCell(std::size_t index) {
    const auto& t = show_.Sounds[index];
    QWidget* panel = views_.Get(t.Views[0]);
    auto* image = views_.As<QLabel>(t.Views[1]);
    auto* dots = views_.Get(t.Views[2]);
    if (!panel || !image)
        return;
    image->setGeometry(0, 0, panel->width(), panel->height());
    QPixmap pm(qMax(1, panel->width()), qMax(1, panel->height()));
    pm.fill(ButtonFace());
    const QString text = TrackHint(t);
    {
        QPainter p(&pm);
        p.setPen(Qt::black);
        p.setFont(BoldFont(8));
        TextAt(p, 24, 5, text);
    }
    Frame(pm, t.Selected ? kGreen : QColor(Qt::black));
    image->setPixmap(pm);
    panel->setToolTip(text);
    image->setToolTip(text);
    if (dots)
        dots->setToolTip(text);
}

void StoryboardView::LayoutMusicStrip() {
    const int screenWidth = window_.screen() ? window_.screen()->geometry().width() : 1280;
    const auto places = project::MusicStripPlaces(show_, VisiblePhotos_, screenWidth);
    for (std::size_t u = 0; u < show_.Sounds.size(); ++u) {
        QWidget* panel = views_.Get(show_.Sounds[u].Views[0]);
        if (!panel)
            continue;
        if (!places[u].Visible) {
            panel->hide();
            continue;
        }
        panel->setGeometry(places[u].Left, 0, qMax(1, places[u].Width), 24);
        RedrawTrackCell(u);
        panel->show();
    }
}

void StoryboardView::SelectSlide(int index) {
    if (index >= 0 && index < static_cast<int>(show_.Slides.size())) {
        for (std::size_t i = 0; i < show_.Slides.size(); ++i) {
            show_.Slides[i].Selected = 0;
            if (auto* thumb = views_.As<QLabel>(show_.Slides[i].Views[2])) {
                QPixmap pm = thumb->pixmap();
                Frame(pm, Qt::black);
                thumb->setPixmap(pm);
            }
        }
        show_.SelectedSlide = index;
        auto& s = show_.Slides[static_cast<std::size_t>(index)];
        s.Selected = 1;
        if (auto* thumb = views_.As<QLabel>(s.Views[2])) {
            QPixmap pm = thumb->pixmap();
            Frame(pm, kGreen);
            thumb->setPixmap(pm);
        }
    }
    ShowSelectedInPreview();
}

void StoryboardView::SelectSound(int index) {
    if (index < 0 || index >= static_cast<int>(show_.Sounds.size()))
        return;
    for (auto& t : show_.Sounds)
        t.Selected = 0;
    show_.SelectedSound = index;
    show_.Sounds[static_cast<std::size_t>(index)].Selected = 1;
    for (std::size_t u = 0; u < show_.Sounds.size(); ++u)
        if (QWidget* panel = views_.Get(show_.Sounds[u].Views[0]); panel && panel->isVisible())
            RedrawTrackCell(u);
}

void StoryboardView::ShowSelectedInPreview() {
    // The selected slide composed at Image1's own size; the empty show is a plain button-face
    // area. The selected photo's picture is kept while its working file stays the same, so a
    // resize or selecting it again composes without reading the file. An unreadable working
    // file leaves Image1 as it was.
    const int width = form_.Image1->width();
    const int height = form_.Image1->height();
    const auto index = static_cast<std::size_t>(show_.SelectedSlide);
    QImage image;
    if (show_.Slides.empty()) {
        image = imaging::ShowSlideInPreview(nullptr, width, height);
    } else {
        if (show_.SelectedSlide < 0 || index >= show_.Slides.size())
            return;
        const auto& slide = show_.Slides[index];
        const std::string path = slide.WorkFile.str();
        const QFileInfo info(QFile::decodeName(path.c_str()));
        const PictureKey key{path, info.size(), info.lastModified().toMSecsSinceEpoch()};
        if (!(key == pictureKey_) || selectedPicture_.IsEmpty()) {
            imaging::Bitmap loaded;
            if (!imaging::LoadSlidePicture(path, loaded))
                return;
            selectedPicture_ = std::move(loaded);
            pictureKey_ = key;
            ++pictureLoads_;
        }
        imaging::Bitmap target;
        target.SetSize(width, height);
        imaging::ComposePhoto(target, selectedPicture_, slide.BackColor);
        image = target.CopyToImage();
    }
    if (!image.isNull())
        form_.Image1->setPixmap(QPixmap::fromImage(image));
}

} // namespace ui
