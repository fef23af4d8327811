// Main window: the storyboard. Photo cells (thumbnail, transition cell, "..." button) and track
// cells are created per record and found again through the records' Views handles; the layout
// arithmetic lives in the core (StripLayout).
#include "app/MainWindow.h"
#include "app/TransitionChooser.h"
#include "base/CodePage.h"
#include "imaging/Compose.h"
#include "project/Duration.h"
#include "project/StripLayout.h"
#include "project/TransitionNames.h"
#include "project/ui/StripCells.h"
#include "project/ui/TransitionIcons.h"
#include "ui_MainWindow.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
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

} // namespace

QColor MainWindow::ButtonFace() const {
    return palette().color(QPalette::Button);
}

void MainWindow::CreatePhotoCells(std::size_t index, const QImage& thumbnail) {
    auto& s = Show.Slides[index];
    auto* photoPanel = new QWidget(Form->Panel16);
    photoPanel->setGeometry(0, 0, project::kPhotoCellWidth, 90);
    auto* transitionPanel = new QWidget(Form->Panel16);
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

    s.Views[0] = Views.Add(photoPanel);
    s.Views[1] = Views.Add(transitionPanel);
    s.Views[2] = Views.Add(thumb);
    s.Views[3] = Views.Add(clean);
    s.Views[4] = Views.Add(spacer);
    s.Views[5] = Views.Add(dots);
    const QString n = QString::number(index);
    spacer->setObjectName("ThumbSpacerImage_" + n);
    thumb->setObjectName("ThumbImage_" + n);
    dots->setObjectName("ThumbButton_" + n);
    thumb->setProperty("Tag", static_cast<int>(index + 1));

    connect(thumb, &ThumbImage::Pressed, this, [this](ThumbImage* self) {
        SelectSlide(ViewTable::IndexFromName(self->objectName()));
    });
    connect(thumb, &ThumbImage::Dropped, this, &MainWindow::SwapSlides);
    connect(spacer, &ClickImage::Clicked, this, [this](ClickImage* self) {
        const int index = ViewTable::IndexFromName(self->objectName());
        SelectSlide(index);
        if (ChooseTransition(Show, index, this))
            LayoutPhotoStrip(Show.SlidePage);
    });
    connect(dots, &QToolButton::clicked, this, [this, dots] {
        SelectSlide(ViewTable::IndexFromName(dots->objectName()));
        PhotoMenu->popup(QCursor::pos());
    });
}

void MainWindow::CreateTrackCells(std::size_t index) {
    auto& t = Show.Sounds[index];
    auto* panel = new QWidget(Form->Panel17);
    panel->setGeometry(0, 0, project::kCellWidth, 24);
    auto* image = new ClickImage(panel);
    image->setGeometry(0, 0, project::kCellWidth, 24);
    auto* dots = MakeDotsButton(panel, 3, 3);
    t.Views[0] = Views.Add(panel);
    t.Views[1] = Views.Add(image);
    t.Views[2] = Views.Add(dots);
    image->setObjectName("SoundImage_" + QString::number(index));
    dots->setObjectName("SoundButton_" + QString::number(index));
    connect(image, &ClickImage::Clicked, this, [this](ClickImage* self) {
        SelectSound(ViewTable::IndexFromName(self->objectName()));
    });
    connect(dots, &QToolButton::clicked, this, [this, dots] {
        SelectSound(ViewTable::IndexFromName(dots->objectName()));
        TrackMenu->popup(QCursor::pos());
    });
    panel->show();
}

void MainWindow::SwapSlides(int sourceTag, int targetTag) {
    if (!Show.SwapSlides(sourceTag, targetTag))
        return;
    LayoutPhotoStrip(Show.SlidePage);
    SelectSlide(sourceTag - 1);
}

