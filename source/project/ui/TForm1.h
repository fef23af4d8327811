// The main window: toolbars, the preview area, the storyboard and the bottom bar. It owns the
// open show (a ShowModel) and the working folders for the whole run; every change to the show
// goes through the model, the window only asks, shows and lays out.
#pragma once

#include "project/ShowModel.h"
#include "project/StripLayout.h"
#include "project/WorkFolders.h"
#include "project/ui/ViewTable.h"

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QTimer;
class QToolButton;

namespace Ui {
class TForm1;
}

namespace ui {

class TForm6;

class TForm1 final : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    project::ShowModel Show;
    ViewTable Views;
    QString SiteURL;
    std::unique_ptr<Ui::TForm1> Form;

    // The six timers of the window (owned by it).
    QTimer* Timer1 = nullptr; // 30 ms, preview schedule
    QTimer* Timer2 = nullptr; // 10 ms, transition animation
    QTimer* Timer3 = nullptr; // 100 ms, always on: enabled state by the busy state
    QTimer* Timer4 = nullptr; // 1000 ms, disc-write progress
    QTimer* Timer5 = nullptr; // 700 ms, erase animation
    QTimer* Timer6 = nullptr; // 1 ms, pumps events while a long operation runs

    TForm6* ProgressForm = nullptr; // the progress window, alive for the whole run

    QMenu* PopupMenu1 = nullptr; // photo menu
    QMenu* PopupMenu2 = nullptr; // track menu
    QMenu* PopupMenu3 = nullptr; // save menu

    // Yes/No question with the second button as default; true on Yes. Tests replace it.
    std::function<bool(const QString& question, const QString& caption)> AskYesNo;
    // Opens an address or a file with the desktop's default handler. Tests replace it.
    std::function<void(const QString& target)> OpenExternal;
    // Reports whether the progress window is visible; tests may replace it.
    std::function<bool()> ProgressVisible;
    // File dialogs; tests replace them. Each returns the chosen path or "" when cancelled.
    std::function<QString(const QString& proposed, bool avi)> AskSaveName;
    std::function<QString()> AskOpenName;
    // The add-photos and add-music file dialogs; tests replace them.
    std::function<QStringList()> AskPhotoFiles;
    std::function<QStringList()> AskTrackFiles;
    // Shows a warning message box.
    std::function<void(const QString& text)> ShowMessage;

    // Project file: the load as the open command runs it (true = loaded or cancelled).
    bool OpenProjectFile(const QString& path);
    bool SaveProjectFile(const QString& path);
    // One file of each kind imported with its storyboard cells; true when an item was added.
    bool AddPhoto(const QString& path);
    bool AddTrack(const QString& path);

    // Commands of the window.
    void ToolButton1Click(int tag); // effect buttons, Tag 0..5
    void ToolButton13Click();       // settings
    void ToolButton14Click();       // help page (also F1)
    void ToolButton15Click();       // about
    void ToolButton8Click();        // new project
    void BitBtn1Click();            // open
    void BitBtn2Click();            // preview
    void BitBtn3Click();            // save menu
    void N6Click();                 // save as project
    void N7Click();                 // save as video
    void BitBtn4Click();            // write disc
    void BitBtn5Click();            // add photos
    void BitBtn6Click();            // add music
    void SpeedButton1Click();       // previous strip page
    void SpeedButton2Click();       // next strip page
    void N1Click();                 // delete photo
    void N2Click();                 // move photo right
    void N3Click();                 // move photo left
    void N5Click();                 // track settings
    void MenuItem1Click();          // delete track
    void MenuItem2Click();          // move track right
    void MenuItem3Click();          // move track left
    void Image1Click();             // stop the preview
    void Image6Click(int number);   // link icons 6..11
    // End of the playing track (the library's notice): release it and turn the track dialog's
    // stop button back into its play button.
    void WMUser();

    void Timer3Timer();
    void FormResize();
    void ResetAfterCancel();
    void ApplyLanguage();
    // Loads a language file into the program's table and applies it; a file that cannot be
    // read leaves the texts as they are.
    void LoadLanguageFile(const QString& path);

    // Storyboard.
    void SwapSlides(int sourceTag, int targetTag);
    void LayoutPhotoStrip(int page);
    void LayoutMusicStrip();
    void SelectSlide(int index);
    void SelectSound(int index);
    // Files and folders dropped on the window or handed over otherwise.
    void AcceptDroppedPaths(const QStringList& paths);

    // The six link addresses behind Image6..Image11, after formatting.
    QString LinkAddress(int number) const;
    // Centres the bottom toolbar in the bottom bar.
    void CenterBottomToolbar();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void FormCreate();
    void CreateTimers();
    void CreateMenus();
    void CreateProjectDialogs();
    QString ProposedFileName() const;
    void ConnectCommands();
    void SetIcons();
    void ReadSettings();
    void WriteSettings();
    void ShowSelectedInPreview();
    void ReleaseAudio();
    void CreatePhotoCells(std::size_t index, const QImage& thumbnail);
    void CreateTrackCells(std::size_t index);
    void RedrawThumbnail(std::size_t index, const QColor& frame);
    void RedrawTrackCell(std::size_t index);
    void DrawRuler();
    QString TrackHint(const project::TSoundItem& t) const;
    QColor ButtonFace() const;

    std::vector<project::PhotoPlace> VisiblePhotos_;

    QImage RulerBitmap_;
    QImage PreviewBitmap_;
    bool closed_ = false;
    project::WorkFolders workFolders_;
};

} // namespace ui
