// The questions, file dialogs and messages the main window and its controllers put to the user,
// and the desktop's hand-overs, as replaceable calls in one place: the window owns one set, each
// controller is given it by reference and calls through it when it asks, so a test that replaces
// a call reaches every controller at once.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QUrl;
class QWidget;

namespace ui {

// The answer to the question before unsaved changes would be lost (close, New, Open).
enum class SaveAnswer { Save, Discard, Cancel };

struct WindowDialogs {
    WindowDialogs() = default;
    // The calls refer to each other through this object: it stays where it was made.
    WindowDialogs(const WindowDialogs&) = delete;
    WindowDialogs& operator=(const WindowDialogs&) = delete;

    // Yes/No question with the second button as default; true on Yes.
    std::function<bool(const QString& question, const QString& caption)> AskYesNo;
    // Opens an address or a file with the desktop's default handler.
    std::function<void(const QString& target)> OpenExternal;
    // Hands an address to the desktop's launcher (the browser); false when none took it, which
    // OpenExternal then tells the user.
    std::function<bool(const QUrl& url)> LaunchUrl;
    // Whether the progress window is visible.
    std::function<bool()> ProgressVisible;
    // The save dialog (shows, or videos when avi) and the open dialog of shows: the chosen path
    // or "" when cancelled.
    std::function<QString(const QString& proposed, bool avi)> AskSaveName;
    std::function<QString()> AskOpenName;
    // The add-photos and add-music file dialogs: the chosen files, none when cancelled.
    std::function<QStringList()> AskPhotoFiles;
    std::function<QStringList()> AskTrackFiles;
    // The folder dialog, starting where photos were last taken from: the chosen folder or ""
    // when cancelled.
    std::function<QString(const QString& caption)> AskPhotoFolder;
    // A warning message box.
    std::function<void(const QString& text)> ShowMessage;
    // The offer of a dead instance's work: "Recover" (the default button, true) or "Discard".
    std::function<bool(const QString& question, const QString& caption)> AskRecover;
    // The question before unsaved changes would be lost.
    std::function<SaveAnswer(const QString& question, const QString& caption)> AskSaveChanges;
};

// Fills every call with the desktop's own dialogs and message boxes, parented to window.
// ProgressVisible is left to the owner of the progress window.
void UseDesktopDialogs(WindowDialogs& dialogs, QWidget& window);

// The file name the save dialogs propose: for a show saved or opened from a file, that file's
// path without its extension, so the dialog opens beside it; for a show never saved, a dated name
// without a folder.
QString ProposedFileName(const QString& showFile = {});
// Where a save dialog of this kind opens and the name it fills in: the folder of a proposed name
// that has one (the show's own), otherwise StartFolder(kind).
struct SaveDialogStart {
    QString Folder;
    QString Name;
};
SaveDialogStart SaveStartOf(const QString& proposed, const QString& kind);
// Where a file dialog of this kind ("Photos", "Music", "Shows", "Videos") starts: the folder
// last used for it, otherwise the user's pictures, music or videos folder, otherwise home.
QString StartFolder(const QString& kind);
void RememberFolder(const QString& kind, const QString& chosenPath);
// Whether a folder of this kind was used before (and is still there).
bool HasFolderFor(const QString& kind);
// The message when no program takes an address, with the address.
QString LaunchFailureText(const QString& address);

} // namespace ui
