// Text drawing (captions, titles) needs the font database of a GUI application: the core tests
// make one offscreen, once, before the first text is drawn.
#pragma once

#include <QGuiApplication>

#include <memory>

namespace testsupport {

inline void EnsureGuiApp() {
    static std::unique_ptr<QGuiApplication> app;
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "core_tests";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace testsupport
