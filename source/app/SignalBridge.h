// Turns SIGTERM, SIGINT and SIGHUP into a normal close of the main window (a running job is asked
// to stop first), so `kill`, Ctrl+C and the end of a session remove the working copies. The
// handler only writes the signal's number to a pipe; the window learns of it on its own thread.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace ui {

class SignalBridge final : public QObject {
    Q_OBJECT

public:
    // onSignal runs on the interface thread for each signal that arrives.
    SignalBridge(std::function<void(int)> onSignal, QObject* parent = nullptr);
    // Restores the signals' default handling.
    ~SignalBridge() override;
    SignalBridge(const SignalBridge&) = delete;
    SignalBridge& operator=(const SignalBridge&) = delete;

    // False when the pipe or the handlers could not be set up (the signals then end the
    // program as before).
    bool Installed() const { return installed_; }

private:
    void Deliver();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
};

} // namespace ui
