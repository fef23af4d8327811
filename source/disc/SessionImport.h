// Taking over the file tree of the newest session on a disc, so that a new session lists the
// old files too (they stay where they are on the disc). Disc contents are outside input: every
// length and address is checked before it is used, and a tree that loops, reaches beyond the
// disc or breaks its records is refused as a whole.
#pragma once

#include "base/Result.h"
#include "disc/IsoImageBuilder.h"
#include "disc/SectorSource.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace disc {

// One name of the session's tree; directories come before their contents.
struct ImportedEntry {
    int Parent = -1; // index of the directory's entry, -1 for the root
    bool Directory = false;
    QString Name;
    std::int64_t Date = 0;
    bool Hidden = false;
    std::uint32_t Extent = 0;
    std::uint32_t Size = 0;
};

struct ImportedTree {
    bool Joliet = false; // read from the Joliet tree (else the ISO 9660 one)
    std::vector<ImportedEntry> Entries;
};

struct ImportLimits {
    int MaxDepth = 64;
    std::uint32_t MaxDirectoryBytes = 32u << 20;
    std::size_t MaxDirectories = 8191;
    std::size_t MaxEntries = 65535;
};

// Reads the tree of the newest session: the Joliet tree when the session has one, else the
// ISO 9660 tree. Names that cannot be taken over are reported and left out.
base::Result<ImportedTree> ReadSessionTree(SectorSource& source, const ImportLimits& limits,
                                           const MessageSink& report);

// Reads the newest session and adds its tree to the builder under target (the root when null).
// Entries already in the builder win over old ones of the same name. On failure nothing is added.
base::Status ImportSession(IsoImageBuilder& builder, SectorSource& source,
                           DirEntry* target = nullptr, const ImportLimits& limits = {});

} // namespace disc
