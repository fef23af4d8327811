#include "disc/IsoImageBuilder.h"

#include "disc/IsoNames.h"
#include "disc/SectorSource.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <sys/stat.h>

namespace disc {

namespace {

std::uint64_t RoundToSector(std::uint64_t bytes) {
    return (bytes + kSectorBytes - 1) / kSectorBytes * kSectorBytes;
}

QString BaseName(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const std::size_t slash = p.rfind('/');
    return QFile::decodeName(
        QByteArray::fromStdString(slash == std::string::npos ? p : p.substr(slash + 1)));
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

QStringList PathParts(const QString& path) {
    QString p = path;
    p.replace(u'/', u'\\');
    return p.split(u'\\', Qt::SkipEmptyParts);
}

} // namespace

IsoImageBuilder::IsoImageBuilder() {
    Clear();
}

void IsoImageBuilder::Clear(std::size_t maxFiles, std::size_t maxDirs) {
    dirs_.clear();
    files_.clear();
    renames_.clear();
    header_.clear();
    maxFiles_ = maxFiles;
    maxDirs_ = maxDirs;
    addedBytes_ = 0;
    laidOut_ = false;
    prepared_ = false;
    auto root = std::make_unique<DirEntry>();
    root->IsoName = "CD_ROOT";
    root->JolietName = QStringLiteral("CD Root Directory");
    root->Date = std::time(nullptr);
    root->Parent = root.get();
    root->Level = 1;
    dirs_.push_back(std::move(root));
}

void IsoImageBuilder::Report(const std::string& text, MessageKind kind) const {
    if (OnMessage)
        OnMessage(text, kind);
}

QString IsoImageBuilder::PathOf(const DirEntry& dir) const {
    QStringList parts;
    for (const DirEntry* d = &dir; d->Parent != d; d = d->Parent)
        parts.prepend(d->JolietName);
    return QStringLiteral("\\") + parts.join(u'\\');
}

void IsoImageBuilder::NoteRename(const DirEntry& dir, const QString& from, const QString& to) {
    renames_.push_back(Rename{PathOf(dir), from, to});
    Report("NAME CHANGED FOR THE DISC: \"" + Utf8(from) + "\" IS WRITTEN AS \"" + Utf8(to) +
               "\" IN " + Utf8(PathOf(dir)),
           MessageKind::Limit);
}

FileEntry* IsoImageBuilder::Lookup(const DirEntry& dir, const QString& jolietName) const {
    return dir.ByKey.value(NameKey(jolietName), nullptr);
}

std::string IsoImageBuilder::ShortNameIn(const DirEntry& dir, const QString& longName,
                                         bool isFile) const {
    return MakeShortName(longName, isFile,
                         [&dir](const std::string& s) { return dir.IsoNames.count(s) != 0; });
}

void IsoImageBuilder::Attach(DirEntry& dir, FileEntry* entry) {
    dir.Children.push_back(entry);
    dir.ByKey.insert(NameKey(entry->JolietName), entry);
    dir.IsoNames.insert(entry->IsoName);
    laidOut_ = false;
    prepared_ = false;
}

DirEntry* IsoImageBuilder::FindDirectory(const QString& path) const {
    const DirEntry* dir = dirs_.front().get();
    for (const QString& part : PathParts(path)) {
        const FileEntry* e = Lookup(*dir, part);
        if (e == nullptr || !e->IsDirectory())
            return nullptr;
        dir = e->Dir;
    }
    return const_cast<DirEntry*>(dir);
}

DirEntry* IsoImageBuilder::ForceDirectory(const QString& path) {
    DirEntry* dir = &Root();
    const std::int64_t now = std::time(nullptr);
    for (const QString& part : PathParts(path)) {
        dir = AddDirectory(*dir, part, now);
        if (dir == nullptr)
            return nullptr;
    }
    return dir;
}

DirEntry* IsoImageBuilder::AddDirectory(DirEntry& parent, const QString& name, std::int64_t date,
                                        bool imported) {
    const int units = imported ? std::max(JolietNameUnits, kJolietLongNameUnits) : JolietNameUnits;
    const QString clean = CleanJolietName(name, units);
    FileEntry* existing = Lookup(parent, clean);
    if (existing != nullptr && existing->IsDirectory() &&
        (clean == name || existing->SourceName == name))
        return existing->Dir;
    AddDirRequest request{name, date, false};
    if (OnAddDir) {
        OnAddDir(request);
        if (request.Skip)
            return nullptr;
    }
    if (dirs_.size() - 1 >= maxDirs_) {
        Report(">>> MAXIMUM DIRECTORIES CAN BE " + std::to_string(maxDirs_), MessageKind::Limit);
        return nullptr;
    }
    if (files_.size() >= maxFiles_) {
        Report("MAXIMUM FILES CAN BE " + std::to_string(maxFiles_), MessageKind::Limit);
        return nullptr;
    }
    const QString finalName = UniqueJolietName(
        clean, units, [&parent](const QString& k) { return parent.ByKey.contains(k); });
    if (finalName != name)
        NoteRename(parent, name, finalName);

    auto dir = std::make_unique<DirEntry>();
    dir->IsoName = ShortNameIn(parent, finalName, false);
    dir->JolietName = finalName;
    dir->Date = request.Date;
    dir->Parent = &parent;
    dir->Level = parent.Level + 1;
    auto entry = std::make_unique<FileEntry>();
    entry->IsoName = dir->IsoName;
    entry->JolietName = finalName;
    entry->SourceName = name;
    entry->Date = request.Date;
    entry->Imported = imported; // taken over from the disc, not new content
    entry->Dir = dir.get();
    Attach(parent, entry.get());
    files_.push_back(std::move(entry));
    dirs_.push_back(std::move(dir));
    return dirs_.back().get();
}

InsertResult IsoImageBuilder::InsertFile(const QString& destDir, const std::string& sourcePath,
                                         bool mirrorFolders) {
    DirEntry* dir = nullptr;
    if (mirrorFolders) {
        const std::string folder = std::filesystem::path(sourcePath).parent_path().string();
        dir =
            ForceDirectory(destDir + u'\\' + QFile::decodeName(QByteArray::fromStdString(folder)));
    } else {
        dir = FindDirectory(destDir);
    }
    if (dir == nullptr) {
        Report("INVALID DESTINATION PATH", MessageKind::Error);
        return InsertResult::BadDestination;
    }
    return AddFile(*dir, sourcePath);
}

InsertResult IsoImageBuilder::AddFile(DirEntry& dir, const std::string& sourcePath) {
    struct stat st {};
    if (::stat(sourcePath.c_str(), &st) != 0)
        return InsertResult::SourceMissing;
    if (!S_ISREG(st.st_mode)) {
        Report("NOT A FILE: " + sourcePath, MessageKind::Error);
        return InsertResult::Refused;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > kMaxFileBytes) {
        Report("FILE OF 4 GB OR MORE CANNOT BE WRITTEN: " + sourcePath, MessageKind::Error);
        return InsertResult::Refused;
    }
    AddFileRequest request;
    request.LongName = BaseName(sourcePath);
    request.ShortName = ShortNameIn(dir, request.LongName, true);
    request.Date = st.st_mtime;
    const QString askedLong = request.LongName;
    const std::string askedShort = request.ShortName;
    if (OnAddFile) {
        OnAddFile(request);
        if (request.Skip)
            return InsertResult::Refused;
    }
    const QString clean = CleanJolietName(request.LongName, JolietNameUnits);
    FileEntry* existing = Lookup(dir, clean);
    if (existing != nullptr &&
        (clean == request.LongName || existing->SourceName == request.LongName)) {
        if (existing->IsDirectory() || !ReplaceFile) {
            Report("ALREADY IN THE IMAGE: " + Utf8(PathOf(dir)) + "\\" + Utf8(clean),
                   MessageKind::Limit);
            return InsertResult::Refused;
        }
        if (!existing->Imported)
            addedBytes_ -= RoundToSector(existing->Size);
        existing->SourcePath = sourcePath;
        existing->Imported = false;
        existing->Size = size;
        existing->Extent = 0;
        existing->Date = request.Date;
        addedBytes_ += RoundToSector(size);
        laidOut_ = false;
        prepared_ = false;
        return InsertResult::Added;
    }
    if (files_.size() >= maxFiles_) {
        Report("MAXIMUM FILES CAN BE " + std::to_string(maxFiles_), MessageKind::Limit);
        return InsertResult::Refused;
    }
    const QString finalName = UniqueJolietName(
        clean, JolietNameUnits, [&dir](const QString& k) { return dir.ByKey.contains(k); });
    if (finalName != request.LongName)
        NoteRename(dir, request.LongName, finalName);
    // A short name the caller did not choose follows the long name it ends up with; one the
    // caller chose is still made legal and unique.
    std::string shortName = request.ShortName;
    if (shortName == askedShort && finalName != askedLong)
        shortName = ShortNameIn(dir, finalName, true);
    else if (shortName != askedShort)
        shortName = ShortNameIn(dir, QString::fromStdString(shortName), true);

    auto entry = std::make_unique<FileEntry>();
    entry->IsoName = shortName;
    entry->JolietName = finalName;
    entry->SourceName = request.LongName;
    entry->SourcePath = sourcePath;
    entry->Date = request.Date;
    entry->Size = size;
    Attach(dir, entry.get());
    files_.push_back(std::move(entry));
    addedBytes_ += RoundToSector(size);
    return InsertResult::Added;
}

bool IsoImageBuilder::AddImportedFile(DirEntry& dir, const QString& name, std::int64_t date,
                                      bool hidden, std::uint32_t extent, std::uint32_t size) {
    // Names already on a disc may use the longer Joliet limit; they stay as they were.
    const int units = std::max(JolietNameUnits, kJolietLongNameUnits);
    const QString clean = CleanJolietName(name, units);
    FileEntry* existing = Lookup(dir, clean);
    if (existing != nullptr && (clean == name || existing->SourceName == name)) {
        Report("REPLACED BY THE NEW ENTRY: " + Utf8(PathOf(dir)) + "\\" + Utf8(clean),
               MessageKind::Info);
        return false;
    }
    if (files_.size() >= maxFiles_) {
        Report("MAXIMUM FILES CAN BE " + std::to_string(maxFiles_), MessageKind::Limit);
        return false;
    }
    const QString finalName =
        UniqueJolietName(clean, units, [&dir](const QString& k) { return dir.ByKey.contains(k); });
    if (finalName != name)
        NoteRename(dir, name, finalName);
    auto entry = std::make_unique<FileEntry>();
    entry->IsoName = ShortNameIn(dir, finalName, true);
    entry->JolietName = finalName;
    entry->SourceName = name;
    entry->Imported = true;
    entry->Hidden = hidden;
    entry->Date = date;
    entry->Size = size;
    entry->Extent = size == 0 ? 0 : extent;
    Attach(dir, entry.get());
    files_.push_back(std::move(entry));
    return true;
}

} // namespace disc
