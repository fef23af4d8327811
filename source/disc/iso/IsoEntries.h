// The two kinds of node in a disc image's tree: a directory and a named entry in a directory
// (a file, or the record that stands for a subdirectory).
#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace disc {

struct DirEntry;

struct FileEntry {
    std::string IsoName; // without the ";1" of a file
    QString JolietName;
    QString SourceName;     // the name it was asked to have
    std::string SourcePath; // empty for directories and files taken over from the disc
    bool Imported = false;  // Extent is an address on the disc already
    bool Hidden = false;
    std::int64_t Date = 0;    // seconds since 1970 UTC
    std::uint64_t Size = 0;   // bytes (files)
    std::uint32_t Extent = 0; // absolute sector; new files get theirs from the layout
    DirEntry* Dir = nullptr;  // the directory this entry stands for
    bool IsDirectory() const { return Dir != nullptr; }
};

struct DirEntry {
    std::string IsoName;
    QString JolietName;
    std::int64_t Date = 0;
    DirEntry* Parent = nullptr; // the root is its own parent
    int Level = 1;
    std::vector<FileEntry*> Children; // in the order of adding
    QHash<QString, FileEntry*> ByKey; // NameKey(JolietName) -> child
    std::unordered_set<std::string> IsoNames;
    // Set by the layout: the children in ECMA-119 order for each tree, sizes and addresses.
    std::vector<FileEntry*> IsoOrder, JolietOrder;
    std::uint32_t IsoBytes = 0, JolietBytes = 0;
    std::uint32_t IsoExtent = 0, JolietExtent = 0;
    int IsoNumber = 0, JolietNumber = 0;
};

} // namespace disc
