// How long work in the core reports progress and lets the user stop it. The main window's
// implementation drives the progress window and pumps events (its Cancel button sets the show's
// CancelRequested); the command-line tool draws a text bar.
#pragma once

namespace project {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void Open() {}
    virtual void SetPosition(int percent) { (void)percent; }
    // Lets pending events run (repaints, the Cancel button); called after every block.
    virtual void Pump() {}
    virtual void Close() {}
};

// Reports nothing.
class NoProgress final : public Progress {};

} // namespace project
