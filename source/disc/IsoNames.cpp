#include "disc/IsoNames.h"

#include <algorithm>

namespace disc {

namespace {

// One character of a short name: letters upper-cased, digits and "_" kept, everything else
// (punctuation, letters outside A-Z) becomes "_". Returns 0 for characters that are dropped.
char ShortChar(char16_t c, bool& lossy) {
    if (c >= u'a' && c <= u'z')
        return static_cast<char>(c - u'a' + 'A');
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_')
        return static_cast<char>(c);
    lossy = true;
    if (c == u' ' || c == u'.')
        return 0;
    return '_';
}

std::string ShortPart(const QString& text, bool& lossy) {
    std::string out;
    for (QChar q : text) {
        if (const char c = ShortChar(q.unicode(), lossy))
            out.push_back(c);
    }
    return out;
}

bool IsForbiddenInJoliet(char16_t c) {
    return c < 0x20 || c == u'*' || c == u'/' || c == u':' || c == u';' || c == u'?' || c == u'\\';
}

// The stem of a name cut to at most `units` UTF-16 units, never between the halves of a pair.
QString CutUnits(const QString& text, qsizetype units) {
    if (text.size() <= units)
        return text;
    if (units <= 0)
        return QString();
    if (text.at(units - 1).isHighSurrogate())
        --units;
    return text.left(units);
}

// Where the extension starts (the last "."), or size() when the name has none worth keeping.
qsizetype ExtensionStart(const QString& name, int maxUnits) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return name.size();
    // A long "extension" (over 16 units, or half the limit) is part of the name, not kept whole.
    const qsizetype extUnits = name.size() - dot;
    if (extUnits > 16 || extUnits >= maxUnits / 2)
        return name.size();
    return dot;
}

int ComparePadded(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = i < a.size() ? a[i] : u' ';
        const char16_t y = i < b.size() ? b[i] : u' ';
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace

std::string MakeShortName(const QString& longName, bool isFile,
                          const std::function<bool(const std::string&)>& taken) {
    QString stemText = longName;
    QString extText;
    if (isFile) {
        const qsizetype dot = longName.lastIndexOf(u'.');
        if (dot > 0) {
            stemText = longName.left(dot);
            extText = longName.mid(dot + 1);
        } else if (dot == 0) {
            stemText = longName.mid(1); // ".profile": the name is what follows the dot
        }
    }
    bool lossy = false;
    std::string stem = ShortPart(stemText, lossy);
    std::string ext = ShortPart(extText, lossy);
    if (stem.size() > 8 || ext.size() > 3)
        lossy = true;
    if (ext.size() > 3)
        ext.resize(3);
    if (stem.empty()) {
        stem.assign(1, '_');
        lossy = true;
    }
    auto compose = [&](const std::string& base) { return isFile ? base + "." + ext : base; };
    if (!lossy) {
        const std::string plain = compose(stem);
        if (!taken(plain))
            return plain;
    }
    // NAME~N: the tail grows as N does, taking characters from the name, as short names do.
    for (unsigned n = 1; n < 10000000; ++n) {
        std::string tail = std::to_string(n);
        tail.insert(tail.begin(), '~');
        const std::size_t keep = std::min(stem.size(), 8 - tail.size());
        const std::string candidate = compose(stem.substr(0, keep) + tail);
        if (!taken(candidate))
            return candidate;
    }
    return compose(stem.substr(0, 8)); // unreachable with the entry limits of an image
}

QString CleanJolietName(const QString& name, int maxUnits) {
    QString clean = name;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const QChar c = clean.at(i);
        if (IsForbiddenInJoliet(c.unicode())) {
            clean[i] = u'_';
        } else if (c.isHighSurrogate() && i + 1 < clean.size() &&
                   clean.at(i + 1).isLowSurrogate()) {
            ++i; // a whole pair
        } else if (c.isSurrogate()) {
            clean[i] = u'_'; // half of a pair: not a character any reader can show
        }
    }
    // "." and ".." name the directory itself and its parent in every reader.
    if (clean.isEmpty() || clean == u"." || clean == u"..")
        clean = QStringLiteral("_");
    if (clean.size() <= maxUnits)
        return clean;
    const qsizetype extStart = ExtensionStart(clean, maxUnits);
    const QString ext = clean.mid(extStart);
    return CutUnits(clean.left(extStart), maxUnits - ext.size()) + ext;
}

QString UniqueJolietName(const QString& clean, int maxUnits,
                         const std::function<bool(const QString&)>& taken) {
    if (!taken(NameKey(clean)))
        return clean;
    const qsizetype extStart = ExtensionStart(clean, maxUnits);
    const QString stem = clean.left(extStart);
    const QString ext = clean.mid(extStart);
    for (unsigned n = 1; n < 10000000; ++n) {
        const QString tail = QStringLiteral("~%1").arg(n);
        const QString candidate = CutUnits(stem, maxUnits - ext.size() - tail.size()) + tail + ext;
        if (!taken(NameKey(candidate)))
            return candidate;
    }
    return clean; // unreachable with the entry limits of an image
}

bool IdentifierLess(const std::u16string& a, const std::u16string& b) {
    const std::u16string_view av(a);
    const std::u16string_view bv(b);
    const std::size_t ad = av.rfind(u'.');
    const std::size_t bd = bv.rfind(u'.');
    const std::u16string_view an = ad == std::u16string_view::npos ? av : av.substr(0, ad);
    const std::u16string_view bn = bd == std::u16string_view::npos ? bv : bv.substr(0, bd);
    const std::u16string_view ae = ad == std::u16string_view::npos ? u"" : av.substr(ad + 1);
    const std::u16string_view be = bd == std::u16string_view::npos ? u"" : bv.substr(bd + 1);
    if (const int c = ComparePadded(an, bn))
        return c < 0;
    return ComparePadded(ae, be) < 0;
}

std::u16string Units(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

std::u16string Units(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace disc
