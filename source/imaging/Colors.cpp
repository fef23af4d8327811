#include "imaging/Colors.h"

#include <cstdio>

#include <QColor>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>

namespace imaging {

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// The Windows 7+ default scheme, COLOR_SCROLLBAR (0) .. COLOR_MENUBAR (30).
constexpr std::uint32_t kFallback[31] = {
    Rgb(200, 200, 200), Rgb(0, 0, 0),       Rgb(153, 180, 209), Rgb(191, 205, 219),
    Rgb(240, 240, 240), Rgb(255, 255, 255), Rgb(100, 100, 100), Rgb(0, 0, 0),
    Rgb(0, 0, 0),       Rgb(0, 0, 0),       Rgb(180, 180, 180), Rgb(244, 247, 252),
    Rgb(171, 171, 171), Rgb(0, 120, 215),   Rgb(255, 255, 255), Rgb(240, 240, 240),
    Rgb(160, 160, 160), Rgb(109, 109, 109), Rgb(0, 0, 0),       Rgb(0, 0, 0),
    Rgb(255, 255, 255), Rgb(105, 105, 105), Rgb(227, 227, 227), Rgb(0, 0, 0),
    Rgb(255, 255, 225), Rgb(0, 0, 0),       Rgb(0, 102, 204),   Rgb(185, 209, 234),
    Rgb(215, 228, 242), Rgb(0, 120, 215),   Rgb(240, 240, 240)};

bool PaletteRole(int index, QPalette::ColorRole& role) {
    switch (index) {
    case 4:  // COLOR_MENU
    case 30: // COLOR_MENUBAR
        role = QPalette::Window;
        return true;
    case 5: // COLOR_WINDOW
        role = QPalette::Base;
        return true;
    case 7: // COLOR_MENUTEXT
    case 8: // COLOR_WINDOWTEXT
        role = QPalette::WindowText;
        return true;
    case 13: // COLOR_HIGHLIGHT
    case 29: // COLOR_MENUHILIGHT
        role = QPalette::Highlight;
        return true;
    case 14: // COLOR_HIGHLIGHTTEXT
        role = QPalette::HighlightedText;
        return true;
    case 15: // COLOR_BTNFACE
        role = QPalette::Button;
        return true;
    case 16: // COLOR_BTNSHADOW
        role = QPalette::Mid;
        return true;
    case 18: // COLOR_BTNTEXT
        role = QPalette::ButtonText;
        return true;
    case 20: // COLOR_BTNHIGHLIGHT
        role = QPalette::Light;
        return true;
    case 21: // COLOR_3DDKSHADOW
        role = QPalette::Shadow;
        return true;
    case 22: // COLOR_3DLIGHT
        role = QPalette::Midlight;
        return true;
    case 23: // COLOR_INFOTEXT
        role = QPalette::ToolTipText;
        return true;
    case 24: // COLOR_INFOBK
        role = QPalette::ToolTipBase;
        return true;
    default:
        return false;
    }
}

} // namespace

std::uint32_t FallbackSystemColor(int index) {
    if (index < 0 || index > 30)
        return 0;
    return kFallback[index];
}

std::uint32_t ResolveColor(std::int32_t color) {
    const auto c = static_cast<std::uint32_t>(color);
    if ((c >> 24) != 0xFF)
        return c & 0x00FFFFFF;
    const int index = static_cast<int>(c & 0xFF);
    QPalette::ColorRole role;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
        PaletteRole(index, role)) {
        const QColor q = QGuiApplication::palette().color(QPalette::Active, role);
        return Rgb(static_cast<std::uint32_t>(q.red()), static_cast<std::uint32_t>(q.green()),
                   static_cast<std::uint32_t>(q.blue()));
    }
    return FallbackSystemColor(index);
}

std::optional<std::int32_t> ParseRrggbb(const std::string& text) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    const unsigned long rgb = std::stoul(text, nullptr, 16);
    return static_cast<std::int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

std::string RrggbbText(std::int32_t color) {
    const auto c = static_cast<std::uint32_t>(color);
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return text;
}

} // namespace imaging
