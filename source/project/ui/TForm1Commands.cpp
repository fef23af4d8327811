// Main window: the toolbar, menu and item commands.
#include "project/ui/TForm1.h"

#include "media/ui/TForm5.h"
#include "media/ui/TForm6.h"
#include "project/Language.h"
#include "project/ProgramFolder.h"
#include "project/SettingsChoices.h"
#include "project/ui/Icons.h"
#include "project/ui/LanguageTexts.h"
#include "project/ui/TForm12.h"
#include "project/ui/TForm4.h"
#include "ui_TForm1.h"

#include <QAction>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace ui {

namespace {
QString Tr(int key, const char* builtin) {
    return project::AppLanguage().Text(key, QString::fromUtf8(builtin));
}
} // namespace

void TForm1::CreateMenus() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    auto* n1 = PopupMenu1->addAction("Удалить");
    n1->setObjectName("N1");
    auto* n2 = PopupMenu1->addAction("Сдвинуть вправо");
    n2->setObjectName("N2");
    auto* n3 = PopupMenu1->addAction("Сдвинуть влево");
    n3->setObjectName("N3");
    connect(n1, &QAction::triggered, this, &TForm1::N1Click);
    connect(n2, &QAction::triggered, this, &TForm1::N2Click);
    connect(n3, &QAction::triggered, this, &TForm1::N3Click);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    auto* n5 = PopupMenu2->addAction("Настроить...");
    n5->setObjectName("N5");
    PopupMenu2->addSeparator();
    auto* m1 = PopupMenu2->addAction("Удалить");
    m1->setObjectName("MenuItem1");
    auto* m2 = PopupMenu2->addAction("Сдвинуть вправо");
    m2->setObjectName("MenuItem2");
    auto* m3 = PopupMenu2->addAction("Сдвинуть влево");
    m3->setObjectName("MenuItem3");
    connect(n5, &QAction::triggered, this, &TForm1::N5Click);
    connect(m1, &QAction::triggered, this, &TForm1::MenuItem1Click);
    connect(m2, &QAction::triggered, this, &TForm1::MenuItem2Click);
    connect(m3, &QAction::triggered, this, &TForm1::MenuItem3Click);

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName("PopupMenu3");
    auto* n6 = PopupMenu3->addAction("Сохранить как QVS...");
    n6->setObjectName("N6");
    auto* n7 = PopupMenu3->addAction("Сохранить как AVI...");
    n7->setObjectName("N7");
    connect(n6, &QAction::triggered, this, &TForm1::N6Click);
    connect(n7, &QAction::triggered, this, &TForm1::N7Click);
}

