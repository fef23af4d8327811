// The app tests' waits for the main window's jobs: loads, saves, imports and probes run on the
// job runner's worker and end on the window's thread, so a test runs the event loop until they
// have ended.
#pragma once

#include "MainWindowProbe.h"
#include "app/WindowJobs.h"

#include <QTest>

#include <memory>
#include <optional>

namespace window_waits {

// Until the window's job, and whatever its end starts, is over; false on timeout.
inline bool WaitForJobs(ui::MainWindowProbe& form, int timeoutMs = 60000) {
    return QTest::qWaitFor([&form] { return !form.Jobs->Running(); }, timeoutMs);
}

// Saves to path and waits for the end: whether the show was saved.
inline bool SaveAndWait(ui::MainWindowProbe& form, const QString& path) {
    auto saved = std::make_shared<std::optional<bool>>();
    if (!form.Files->SaveProjectFile(path, [saved](bool ok) { *saved = ok; }))
        return false;
    return QTest::qWaitFor([saved] { return saved->has_value(); }, 60000) && **saved;
}

// Opens path as the open command does and waits: whether it loaded (or was cancelled).
inline bool OpenAndWait(ui::MainWindowProbe& form, const QString& path) {
    auto loaded = std::make_shared<std::optional<bool>>();
    if (!form.Files->OpenProjectFile(path, [loaded](bool ok) { *loaded = ok; }))
        return false;
    return QTest::qWaitFor([loaded] { return loaded->has_value(); }, 60000) && **loaded;
}

} // namespace window_waits
