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
      languageFolder_(languageFolder) {
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
        Form->ComboBox1->addItem(choice.Name, choice.File);
        files << choice.File;
    }
    if (!files.isEmpty()) {
        Form->ComboBox1->setCurrentIndex(0);
        Form->RadioButton2->setChecked(true);
        if (const int i = project::FindLanguageFile(files, currentFile); i >= 0)
            Form->ComboBox1->setCurrentIndex(i);
    } else {
        Form->RadioButton1->setChecked(true);
        Form->ComboBox1->setEnabled(false);
    }

    // Resolution: on a first run the screen size becomes the resolution, even if cancelled.
    Form->ComboBox2->addItems(project::ResolutionChoices());
    Form->ComboBox2->setCurrentIndex(
        project::OpenResolution(resolution_, screen.width(), screen.height()));

    // Background of new photos: the usual colours, the button face as until now, or any other.
    PickColor = [this](const QColor& initial) { return QColorDialog::getColor(initial, this); };
    for (const std::int32_t color : {0x000000, 0xFFFFFF, 0x808080, project::kButtonFaceColor})
        Form->BackgroundCombo->addItem(QString(), color);
    Form->BackgroundCombo->addItem(QString(), -1);
    NameBackgrounds();
    SetNewPhotoBackground(project::kButtonFaceColor);
    connect(Form->BackgroundCombo, &QComboBox::activated, this, [this](int index) {
        if (Form->BackgroundCombo->itemData(index).toInt() != -1) {
            background_ = Form->BackgroundCombo->itemData(index).toInt();
            return;
        }
        const QColor color = PickColor(ShownColor(background_));
        if (color.isValid())
            background_ = color.red() | (color.green() << 8) | (color.blue() << 16);
        SetNewPhotoBackground(background_);
    });
    connect(Form->RadioButton2, &QRadioButton::clicked, this, &SettingsDialog::chooseLanguageFile);
    connect(Form->BitBtn1, &QPushButton::clicked, this, &SettingsDialog::acceptChoices);
    connect(Form->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::SetNewPhotoBackground(std::int32_t color) {
    background_ = color;
    const int last = Form->BackgroundCombo->count() - 1;
    const int known = Form->BackgroundCombo->findData(color);
    NameBackgrounds();
    Form->BackgroundCombo->setCurrentIndex(known >= 0 ? known : last);
}

void SettingsDialog::NameBackgrounds() {
    const int last = Form->BackgroundCombo->count() - 1;
    if (last < 0)
        return;
    const std::pair<int, const char*> names[] = {
        {897, "Черный"}, {898, "Белый"}, {899, "Серый"}, {845, "Светло-серый (системный)"}};
    for (int i = 0; i < last && i < 4; ++i)
        Form->BackgroundCombo->setItemText(i, base::Tr(names[i].first, names[i].second));
    Form->BackgroundCombo->setItemText(
        last, Form->BackgroundCombo->findData(background_) >= 0
                  ? base::Tr(TextKey::BackgroundChosenColour, "Выбранный цвет...")
                  : base::Tr(TextKey::BackgroundChosenColourValue, "Выбранный цвет (%1)...")
                        .arg(ShownColor(background_).name()));
}

void SettingsDialog::ApplyTexts() {
    ApplyLanguageTexts({
        {TextKey::SettingsTitle, this},
        {TextKey::SettingsLanguage, Form->GroupBox1},
        {TextKey::SettingsDefault, Form->RadioButton1},
        {TextKey::SettingsFromFile, Form->RadioButton2},
        {TextKey::SettingsOk, Form->BitBtn1},
        {TextKey::SettingsCancel, Form->BitBtn2},
        {TextKey::SettingsResolution, Form->GroupBox3},
        {TextKey::NewPhotoBackground, Form->BackgroundBox},
    });
    NameBackgrounds();
}

void SettingsDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyTexts();
}

void SettingsDialog::chooseLanguageFile() {
    if (Form->ComboBox1->count() == 0) {
        Form->ComboBox1->setEnabled(false);
        Form->RadioButton1->setChecked(true);
    } else {
        Form->ComboBox1->setEnabled(true);
    }
}

void SettingsDialog::acceptChoices() {
    resolution_ = Form->ComboBox2->currentText().toStdString();
    languageToLoad_ = project::LanguageFileToLoad(languageFolder_, Form->RadioButton2->isChecked(),
                                                  Form->ComboBox1->currentData().toString());
    accept();
}

} // namespace ui