void TForm1::ConnectCommands() {
    const std::array<QToolButton*, 6> effects = {Form->ToolButton1, Form->ToolButton2,
                                                 Form->ToolButton3, Form->ToolButton4,
                                                 Form->ToolButton5, Form->ToolButton6};
    for (int tag = 0; tag < 6; ++tag) {
        effects[static_cast<std::size_t>(tag)]->setProperty("Tag", tag);
        connect(effects[static_cast<std::size_t>(tag)], &QToolButton::clicked, this,
                [this, tag] { ToolButton1Click(tag); });
    }
    connect(Form->ToolButton13, &QToolButton::clicked, this, &TForm1::ToolButton13Click);
    connect(Form->ToolButton14, &QToolButton::clicked, this, &TForm1::ToolButton14Click);
    connect(Form->ToolButton15, &QToolButton::clicked, this, &TForm1::ToolButton15Click);
    connect(Form->ToolButton7, &QToolButton::clicked, this, &TForm1::ToolButton8Click);
    connect(Form->ToolButton8, &QToolButton::clicked, this, &TForm1::BitBtn1Click);
    connect(Form->ToolButton9, &QToolButton::clicked, this, &TForm1::BitBtn2Click);
    // The save button pops its menu from the button and from its drop-down arrow.
    Form->ToolButton10->setPopupMode(QToolButton::MenuButtonPopup);
    Form->ToolButton10->setMenu(PopupMenu3);
    connect(Form->ToolButton10, &QToolButton::clicked, this, &TForm1::BitBtn3Click);
    connect(Form->ToolButton11, &QToolButton::clicked, this, &TForm1::BitBtn4Click);
    connect(Form->SpeedButton3, &QToolButton::clicked, this, &TForm1::BitBtn5Click);
    connect(Form->SpeedButton4, &QToolButton::clicked, this, &TForm1::BitBtn6Click);
    connect(Form->SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(Form->SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &TForm1::ToolButton14Click);

    Form->Image1->installEventFilter(this);
    Form->Panel2->installEventFilter(this);
    Form->Panel16->installEventFilter(this);
    for (QLabel* link :
         {Form->Image6, Form->Image7, Form->Image8, Form->Image9, Form->Image10, Form->Image11})
        link->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The bottom bar gets its new width after the window's own resize event.
    if (watched == Form->Panel2 && event->type() == QEvent::Resize)
        CenterBottomToolbar();
    // The photo strip's width decides how many cells a page holds: the resize handling.
    if (watched == Form->Panel16 && event->type() == QEvent::Resize)
        FormResize();
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Form->Image1) {
            Image1Click();
            return true;
        }
        const QString name = watched->objectName();
        if (name.startsWith("Image")) {
            const int number = name.mid(5).toInt();
            if (number >= 6 && number <= 11) {
                Image6Click(number);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::ToolButton1Click(int tag) {
    if (Show.Slides.empty())
        return;
    Show.EffectsPage = tag;
    // Effects dialog issue: TForm3 opens here, modally, on page EffectsPage.
    LayoutPhotoStrip(Show.SlidePage);
    SelectSlide(Show.SelectedSlide);
}

void TForm1::ToolButton13Click() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1280, 1024);
    // Opening the dialog may already set Resolution (first run: the screen size).
    TForm4 dialog(Show.Resolution, screenSize, project::LanguageFolder(),
                  QFile::decodeName(project::AppLanguage().LanguageFile.c_str()), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const QString path = dialog.LanguageFileToLoad(); !path.isEmpty())
        LoadLanguageFile(path);
}

void TForm1::ToolButton14Click() {
    try {
        OpenExternal(project::ProgramFolder() + "help/help.html");
    } catch (...) {
        // Opening the help page never stops the window.
    }
}

void TForm1::ToolButton15Click() {
    TForm12 dialog(SiteURL, OpenExternal, this);
    dialog.exec();
}

void TForm1::ToolButton8Click() {
    if (Show.Slides.empty())
        return;
    if (!AskYesNo(Tr(49, "Создать новое слайдшоу?"), Tr(50, "Создание")))
        return;
    Show.ClearProject();
    Show.PurgeWorkFolders();
    Show.SelectedSlide = 0;
    Show.SelectedSound = 0;
    FormResize();
}

void TForm1::BitBtn2Click() {
    if (Show.Slides.empty())
        return;
    // Preview issue: the full-screen preview starts here.
}

void TForm1::BitBtn3Click() {
    PopupMenu3->popup(Form->ToolButton10->mapToGlobal(QPoint(0, Form->ToolButton10->height())));
}

void TForm1::N7Click() {
    // Video-export issue: the save dialog and the AVI dialog TForm8 open here.
}

void TForm1::BitBtn4Click() {
    // Disc issue: the disc-writing dialog TForm7 opens here, modally.
}

void TForm1::SpeedButton1Click() {
    if (Show.SlidePage == 0)
        return;
    --Show.SlidePage;
    LayoutPhotoStrip(Show.SlidePage);
    SelectSlide(Show.SelectedSlide);
}

void TForm1::SpeedButton2Click() {
    const long long perPage = Form->Panel16->width() / 132;
    if (static_cast<long long>(Show.Slides.size()) >= perPage * (Show.SlidePage + 1) + 1)
        ++Show.SlidePage;
    LayoutPhotoStrip(Show.SlidePage);
    SelectSlide(Show.SelectedSlide);
}

void TForm1::N1Click() {
    const int n = Show.SelectedSlide;
    if (n < 0 || n >= static_cast<int>(Show.Slides.size()))
        return;
    // Every answer but No deletes.
    if (!AskYesNo(Tr(51, "Удалить выбранный элемент?"), Tr(52, "Удаление")))
        return;
    const int next = Show.DeleteSelectedSlide();
    LayoutPhotoStrip(Show.SlidePage);
    SelectSlide(next < 0 ? 0 : next);
    if (Show.Slides.empty())
        ShowSelectedInPreview();
}

void TForm1::N2Click() {
    if (!Show.MoveSlideRight())
        return;
    LayoutPhotoStrip(Show.SlidePage);
    SelectSlide(Show.SelectedSlide);
}

void TForm1::N3Click() {
    if (!Show.MoveSlideLeft())
        return;
    LayoutPhotoStrip(Show.SlidePage);
    SelectSlide(Show.SelectedSlide);
}

void TForm1::N5Click() {
    const int n = Show.SelectedSound;
    if (n < 0 || n >= static_cast<int>(Show.Sounds.size()))
        return;
    TForm5 form(Show.Sounds[static_cast<std::size_t>(n)], this);
    form.exec();
}

void TForm1::MenuItem1Click() {
    const int n = Show.SelectedSound;
    if (n < 0 || n >= static_cast<int>(Show.Sounds.size()))
        return;
    if (!AskYesNo(Tr(51, "Удалить выбранный элемент?"), Tr(52, "Удаление")))
        return;
    const int next = Show.DeleteSelectedSound();
    LayoutMusicStrip();
    SelectSound(next < 0 ? 0 : next);
}

void TForm1::MenuItem2Click() {
    if (!Show.MoveSoundRight())
        return;
    LayoutMusicStrip();
    SelectSound(Show.SelectedSound);
}

void TForm1::MenuItem3Click() {
    if (!Show.MoveSoundLeft())
        return;
    LayoutMusicStrip();
    SelectSound(Show.SelectedSound);
}

void TForm1::Image1Click() {
    // Preview issue: a click on the picture stops a running preview.
}

QString TForm1::LinkAddress(int number) const {
    // Each format may use the site address (%1) and the program title (%2): the program's own
    // page first, then reading on slide shows, photography, free photos, the video format and
    // the disc format the program writes.
    static const char* const kFormats[6] = {
        "%1",
        "https://en.wikipedia.org/wiki/Slide_show",
        "https://en.wikipedia.org/wiki/Photography",
        "https://commons.wikimedia.org/wiki/Main_Page",
        "https://en.wikipedia.org/wiki/Audio_Video_Interleave",
        "https://en.wikipedia.org/wiki/ISO_9660",
    };
    if (number < 6 || number > 11)
        return QString();
    // Substituted in one pass, so a "%2" inside the site address stays as it is.
    const QString format = QString::fromLatin1(kFormats[number - 6]);
    QString address;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == '1' || format[i + 1] == '2')) {
            address += format[i + 1] == '1' ? SiteURL : windowTitle();
            ++i;
        } else {
            address += format[i];
        }
    }
    return address;
}

