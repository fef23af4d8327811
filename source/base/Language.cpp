#include "base/Language.h"

#include "base/Text.h"

#include "base/CodePage.h"
#include "base/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace base {

namespace {

constexpr char kSeparator = static_cast<char>(0x98);

// The key a segment of the joined lines answers to: the segment must start with the key in
// decimal without leading zeros (as the search pattern writes it) directly followed by "=".
// Returns 0 when it answers to none.
int SegmentKey(std::string_view segment) {
    int key = 0;
    std::size_t i = 0;
    while (i < segment.size() && i < 4 && segment[i] >= '0' && segment[i] <= '9') {
        if (i == 0 && segment[i] == '0')
            return 0;
        key = key * 10 + (segment[i] - '0');
        ++i;
    }
    if (i == 0 || i > 3 || i >= segment.size() || segment[i] != '=')
        return 0;
    return key;
}

std::string CleanText(std::string_view text) {
    text = base::TrimView(text);
    const std::size_t end = text.size();
    std::string out;
    out.reserve(end);
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\\' && i + 1 < end && text[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

QString Language::Text(int key, const QString& builtin) const {
    if (!Has(key))
        return builtin;
    return base::FromCp1251(LanguageTable[static_cast<std::size_t>(key - 1)]);
}

QString Language::FileText(int key, const QString& builtin) const {
    if (!FileHolds(key))
        return builtin;
    return base::FromCp1251(LanguageTable[static_cast<std::size_t>(key - 1)]);
}

std::vector<std::string_view> SplitLines(std::string_view content) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\n' && content[i] != '\r')
            continue;
        lines.push_back(content.substr(start, i - start));
        if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        lines.push_back(content.substr(start));
    return lines;
}

std::vector<std::string> ParseLanguageLines(const std::vector<std::string_view>& lines,
                                            std::vector<bool>* found) {
    // The lines joined behind one separator each form segments between separators; a 0x98
    // inside a line splits it into more segments. For every key the segments answering to it
    // are listed in order, so the ascending search runs in one pass instead of rescanning.
    std::vector<std::string_view> segments;
    for (std::string_view line : lines) {
        std::size_t start = 0;
        for (std::size_t pos; (pos = line.find(kSeparator, start)) != std::string_view::npos;
             start = pos + 1)
            segments.push_back(line.substr(start, pos - start));
        segments.push_back(line.substr(start));
    }
    std::array<std::vector<std::uint32_t>, kLanguageKeys + 1> byKey;
    for (std::size_t i = 0; i < segments.size(); ++i)
        if (const int key = SegmentKey(segments[i]); key > 0)
            byKey[static_cast<std::size_t>(key)].push_back(static_cast<std::uint32_t>(i));

    std::vector<std::string> table;
    table.reserve(kLanguageKeys);
    if (found)
        found->assign(kLanguageKeys, false);
    std::size_t cursor = 0; // first segment the search may still find
    for (int key = 1; key <= kLanguageKeys; ++key) {
        const auto& matches = byKey[static_cast<std::size_t>(key)];
        const auto it = std::lower_bound(matches.begin(), matches.end(), cursor);
        if (it == matches.end()) {
            table.emplace_back();
            continue;
        }
        const std::string_view segment = segments[*it];
        table.push_back(CleanText(segment.substr(segment.find('=') + 1)));
        if (found)
            (*found)[static_cast<std::size_t>(key - 1)] = true;
        cursor = *it + 1;
    }
    return table;
}

Result<std::vector<std::string>> ReadLanguageTable(const QString& path, std::vector<bool>* held) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail("cannot open the language file: " + file.errorString().toStdString());
    if (file.size() > static_cast<qint64>(kMaxLanguageFileBytes))
        return Fail("the language file is too large");
    // Read at most one byte over the limit, so a file that grows meanwhile is refused too.
    const QByteArray content = file.read(static_cast<qint64>(kMaxLanguageFileBytes) + 1);
    if (file.error() != QFileDevice::NoError)
        return Fail("cannot read the language file: " + file.errorString().toStdString());
    if (static_cast<std::size_t>(content.size()) > kMaxLanguageFileBytes)
        return Fail("the language file is too large");
    const auto lines =
        SplitLines(std::string_view(content.constData(), static_cast<std::size_t>(content.size())));
    if (lines.empty())
        return Fail("the language file holds no line");
    return ParseLanguageLines(lines, held);
}

Status LoadLanguageFile(Language& language, const QString& path) {
    std::vector<bool> held;
    auto table = ReadLanguageTable(path, &held);
    if (!table)
        return Fail(table.error());
    language.LanguageTable = std::move(*table);
    language.FileKeys = std::move(held);
    language.LanguageFile = QFile::encodeName(QFileInfo(path).fileName()).toStdString();
    return {};
}

Language& AppLanguage() {
    static Language language;
    return language;
}

QString LanguageFolder() {
    return base::ProgramFolder() + QStringLiteral("language/");
}

} // namespace base