void MainWindow::RedrawThumbnail(std::size_t index, const QColor& frame) {
    const auto& s = Show.Slides[index];
    auto* thumb = Views.As<QLabel>(s.Views[2]);
    auto* clean = Views.As<QLabel>(s.Views[3]);
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

void MainWindow::LayoutPhotoStrip(int page) {
    for (const auto& s : Show.Slides)
        for (int v : {0, 1})
            if (QWidget* w = Views.Get(s.Views[v]))
                w->hide();
    VisiblePhotos_ = project::PhotoStripPlaces(Show, Form->Panel16->width(), page);
    for (const auto& place : VisiblePhotos_) {
        const auto index = static_cast<std::size_t>(place.Index);
        const auto& s = Show.Slides[index];
        QWidget* photoPanel = Views.Get(s.Views[0]);
        QWidget* transitionPanel = Views.Get(s.Views[1]);
        auto* spacer = Views.As<QLabel>(s.Views[4]);
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
}

void MainWindow::DrawRuler() {
    const int width = qMax(1, Form->Image5->width());
    const int height = 24;
    RulerBitmap_ = QImage(width, height, QImage::Format_RGB32);
    RulerBitmap_.fill(Form->Panel3->palette().color(QPalette::Window));
    QPainter p(&RulerBitmap_);
    p.setPen(Qt::black);
    p.drawLine(project::kArrowWidth, height - 4, width - project::kArrowWidth, height - 4);
    for (int k = 1; project::kArrowWidth + 12 * (k - 1) < width - 18; ++k)
        p.drawPoint(project::kArrowWidth + 12 * k, height - 5);
    p.setFont(BoldFont(7));
    for (const auto& mark : project::RulerMarks(Show, VisiblePhotos_)) {
        p.drawLine(mark.X, height - 4, mark.X, 16);
        TextAt(p, mark.X - 10, 3, QString::fromStdString(project::FormatDuration(mark.Seconds)));
    }
    p.end();
    Form->Image5->setPixmap(QPixmap::fromImage(RulerBitmap_));
}

QString MainWindow::TrackHint(const project::Track& t) const {
    return QString::fromStdString(project::FormatDuration(t.PlaySeconds)) + " " +
           base::FromCp1251(t.Title.str());
}

void MainWindow::RedrawTrackCell(std::size_t index) {
    const auto& t = Show.Sounds[index];
    QWidget* panel = Views.Get(t.Views[0]);
    auto* image = Views.As<QLabel>(t.Views[1]);
    auto* dots = Views.Get(t.Views[2]);
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

void MainWindow::LayoutMusicStrip() {
    const int screenWidth = screen() ? screen()->geometry().width() : 1280;
    const auto places = project::MusicStripPlaces(Show, VisiblePhotos_, screenWidth);
    for (std::size_t u = 0; u < Show.Sounds.size(); ++u) {
        QWidget* panel = Views.Get(Show.Sounds[u].Views[0]);
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

void MainWindow::SelectSlide(int index) {
    if (index >= 0 && index < static_cast<int>(Show.Slides.size())) {
        for (std::size_t i = 0; i < Show.Slides.size(); ++i) {
            Show.Slides[i].Selected = 0;
            if (auto* thumb = Views.As<QLabel>(Show.Slides[i].Views[2])) {
                QPixmap pm = thumb->pixmap();
                Frame(pm, Qt::black);
                thumb->setPixmap(pm);
            }
        }
        Show.SelectedSlide = index;
        auto& s = Show.Slides[static_cast<std::size_t>(index)];
        s.Selected = 1;
        if (auto* thumb = Views.As<QLabel>(s.Views[2])) {
            QPixmap pm = thumb->pixmap();
            Frame(pm, kGreen);
            thumb->setPixmap(pm);
        }
    }
    ShowSelectedInPreview();
}

void MainWindow::SelectSound(int index) {
    if (index < 0 || index >= static_cast<int>(Show.Sounds.size()))
        return;
    for (auto& t : Show.Sounds)
        t.Selected = 0;
    Show.SelectedSound = index;
    Show.Sounds[static_cast<std::size_t>(index)].Selected = 1;
    for (std::size_t u = 0; u < Show.Sounds.size(); ++u)
        if (QWidget* panel = Views.Get(Show.Sounds[u].Views[0]); panel && panel->isVisible())
            RedrawTrackCell(u);
}

void MainWindow::ShowSelectedInPreview() {
    // The selected slide composed at Image1's own size; the empty show is a plain
    // button-face area. An unreadable working file leaves Image1 as it was.
    imaging::SlideSource source;
    const imaging::SlideSource* slide = nullptr;
    const auto index = static_cast<std::size_t>(Show.SelectedSlide);
    if (!Show.Slides.empty()) {
        if (Show.SelectedSlide < 0 || index >= Show.Slides.size())
            return;
        source.WorkFile = Show.Slides[index].WorkFile.str();
        source.BackColor = Show.Slides[index].BackColor;
        slide = &source;
    }
    const QImage image =
        imaging::ShowSlideInPreview(slide, Form->Image1->width(), Form->Image1->height());
    if (!image.isNull())
        Form->Image1->setPixmap(QPixmap::fromImage(image));
}

} // namespace ui