void TForm1::Image6Click(int number) {
    try {
        const QString address = LinkAddress(number);
        if (!address.isEmpty())
            OpenExternal(address);
    } catch (...) {
        // Link failures are ignored.
    }
}

void TForm1::ResetAfterCancel() {
    Show.ClearProject();
    Show.PurgeWorkFolders();
    FormResize();
    Show.CancelRequested = false;
}

void TForm1::ApplyLanguage() {
    try {
        // The caption is fixed; it never comes from the table.
        setWindowTitle("Tarnwick Reelpane Freeware 1.9");
        ApplyLanguageTexts({
            {2, Form->ToolButton8},
            HintText(2, Form->ToolButton8),
            {3, Form->ToolButton9},
            HintText(3, Form->ToolButton9),
            {4, Form->ToolButton10},
            HintText(4, Form->ToolButton10),
            {5, Form->ToolButton11},
            HintText(5, Form->ToolButton11),
            HintText(6, Form->SpeedButton3),
            HintText(7, Form->SpeedButton4),
            HintText(8, Form->ToolButton13),
            HintText(9, Form->ToolButton14),
            HintText(10, Form->ToolButton1),
            HintText(11, Form->ToolButton2),
            HintText(12, Form->ToolButton3),
            HintText(13, Form->ToolButton4),
            HintText(14, Form->ToolButton5),
            HintText(15, Form->ToolButton6),
            {34, PopupMenu1->findChild<QAction*>("N1")},
            {35, PopupMenu1->findChild<QAction*>("N2")},
            {36, PopupMenu1->findChild<QAction*>("N3")},
            {37, PopupMenu2->findChild<QAction*>("N5")},
            {38, PopupMenu2->findChild<QAction*>("MenuItem1")},
            {39, PopupMenu2->findChild<QAction*>("MenuItem2")},
            {40, PopupMenu2->findChild<QAction*>("MenuItem3")},
            {45, PopupMenu3->findChild<QAction*>("N6")},
            {46, PopupMenu3->findChild<QAction*>("N7")},
            HintText(47, Form->ToolButton15),
            HintText(48, Form->ToolButton7),
        });
        // Import issue: every photo's transition cell is re-hinted with its transition name
        // (keys 16-25 and 41-44) here.
        if (ProgressForm)
            ProgressForm->ApplyLanguage(); // its Cancel button, key 33
        CenterBottomToolbar();
    } catch (...) {
        // Texts that cannot be applied leave the built-in ones.
    }
}

} // namespace ui

