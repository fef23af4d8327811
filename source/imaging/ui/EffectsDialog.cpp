#include "imaging/ui/EffectsDialog.h"

#include "base/CodePage.h"
#include "base/Language.h"
#include "base/ui/LanguageTexts.h"
#include "imaging/Colors.h"
#include "imaging/Compose.h"
#include "imaging/ui/ColorValues.h"
#include "imaging/ui/MotionEditor.h"
#include "imaging/ui/MotionPreviewBox.h"
#include "ui_EffectsDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFontDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTabBar>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <cmath>

using base::TextKey;

namespace ui {

namespace {

// The swatch shows the colour the previews and the video use: a system colour resolved.
QString SwatchStyle(std::int32_t color) {
    return QStringLiteral("background-color: %1;")
        .arg(ToQColor(static_cast<std::int32_t>(imaging::ResolveColor(color))).name());
}

} // namespace

EffectsDialog::EffectsDialog(const imaging::CaptionSettings& caption,
                             const imaging::PictureSettings& adjustments, std::int32_t backColor,
                             std::int64_t stillMs, const imaging::Motion& motion,
                             double motionSeconds, EffectsPicture& picture,
                             const std::string& resolution, const imaging::Bitmap& thumbnail,
                             int page, QWidget* parent, ClipPage clip, CollagePage collage)
    : QDialog(parent), Form(std::make_unique<Ui::EffectsDialog>()), caption_(caption),
      adjust_(adjustments), backColor_(backColor), stillMs_(stillMs), motionSeconds_(motionSeconds),
      picture_(picture), resolution_(resolution), clip_(clip), collage_(collage) {
    Form->setupUi(this);
    // Under the corners: the mouse marks them too.
    cropHint_ = new QLabel(QString::fromUtf8("Обведите мышью на картинке часть, которую нужно "
                                             "оставить, или введите её углы."),
                           Form->cropPage);
    cropHint_->setObjectName("cropHintLabel");
    cropHint_->setWordWrap(true);
    cropHint_->setGeometry(16, 190, 290, 52);
    Tabs = new QTabBar(this);
    Tabs->setExpanding(false);
    Tabs->setUsesScrollButtons(false);
    for (const char* caption : {"Кадрирование", "Текст", "Поворот", "Освещенность",
                                "Цветовые эффекты", "Длительность", "Движение"})
        Tabs->addTab(QString::fromUtf8(caption));
    if (clip_.Editor || collage_.Editor)
        Tabs->addTab(QString::fromUtf8("Клип"));
    if (collage_.Editor)
        Tabs->addTab(QString::fromUtf8("Коллаж"));
    LayOutResizable();
    SetUpClipPage();
    SetUpCollagePage();

    Ask = [this](const QString& text, const QString& caption) {
        return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    ShowError = [this](const QString& message) {
        QMessageBox::warning(this, windowTitle(), message);
    };
    PickFont = [this](QFont& font) {
        bool ok = false;
        font = QFontDialog::getFont(&ok, font, this);
        return ok;
    };
    PickColor = [this](const QColor& initial) { return QColorDialog::getColor(initial, this); };

    thumb_ = thumbnail;
    thumbBackup_ = thumbnail;
    ApplyTexts();
    OfferSelection(1); // until the caller says several slides are picked

    motion_ = motion;
    SetUpMotionPage();
    openPage_ = std::clamp(page, 0, kCollagePage);
    if (!PageOffered(openPage_))
        openPage_ = clip_.Editor ? kClipPage : (collage_.Editor ? kCollagePage : kMotionPage);
    Tabs->setCurrentIndex(openPage_);
    Form->pages->setCurrentIndex(openPage_);
    Form->secondsSpin->setValue(static_cast<double>(stillMs_) / 1000.0);
    shownSeconds_ = Form->secondsSpin->value();
    TakeOpeningValues();
    turnCounter_ = adjust_.TurnCount;
    if (!LoadWorkImage())
        ShowError(tr("Cannot read %1").arg(QFile::decodeName(picture_.Name().c_str())));
    ResetCropToImage();

    auto* hGroup = new QButtonGroup(this);
    auto* vGroup = new QButtonGroup(this);
    auto* effectGroup = new QButtonGroup(this);
    for (auto* b : {Form->alignLeftRadio, Form->alignCentreRadio, Form->alignRightRadio})
        hGroup->addButton(b, hGroup->buttons().size());
    for (auto* b : {Form->alignTopRadio, Form->alignMiddleRadio, Form->alignBottomRadio})
        vGroup->addButton(b, vGroup->buttons().size());
    for (auto* b : {Form->noColourEffectRadio, Form->blackAndWhiteRadio, Form->sepiaRadio,
                    Form->negativeRadio})
        effectGroup->addButton(b, effectGroup->buttons().size());
    // The alignment groups start on their first item, whatever the record holds.
    Form->alignLeftRadio->setChecked(true);
    Form->alignTopRadio->setChecked(true);
    Form->noColourEffectRadio->setChecked(true);
    if (adjust_.ColorEffect >= 0 && adjust_.ColorEffect <= 3)
        effectGroup->button(adjust_.ColorEffect)->setChecked(true);
    Form->backColourSwatch->setStyleSheet(SwatchStyle(backColor_));
    ResetLightControls();
    Form->brightnessSlider->setValue(adjust_.Brightness);
    Form->contrastSlider->setValue(adjust_.Contrast);
    Form->gammaSlider->setValue(static_cast<int>(adjust_.Gamma10));

    // Each corner edit parses into its own field; text that is not a number changes nothing.
    const std::array<std::pair<QLineEdit*, std::int32_t EffectsCrop::*>, 4> corners = {{
        {Form->cropStartXEdit, &EffectsCrop::X0},
        {Form->cropStartYEdit, &EffectsCrop::Y0},
        {Form->cropEndXEdit, &EffectsCrop::X1},
        {Form->cropEndYEdit, &EffectsCrop::Y1},
    }};
    for (const auto& [edit, field] : corners)
        connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
            bool ok = false;
            const int v = text.toInt(&ok);
            if (ok)
                crop_.*field = v;
            if (openPage_ == 0 && !updating_)
                DrawCropFrame();
        });
    connect(Form->originalSizeButton, &QPushButton::clicked, this, [this] {
        ResetCropToImage();
        DrawCropFrame();
    });
    // Any script: the text is kept as typed (UTF-8); the show file's record keeps its code-page
    // text and the extension block the exact one.
    Form->captionEdit->setMaxLength(imaging::kMaxCaptionCharacters);
    connect(Form->captionEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!updating_)
            caption_.Text = text.toStdString();
    });
    // How the caption comes and goes: a moving one is drawn on the video's frames, not into the
    // photo.
    Form->captionMotionBox->addItems(
        {"Нет", "Появление и исчезание", "Подъём", "Пишущая машинка", "Медленное приближение"});
    Form->captionMotionBox->setCurrentIndex(static_cast<int>(caption_.Motion));
    connect(Form->captionMotionBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!updating_ && index >= 0 && index < imaging::kTextMotionCount)
            caption_.Motion = static_cast<imaging::TextMotion>(index);
    });
    connect(&captionTimer_, &QTimer::timeout, this, &EffectsDialog::PlayCaptionMotion);
    captionClock_.start();
    captionTimer_.start(40);
    connect(hGroup, &QButtonGroup::idClicked, this, [this](int id) { caption_.HAlign = id + 1; });
    connect(vGroup, &QButtonGroup::idClicked, this, [this](int id) { caption_.VAlign = id + 1; });
    connect(Form->applyTextButton, &QPushButton::clicked, this, &EffectsDialog::ApplyText);
    connect(Form->undoTextButton, &QPushButton::clicked, this, &EffectsDialog::UndoText);
    connect(Form->fontButton, &QPushButton::clicked, this, &EffectsDialog::ChooseFont);
    connect(Form->turnRightButton, &QPushButton::clicked, this,
            [this] { Turn(EffectsTurn::Right); });
    connect(Form->turnLeftButton, &QPushButton::clicked, this, [this] { Turn(EffectsTurn::Left); });
    connect(Form->mirrorButton, &QPushButton::clicked, this, [this] { Turn(EffectsTurn::Mirror); });
    for (QSlider* s : {Form->brightnessSlider, Form->contrastSlider, Form->gammaSlider})
        connect(s, &QSlider::valueChanged, this, [this] {
            if (updating_)
                return;
            adjust_.Brightness = Form->brightnessSlider->value();
            adjust_.Contrast = Form->contrastSlider->value();
            adjust_.Gamma10 = static_cast<double>(Form->gammaSlider->value());
            PreviewLight();
        });
    connect(effectGroup, &QButtonGroup::idClicked, this, [this](int id) {
        adjust_.ColorEffect = id;
        PreviewColor();
    });
    connect(Form->backColourButton, &QPushButton::clicked, this, &EffectsDialog::ChooseBackColor);
    for (QPushButton* b : {Form->cropSaveButton, Form->captionSaveButton, Form->turnSaveButton,
                           Form->lightSaveButton, Form->colourSaveButton, Form->durationSaveButton,
                           Form->motionSaveButton, Form->clipSaveButton, Form->collageSaveButton})
        connect(b, &QPushButton::clicked, this, &EffectsDialog::SaveAndClose);
    for (QPushButton* b :
         {Form->cropCancelButton, Form->captionCancelButton, Form->lightCancelButton,
          Form->colourCancelButton, Form->durationCancelButton, Form->motionCancelButton,
          Form->clipCancelButton, Form->collageCancelButton})
        connect(b, &QPushButton::clicked, this, &QDialog::reject);
    connect(Form->turnCancelButton, &QPushButton::clicked, this, [this] {
        keepOnClose_ = false;
        UndoTurns();
        reject();
    });
    Form->previewImage->installEventFilter(this);
    Form->previewImage->setMouseTracking(false);
    connect(Tabs, &QTabBar::currentChanged, this, &EffectsDialog::ChangePage);

    // The page routine once, for the page the dialog opens on.
    ChangePage(openPage_);
}

