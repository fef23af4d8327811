// Taking over the file tree of the newest session on a disc, so that a new session lists the
// old files too (they stay where they are on the disc). Disc contents are outside input: every
// length and address is checked before it is used, and a tree that loops, reaches beyond the
// disc or breaks its records is refused as a whole.
#pragma once

#include "base/Job.h"
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
    // Asked between directories; a stop request ends the import with "OPERATION ABORTED BY USER".
    const base::Progress* Stop = nullptr;
};

// Besides the limits, the work a tree may cost is bounded by the disc itself: the sectors read
// (descriptors and directories) at most the sectors the disc holds, read once, and the records
// parsed at most as many as those sectors can hold. A tree whose directories claim the same
// sectors over and over is refused with a message instead of being read for minutes.

// Reads the tree of the newest session: the Joliet tree when the session has one, else the
// ISO 9660 tree. Names that cannot be taken over ("." and "..", empty names) are reported and
// left out; names a Joliet reader refuses (unpaired surrogates, a name that differs from a
// sibling's only in case) are renamed and reported.
base::Result<ImportedTree> ReadSessionTree(SectorSource& source, const ImportLimits& limits,
                                           const MessageSink& report);

// Reads the newest session and adds its tree to the builder under target (the root when null).
// Entries already in the builder win over old ones of the same name. On failure nothing is added.
base::Status ImportSession(IsoImageBuilder& builder, SectorSource& source,
                           DirEntry* target = nullptr, const ImportLimits& limits = {});

} // namespace disc