namespace ui {

void TForm1::SetIcons() {
    const std::array<QToolButton*, 6> effects = {Form->ToolButton1, Form->ToolButton2,
                                                 Form->ToolButton3, Form->ToolButton4,
                                                 Form->ToolButton5, Form->ToolButton6};
    const IconKind kinds[6] = {IconKind::Crop,  IconKind::Text,   IconKind::Rotate,
                               IconKind::Light, IconKind::Colors, IconKind::Duration};
    for (std::size_t i = 0; i < effects.size(); ++i) {
        effects[i]->setIcon(MakeIcon(kinds[i], 19));
        effects[i]->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> top[] = {{Form->ToolButton13, IconKind::Settings},
                                                     {Form->ToolButton14, IconKind::Help},
                                                     {Form->ToolButton15, IconKind::About}};
    for (const auto& [b, k] : top) {
        b->setIcon(MakeIcon(k, 19));
        b->setIconSize(QSize(22, 19));
    }
    const std::pair<QToolButton*, IconKind> bottom[] = {{Form->ToolButton7, IconKind::New},
                                                        {Form->ToolButton8, IconKind::Open},
                                                        {Form->ToolButton9, IconKind::Preview},
                                                        {Form->ToolButton10, IconKind::Save},
                                                        {Form->ToolButton11, IconKind::Disc}};
    for (const auto& [b, k] : bottom) {
        b->setIcon(MakeIcon(k, 55));
        b->setIconSize(QSize(55, 55));
    }
    Form->SpeedButton3->setIcon(MakeIcon(IconKind::AddPhoto, 48));
    Form->SpeedButton3->setIconSize(QSize(48, 48));
    Form->SpeedButton4->setIcon(MakeIcon(IconKind::AddMusic, 48));
    Form->SpeedButton4->setIconSize(QSize(48, 48));
    int variant = 0;
    for (QLabel* link :
         {Form->Image6, Form->Image7, Form->Image8, Form->Image9, Form->Image10, Form->Image11})
        link->setPixmap(DrawIcon(IconKind::Link, 16, variant++));
}

} // namespace ui