EffectsDialog::~EffectsDialog() = default;

QSize EffectsDialog::FrameSize() const {
    const QStringList parts = QString::fromStdString(resolution_).split('x');
    bool okW = false, okH = false;
    const int w = parts.size() == 2 ? parts[0].toInt(&okW) : 0;
    const int h = parts.size() == 2 ? parts[1].toInt(&okH) : 0;
    if (!okW || !okH || w < 16 || h < 16)
        return {1280, 720};
    return {w, h};
}

void EffectsDialog::SetUpMotionPage() {
    motionEditor_ = new MotionEditor(Form->motionHost);
    auto* layout = new QVBoxLayout(Form->motionHost);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(motionEditor_);
    motionEditor_->SetTextLookup([](int key, const char* builtin) {
        return base::AppLanguage().Text(key, QString::fromUtf8(builtin));
    });
    // Its frames are edited on the dialog's large preview, shown there on the motion page.
    motionEditor_->PlacePreview(*qobject_cast<QBoxLayout*>(Form->previewFrame->layout()));
    motionEditor_->Preview()->hide();
    motionEditor_->SetMotion(motion_);
    // The slide moves for its still and its outgoing transition.
    motionEditor_->SetPlaySeconds(std::clamp(motionSeconds_, 0.5, 60.0));
}

