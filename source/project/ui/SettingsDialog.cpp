#include "project/ui/SettingsDialog.h"

#include "base/Language.h"
#include "base/ui/LanguageTexts.h"
#include "imaging/Colors.h"
#include "project/SettingsChoices.h"
#include "project/Slide.h"
#include "ui_SettingsDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

using base::TextKey;

namespace ui {

namespace {

// A stored colour (0x00BBGGRR or a system colour) as the colour it shows.
QColor ShownColor(std::int32_t color) {
    const std::uint32_t c = imaging::ResolveColor(color);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

} // namespace

SettingsDialog::SettingsDialog(const std::string& resolution, QSize screen,
                               const QString& languageFolder, const QString& currentFile,
                               QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::SettingsDialog>()), resolution_(resolution),
      givenResolution_(resolution), languageFolder_(languageFolder) {
    Form->setupUi(this);
    setFixedSize(size());
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    ApplyTexts();

    // Languages: each file shown by its language's name, the file name kept as the entry's
    // data; the loaded one selected.
    QStringList files;
    for (const auto& choice : project::LanguageChoices(languageFolder_)) {
        Form->languageCombo->addItem(choice.Name, choice.File);
        files << choice.File;
    }
    if (!files.isEmpty()) {
        Form->languageCombo->setCurrentIndex(0);
        Form->languageFileRadio->setChecked(true);
        if (const int i = project::FindLanguageFile(files, currentFile); i >= 0)
            Form->languageCombo->setCurrentIndex(i);
    } else {
        Form->defaultLanguageRadio->setChecked(true);
        Form->languageCombo->setEnabled(false);
    }

    // Photo size: the show's, selected as it is; the screen's offered beside the usual ones.
    const project::ResolutionList sizes =
        project::ResolutionChoicesFor(resolution_, screen.width(), screen.height());
    Form->resolutionCombo->addItems(sizes.Entries);
    Form->resolutionCombo->setCurrentIndex(sizes.Selected);
    shownResolution_ = sizes.Selected;

    // Background of new photos: the usual colours, the button face as until now, or any other.
    PickColor = [this](const QColor& initial) { return QColorDialog::getColor(initial, this); };
    for (const std::int32_t color : {0x000000, 0xFFFFFF, 0x808080, project::kButtonFaceColor})
        Form->backgroundCombo->addItem(QString(), color);
    Form->backgroundCombo->addItem(QString(), -1);
    NameBackgrounds();
    SetNewPhotoBackground(project::kButtonFaceColor);
    connect(Form->backgroundCombo, &QComboBox::activated, this, [this](int index) {
        if (Form->backgroundCombo->itemData(index).toInt() != -1) {
            background_ = Form->backgroundCombo->itemData(index).toInt();
            return;
        }
        const QColor color = PickColor(ShownColor(background_));
        if (color.isValid())
            background_ = color.red() | (color.green() << 8) | (color.blue() << 16);
        SetNewPhotoBackground(background_);
    });
    connect(Form->languageFileRadio, &QRadioButton::clicked, this,
            &SettingsDialog::chooseLanguageFile);
    connect(Form->okButton, &QPushButton::clicked, this, &SettingsDialog::acceptChoices);
    connect(Form->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::SetNewPhotoBackground(std::int32_t color) {
    background_ = color;
    const int last = Form->backgroundCombo->count() - 1;
    const int known = Form->backgroundCombo->findData(color);
    NameBackgrounds();
    Form->backgroundCombo->setCurrentIndex(known >= 0 ? known : last);
}

void SettingsDialog::NameBackgrounds() {
    const int last = Form->backgroundCombo->count() - 1;
    if (last < 0)
        return;
    const std::pair<int, const char*> names[] = {
        {897, "Черный"}, {898, "Белый"}, {899, "Серый"}, {845, "Светло-серый (системный)"}};
    for (int i = 0; i < last && i < 4; ++i)
        Form->backgroundCombo->setItemText(i, base::Tr(names[i].first, names[i].second));
    Form->backgroundCombo->setItemText(
        last, Form->backgroundCombo->findData(background_) >= 0
                  ? base::Tr(TextKey::BackgroundChosenColour, "Выбранный цвет...")
                  : base::Tr(TextKey::BackgroundChosenColourValue, "Выбранный цвет (%1)...")
                        .arg(ShownColor(background_).name()));
}

void SettingsDialog::ApplyTexts() {
    ApplyLanguageTexts({
        {TextKey::SettingsTitle, this},
        {TextKey::SettingsLanguage, Form->languageBox},
        {TextKey::SettingsDefault, Form->defaultLanguageRadio},
        {TextKey::SettingsFromFile, Form->languageFileRadio},
        {TextKey::SettingsOk, Form->okButton},
        {TextKey::SettingsCancel, Form->cancelButton},
        {TextKey::SettingsResolution, Form->resolutionBox},
        {TextKey::NewPhotoBackground, Form->backgroundBox},
    });
    NameBackgrounds();
}

void SettingsDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyTexts();
}

void SettingsDialog::chooseLanguageFile() {
    if (Form->languageCombo->count() == 0) {
        Form->languageCombo->setEnabled(false);
        Form->defaultLanguageRadio->setChecked(true);
    } else {
        Form->languageCombo->setEnabled(true);
    }
}

void SettingsDialog::acceptChoices() {
    // An entry the user left alone keeps the show's text as it was.
    if (Form->resolutionCombo->currentIndex() != shownResolution_)
        resolution_ = Form->resolutionCombo->currentText().toStdString();
    languageToLoad_ =
        project::LanguageFileToLoad(languageFolder_, Form->languageFileRadio->isChecked(),
                                    Form->languageCombo->currentData().toString());
    accept();
}

} // namespace ui
