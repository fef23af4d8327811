// The colour words of slide records (0x00BBGGRR) as Qt colours and back, for the dialogs that
// show and pick them.
#pragma once

#include <QColor>

#include <cstdint>

namespace ui {

inline QColor ToQColor(std::int32_t value) {
    const auto c = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

inline std::int32_t FromQColor(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

} // namespace ui