void EffectsDialog::GrowForMotion() {
    // Frames are placed by hand: the preview as large as the screen comfortably allows.
    QSize want(kMotionWidth, kMotionHeight);
    if (const QScreen* screen = this->screen())
        want = want.boundedTo(screen->availableGeometry().size() * 9 / 10);
    if (width() < want.width() || height() < want.height())
        resize(size().expandedTo(want));
}

void EffectsDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        ApplyTexts();
        RepaintBox();
    }
}

void EffectsDialog::TakeOpeningValues() {
    opening_.Brightness = adjust_.Brightness;
    opening_.Contrast = adjust_.Contrast;
    opening_.Gamma10 = adjust_.Gamma10;
    opening_.ColorEffect = adjust_.ColorEffect;
    opening_.BackColor = backColor_;
    opening_.TurnCount = adjust_.TurnCount;
    opening_.Caption = caption_;
}

bool EffectsDialog::Apply(const std::function<base::Status()>& edit) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const base::Status done = edit();
    QApplication::restoreOverrideCursor();
    if (!done) {
        ShowError(QString::fromLocal8Bit(done.error().c_str()));
        return false;
    }
    LoadWorkImage();
    return true;
}

void EffectsDialog::AcceptedWrite() {
    // The copies restore what the open page did since it was entered, never an edit that was
    // accepted meanwhile: they are taken again from the working file as it is now.
    picture_.AcceptBackups();
    thumbBackup_ = thumb_;
}

