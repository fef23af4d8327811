// Fuzzes the language-file parser: any bytes give exactly the full table, with no separator byte
// inside a text and no blank at the start of a text.
#include "project/Language.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const auto lines = project::SplitLines(content);
    if (lines.empty())
        return 0;
    const auto table = project::ParseLanguageLines(lines);
    if (table.size() != static_cast<std::size_t>(project::kLanguageKeys))
        std::abort();
    for (const auto& text : table) {
        if (text.find('\x98') != std::string::npos)
            std::abort();
        if (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ' && text[0] != '\r')
            std::abort();
    }
    return 0;
}
