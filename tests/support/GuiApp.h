// Text drawing (captions, titles) needs the font database of a GUI application: the core tests
// make one offscreen, once, before the first text is drawn, and end it when the tests end (left
// to the exit handlers, it would outlive parts of Qt it needs and crash on the way out).
#pragma once

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

namespace testsupport {

inline std::unique_ptr<QGuiApplication>& GuiApp() {
    static std::unique_ptr<QGuiApplication> app;
    return app;
}

class GuiAppEnd final : public ::testing::Environment {
public:
    void TearDown() override { GuiApp().reset(); }
};

inline void EnsureGuiApp() {
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "core_tests";
    static char* argv[] = {name, nullptr};
    GuiApp() = std::make_unique<QGuiApplication>(argc, argv);
    ::testing::AddGlobalTestEnvironment(new GuiAppEnd);
}

} // namespace testsupport