bool EffectsDialog::PageHasChange(int page) const {
    switch (page) {
    case 0:
        return crop_.X0 != 0 || crop_.Y0 != 0 || crop_.X1 != workImage_.Width ||
               crop_.Y1 != workImage_.Height;
    case 1: {
        const imaging::CaptionSettings& now = caption_;
        const imaging::CaptionSettings& was = opening_.Caption;
        return now.Text != was.Text || now.Font != was.Font || now.Size != was.Size ||
               now.Color != was.Color || now.Style != was.Style;
    }
    case 2:
        return adjust_.TurnCount != turnCounter_;
    case 3:
        return adjust_.Brightness != opening_.Brightness || adjust_.Contrast != opening_.Contrast ||
               adjust_.Gamma10 != opening_.Gamma10;
    case 4:
        return adjust_.ColorEffect != opening_.ColorEffect || backColor_ != opening_.BackColor;
    case kMotionPage:
        return motionEditor_->EditedMotion() != motion_;
    default:
        return false;
    }
}

void EffectsDialog::ChangePage(int page) {
    if (page != openPage_ && PageHasChange(openPage_)) {
        const base::Language& language = base::AppLanguage();
        const bool own = language.Has(TextKey::EffectsApply);
        const QString text = own ? language.Text(TextKey::EffectsAskApplyLast, "")
                                 : QString::fromUtf8("Применить последний эффект к изображению?");
        const QString caption =
            own ? language.Text(TextKey::EffectsApply, "") : QString::fromUtf8("Применить");
        const bool yes = Ask(text, caption);
        switch (openPage_) {
        case 0:
            if (yes)
                ApplyCrop();
            ResetCropToImage();
            break;
        case 1:
            if (yes) {
                caption_ = opening_.Caption;
                AcceptedWrite();
            } else {
                UndoText();
            }
            break;
        case 2:
            if (yes) {
                adjust_.TurnCount = turnCounter_;
                opening_.TurnCount = turnCounter_;
                AcceptedWrite();
            } else {
                UndoTurns();
            }
            break;
        case 3:
            if (yes) {
                ApplyLight();
            } else {
                adjust_.Brightness = opening_.Brightness;
                adjust_.Contrast = opening_.Contrast;
                adjust_.Gamma10 = opening_.Gamma10;
                ResetLightControls();
            }
            break;
        case 4:
            if (yes) {
                ApplyColor();
            } else {
                adjust_.ColorEffect = opening_.ColorEffect;
                backColor_ = opening_.BackColor;
                Form->noColourEffectRadio->setChecked(true);
                Form->backColourSwatch->setStyleSheet(SwatchStyle(backColor_));
            }
            break;
        case kMotionPage:
            if (yes)
                motion_ = motionEditor_->EditedMotion();
            else
                motionEditor_->SetMotion(motion_);
            break;
        default:
            break;
        }
    }
    if (page != kMotionPage)
        motionEditor_->stop();
    Form->previewImage->setVisible(page != kMotionPage && page != kClipPage &&
                                   page != kCollagePage);
    motionEditor_->Preview()->setVisible(page == kMotionPage);
    if (clip_.Preview)
        clip_.Preview->setVisible(page == kClipPage);
    if (collage_.Preview)
        collage_.Preview->setVisible(page == kCollagePage);
    if (page == kMotionPage)
        GrowForMotion();
    openPage_ = page;
    Form->pages->setCurrentIndex(page);
    previewImage_ = previewSource_;
    Form->previewImage->setCursor(page == 0 ? Qt::CrossCursor : Qt::ArrowCursor);
    Form->previewImage->setToolTip(
        page == 1 ? base::AppLanguage().Text(
                        TextKey::EffectsPreviewHint,
                        "Кликните два раза, чтобы увидеть полноразмерное изображение с текстом")
                  : QString());
    if (page == 0)
        DrawCropFrame();
    else
        RepaintBox();
}

void EffectsDialog::ApplyCrop() {
    if (Apply([this] { return picture_.Crop(crop_); }))
        AcceptedWrite();
    ResetCropToImage();
}

void EffectsDialog::PreviewLight() {
    previewImage_ = previewSource_;
    picture_.PreviewLight(previewImage_, adjust_.Brightness, adjust_.Contrast, adjust_.Gamma10);
    RepaintBox();
}

void EffectsDialog::ResetLightControls() {
    updating_ = true;
    Form->brightnessSlider->setValue(adjust_.Brightness);
    Form->contrastSlider->setValue(adjust_.Contrast);
    Form->gammaSlider->setValue(static_cast<int>(adjust_.Gamma10));
    updating_ = false;
    previewImage_ = previewSource_;
    RepaintBox();
}

