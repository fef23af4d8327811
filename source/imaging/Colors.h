// Colours as the records store them: 0x00BBGGRR, or 0xFF0000nn naming system colour nn (Windows
// COLOR_* indexes; 0xFF00000F is the button face, the default BackColor of a slide).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace imaging {

constexpr std::int32_t kClBtnFace = static_cast<std::int32_t>(0xFF00000F);

// The plain 0x00BBGGRR value of a colour. System colours come from the application palette when
// a QGuiApplication exists, otherwise from a fixed table of the usual Windows defaults.
std::uint32_t ResolveColor(std::int32_t color);
// The fixed table alone (what ResolveColor gives without an application).
std::uint32_t FallbackSystemColor(int index);

// A colour written RRGGBB (six hexadecimal digits, as the console tool takes it) as 0x00BBGGRR;
// nothing for any other text. RrggbbText writes one back.
std::optional<std::int32_t> ParseRrggbb(const std::string& text);
std::string RrggbbText(std::int32_t color);

} // namespace imaging
