// Fuzzes the language-file parser: any bytes give exactly the full table and a flag for every
// key, with no separator byte inside a text, no blank at the start of a text, and no text for a
// key the file does not hold.
#include "base/Language.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const auto lines = base::SplitLines(content);
    if (lines.empty())
        return 0;
    std::vector<bool> found;
    const auto table = base::ParseLanguageLines(lines, &found);
    if (table.size() != static_cast<std::size_t>(base::kLanguageKeys) ||
        found.size() != table.size())
        std::abort();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string& text = table[i];
        if (!found[i] && !text.empty())
            std::abort();
        if (text.find('\x98') != std::string::npos)
            std::abort();
        if (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ' && text[0] != '\r')
            std::abort();
    }
    return 0;
}
