// The program's help in a window of its own, so that it needs no outside browser: the help page
// of the language in use (help/help.html, help/help-ru.html in Russian), shown by a text browser
// at the section asked for. Links within the page go to their sections; addresses outside it are
// handed to the desktop. F1 opens it at the section of the window in front (HelpSectionFor).
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QTextBrowser;
class QUrl;
class QWidget;

namespace ui {

class HelpWindow final : public QDialog {
    Q_OBJECT

public:
    // openExternal: hands an address outside the help to the desktop.
    HelpWindow(std::function<void(const QString&)> openExternal, QWidget* parent);

    // Shows `file` at `section` (its anchor; "" for the top). False when the file is missing.
    bool ShowSection(const QString& file, const QString& section);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
    std::function<void(const QString&)> openExternal_;
};

// The help file for the language in use: help-ru.html while the texts are Russian (and it is
// there), otherwise help.html, both in the program's help folder.
QString HelpFile();
// The help section that explains `window` (a dialog of the program, by its class; the effects
// dialog by its page); "" for the main window and windows the help has no section for.
QString HelpSectionFor(const QWidget* window);

} // namespace ui