void EffectsDialog::ApplyLight() {
    if (selectionCount_ > 1 && Form->lightForSelectionCheck->isChecked())
        pictureForSelection_ = true;
    if (Apply([this] {
            return picture_.Light(adjust_.Brightness, adjust_.Contrast, adjust_.Gamma10, &thumb_);
        }))
        AcceptedWrite();
    // Applied (or refused): the fields, opening values and sliders go back to neutral, so a
    // later save cannot apply the same light twice.
    adjust_.Brightness = 0;
    adjust_.Contrast = 0;
    adjust_.Gamma10 = 10.0;
    opening_.Brightness = 0;
    opening_.Contrast = 0;
    opening_.Gamma10 = 10.0;
    ResetLightControls();
}

void EffectsDialog::PreviewColor() {
    previewImage_ = previewSource_;
    picture_.PreviewColor(previewImage_, adjust_.ColorEffect);
    RepaintBox();
}

void EffectsDialog::ApplyColor() {
    if (selectionCount_ > 1 && Form->colourForSelectionCheck->isChecked())
        pictureForSelection_ = true;
    if (adjust_.ColorEffect != 0 &&
        Apply([this] { return picture_.Color(adjust_.ColorEffect, &thumb_); }))
        AcceptedWrite();
    adjust_.ColorEffect = 0;
    opening_.ColorEffect = 0;
    opening_.BackColor = backColor_;
    Form->noColourEffectRadio->setChecked(true);
    previewImage_ = previewSource_;
    RepaintBox();
}

void EffectsDialog::ChooseBackColor() {
    const QColor color = PickColor(ToQColor(backColor_));
    if (!color.isValid())
        return;
    backColor_ = FromQColor(color);
    Form->backColourSwatch->setStyleSheet(SwatchStyle(backColor_));
    RepaintBox();
}

void EffectsDialog::SaveAndClose() {
    switch (openPage_) {
    case 0: {
        const std::int32_t w = workImage_.Width;
        const std::int32_t h = workImage_.Height;
        const bool whole = crop_.X0 == 0 && crop_.Y0 == 0 && crop_.X1 == w && crop_.Y1 == h;
        if (!whole && !Apply([this] { return picture_.Crop(crop_); }))
            return;
        // A crop cannot be drawn on the thumbnail: it is made again from the new picture, as
        // the storyboard makes it when the show is opened.
        if (!whole && !workImage_.IsEmpty())
            thumb_ = picture_.ThumbnailOf(workImage_);
        AcceptedWrite();
        ResetCropToImage();
        break;
    }
    case 1:
        keepOnClose_ = true;
        break;
    case 2:
        keepOnClose_ = true;
        adjust_.TurnCount = turnCounter_;
        break;
    case 3:
        ApplyLight();
        break;
    case 4:
        ApplyColor();
        break;
    case 5:
        // The box shows tenths: a still given to the millisecond (a cut on the beat) stays as
        // it was unless the user changed the seconds.
        if (Form->secondsSpin->value() != shownSeconds_)
            stillMs_ = std::llround(Form->secondsSpin->value() * 1000.0);
        secondsForAll_ = Form->secondsForAllCheck->isChecked();
        secondsForSelection_ =
            !secondsForAll_ && selectionCount_ > 1 && Form->secondsForSelectionCheck->isChecked();
        break;
    case kMotionPage:
        motion_ = motionEditor_->EditedMotion();
        motionForAll_ = Form->motionForAllCheck->isChecked();
        motionForSelection_ =
            !motionForAll_ && selectionCount_ > 1 && Form->motionForSelectionCheck->isChecked();
        break;
    default:
        break;
    }
    accept();
}

void EffectsDialog::done(int result) {
    if (!closed_) {
        closed_ = true;
        if (!keepOnClose_ && openPage_ == 1)
            (void)picture_.RestoreBackup(EffectsBackup::Caption);
        if (!keepOnClose_ && openPage_ == 2 && picture_.HasBackup(EffectsBackup::Turn)) {
            (void)picture_.RestoreBackup(EffectsBackup::Turn);
            thumb_ = thumbBackup_;
            adjust_.TurnCount = opening_.TurnCount;
        }
        picture_.AcceptBackups();
        adjust_.Brightness = 0;
        adjust_.Contrast = 0;
        adjust_.Gamma10 = 10.0;
        adjust_.ColorEffect = 0;
    }
    QDialog::done(result);
}

} // namespace ui
