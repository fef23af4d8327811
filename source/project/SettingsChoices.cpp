#include "project/SettingsChoices.h"

#include "base/CodePage.h"
#include "base/Language.h"
#include "project/ShowContent.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace project {

QStringList ResolutionChoices() {
    // The newer sizes follow the first four, so the index of every older entry stays.
    return {QStringLiteral("800x600"),   QStringLiteral("1024x768"), QStringLiteral("1280x1024"),
            QStringLiteral("1600x1200"), QStringLiteral("1280x720"), QStringLiteral("1920x1080"),
            QStringLiteral("2560x1440"), QStringLiteral("3840x2160")};
}

ResolutionList ResolutionChoicesFor(const std::string& showResolution, int screenWidth,
                                    int screenHeight) {
    ResolutionList list{ResolutionChoices(), 0};
    const auto entry = [&list](int width, int height) {
        const QString text = QStringLiteral("%1x%2").arg(width).arg(height);
        int i = int(list.Entries.indexOf(text));
        if (i < 0) {
            list.Entries << text;
            i = int(list.Entries.size()) - 1;
        }
        return i;
    };
    PhotoSettings show;
    show.Resolution = showResolution;
    int width = 0;
    int height = 0;
    show.Size(width, height);
    list.Selected = entry(width, height);
    if (screenWidth > 0 && screenHeight > 0)
        entry(screenWidth, screenHeight);
    return list;
}

QStringList LanguageFileNames(const QString& folder) {
    if (folder.isEmpty())
        return {};
    // Ordinary, hidden and system files; never folders. The name filter ignores letter case.
    QStringList names = QDir(folder).entryList({QStringLiteral("*.lng")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString LanguageNameOf(const QString& path) {
    const auto table = base::ReadLanguageTable(path);
    const QString fileName = QFileInfo(path).fileName();
    if (!table || table->size() < static_cast<std::size_t>(base::kLanguageNameKey))
        return fileName;
    // A name is one line of text; a "\n" in it would break the list entry.
    const QString name = base::FromCp1251((*table)[base::kLanguageNameKey - 1]).simplified();
    return name.isEmpty() ? fileName : name;
}

std::vector<LanguageChoice> LanguageChoices(const QString& folder) {
    std::vector<LanguageChoice> choices;
    const QString base = folder.endsWith('/') ? folder : folder + '/';
    for (const QString& file : LanguageFileNames(folder))
        choices.push_back({file, LanguageNameOf(base + file)});
    std::vector<bool> shared(choices.size(), false);
    for (std::size_t i = 0; i < choices.size(); ++i)
        for (std::size_t j = 0; j < choices.size(); ++j)
            if (i != j && choices[i].Name.compare(choices[j].Name, Qt::CaseInsensitive) == 0)
                shared[i] = true;
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (shared[i] && choices[i].Name != choices[i].File)
            choices[i].Name += QStringLiteral(" (") + choices[i].File + ')';
    return choices;
}

int FindLanguageFile(const QStringList& names, const QString& name) {
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString LanguageFileToLoad(const QString& folder, bool fromFile, const QString& selected) {
    if (fromFile)
        return selected.isEmpty() ? QString() : folder + selected;
    const QString english = folder + QStringLiteral("english.lng");
    return QFileInfo(english).isFile() ? english : QString();
}

} // namespace project
