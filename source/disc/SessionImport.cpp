#include "disc/SessionImport.h"

#include "disc/IsoDates.h"
#include "disc/IsoFormat.h"

#include "disc/IsoNames.h"

#include <QSet>

#include <cstring>
#include <unordered_set>

namespace disc {

namespace {

constexpr std::uint32_t kDescriptorSectors = 21; // session start + 16 .. + 36
constexpr std::size_t kMaxNameBytes = 214;
constexpr std::uint64_t kRecordsPerSector = kSectorBytes / 34; // the shortest record is 34 bytes
constexpr char kOverBudget[] = "THE SESSION'S DIRECTORIES CLAIM MORE THAN THE DISC HOLDS";

std::string Hex(std::uint32_t v) {
    return std::to_string(v);
}

bool IsJolietEscape(const std::uint8_t* esc) {
    return esc[0] == 0x25 && esc[1] == 0x2F && (esc[2] == 0x40 || esc[2] == 0x43 || esc[2] == 0x45);
}

struct RootRecord {
    std::uint32_t extent = 0;
    std::uint32_t bytes = 0;
};

// The name of a record as readers show it: the version (";1") and a trailing "." dropped.
QString RecordName(const std::uint8_t* bytes, std::size_t n, bool joliet, bool directory) {
    QString name;
    if (joliet) {
        name.reserve(static_cast<qsizetype>(n / 2));
        for (std::size_t i = 0; i + 1 < n; i += 2)
            name.append(QChar(base::LoadBE<std::uint16_t>(bytes + i)));
    } else {
        name = QString::fromLatin1(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(n));
    }
    const qsizetype semicolon = name.indexOf(u';');
    if (semicolon >= 0)
        name.truncate(semicolon);
    if (!directory) {
        while (name.endsWith(u'.'))
            name.chop(1);
    }
    return name;
}

class TreeReader {
public:
    TreeReader(SectorSource& source, const ImportLimits& limits, const MessageSink& report)
        : source_(source), limits_(limits), report_(report), sectorsLeft_(source.SectorCount()),
          recordsLeft_(std::uint64_t{source.SectorCount()} * kRecordsPerSector) {}

    base::Result<ImportedTree> Read();

private:
    struct Pending {
        std::uint32_t extent;
        std::uint32_t bytes;
        int entry; // -1: the root
        int depth;
        QString path;
    };

    void Say(const std::string& text, MessageKind kind) const {
        if (report_)
            report_(text, kind);
    }
    base::Result<RootRecord> FindRoot(std::uint32_t start, bool& joliet);
    base::Status ReadDirectory(const Pending& dir, std::vector<Pending>& stack);

    // Takes `sectors` from the read budget; false once it is spent.
    bool ChargeSectors(std::uint32_t sectors) {
        if (sectors > sectorsLeft_)
            return false;
        sectorsLeft_ -= sectors;
        return true;
    }

    SectorSource& source_;
    const ImportLimits& limits_;
    const MessageSink& report_;
    ImportedTree tree_;
    std::unordered_set<std::uint32_t> visited_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t sectorsLeft_;
    std::uint64_t recordsLeft_;
};

base::Result<RootRecord> TreeReader::FindRoot(std::uint32_t start, bool& joliet) {
    const std::uint32_t total = source_.SectorCount();
    if (start > total || total - start <= 16)
        return base::Fail(">>> ERROR IMPORTING SESSION AT SECTOR " + Hex(start) +
                          " (ISO IMAGE NOT FOUND)");
    const std::uint32_t count = std::min(kDescriptorSectors, total - start - 16);
    if (!ChargeSectors(count))
        return base::Fail(">>> ERROR IMPORTING SESSION AT SECTOR " + Hex(start) + ": " +
                          kOverBudget);
    std::vector<std::uint8_t> sectors(static_cast<std::size_t>(count) * kSectorBytes);
    if (auto read = source_.Read(start + 16, count, sectors.data()); !read)
        return base::Fail(">>> ERROR IMPORTING SESSION AT SECTOR " + Hex(start) + ": " +
                          read.error());
    for (const bool wantJoliet : {true, false}) {
        for (std::uint32_t i = 0; i < count; ++i) {
            iso::VolumeDescriptor v;
            std::memcpy(&v, sectors.data() + static_cast<std::size_t>(i) * kSectorBytes, sizeof v);
            if (std::memcmp(v.id, "CD001", 5) != 0)
                continue;
            if (v.type == iso::kTerminator)
                break;
            const bool match = wantJoliet
                                   ? v.type == iso::kSupplementary && IsJolietEscape(v.escapes)
                                   : v.type == iso::kPrimary;
            if (!match)
                continue;
            iso::DirRecordHead root;
            std::memcpy(&root, v.root, sizeof root);
            if (root.length < 34 || !(root.flags & iso::kFlagDirectory))
                return base::Fail(">>> ERROR IMPORTING SESSION AT SECTOR " + Hex(start) +
                                  ": THE ROOT RECORD IS DAMAGED");
            joliet = wantJoliet;
            return RootRecord{root.extent.le, root.dataLength.le};
        }
    }
    return base::Fail(">>> ERROR IMPORTING SESSION AT SECTOR " + Hex(start) +
                      " (ISO IMAGE NOT FOUND)");
}

base::Status TreeReader::ReadDirectory(const Pending& dir, std::vector<Pending>& stack) {
    const std::string where = " IN \"" + dir.path.toStdString() + "\"";
    if (dir.bytes == 0 || dir.bytes > limits_.MaxDirectoryBytes)
        return base::Fail("DIRECTORY OF " + Hex(dir.bytes) + " BYTES REFUSED" + where);
    const std::uint32_t sectors = (dir.bytes + kSectorBytes - 1) / kSectorBytes;
    if (dir.extent >= source_.SectorCount() || sectors > source_.SectorCount() - dir.extent)
        return base::Fail("DIRECTORY EXTENT BEYOND THE END OF THE DISC" + where);
    if (!visited_.insert(dir.extent).second)
        return base::Fail("DIRECTORY POINTS AT ITSELF, AN ANCESTOR OR ANOTHER DIRECTORY" + where);
    if (visited_.size() > limits_.MaxDirectories)
        return base::Fail("MORE THAN " + std::to_string(limits_.MaxDirectories) + " DIRECTORIES");
    if (!ChargeSectors(sectors))
        return base::Fail(kOverBudget);
    buffer_.resize(static_cast<std::size_t>(sectors) * kSectorBytes);
    if (auto read = source_.Read(dir.extent, sectors, buffer_.data()); !read)
        return base::Fail(read.error() + where);

    const bool joliet = tree_.Joliet;
    QSet<QString> siblings;  // name keys taken in this directory
    QString multiExtentName; // the parts of a file in several extents are all left out
    for (std::uint32_t s = 0; s < sectors; ++s) {
        const std::uint8_t* sector = buffer_.data() + static_cast<std::size_t>(s) * kSectorBytes;
        std::size_t pos = 0;
        while (pos < kSectorBytes && sector[pos] != 0) {
            const std::size_t len = sector[pos];
            if (len < sizeof(iso::DirRecordHead) + 1 || pos + len > kSectorBytes)
                return base::Fail("DIRECTORY RECORD OVERRUNS ITS SECTOR" + where);
            iso::DirRecordHead r;
            std::memcpy(&r, sector + pos, sizeof r);
            const std::uint8_t* nameBytes = sector + pos + sizeof r;
            const std::size_t nameLen = r.nameLength;
            pos += len;
            if (recordsLeft_ == 0)
                return base::Fail(kOverBudget);
            --recordsLeft_;
            if (sizeof r + nameLen > len)
                return base::Fail("NAME OVERRUNS ITS DIRECTORY RECORD" + where);
            if (nameLen == 1 && (nameBytes[0] == 0 || nameBytes[0] == 1))
                continue; // "." and ".."
            if (r.flags & iso::kFlagAssociated)
                continue;
            const bool isDir = (r.flags & iso::kFlagDirectory) != 0;
            if (nameLen > kMaxNameBytes) {
                Say("ERROR IMPORTING SESSION, FILE NAME LENGTH EXCEEDS 120 CHARS\n\r" +
                        RecordName(nameBytes, nameLen, joliet, isDir).toStdString(),
                    MessageKind::Error);
                continue;
            }
            QString name = RecordName(nameBytes, nameLen, joliet, isDir);
            if (joliet && nameLen % 2 != 0) {
                Say("UNREADABLE NAME LEFT OUT" + where, MessageKind::Error);
                continue;
            }
            if (name.isEmpty() || name == u"." || name == u"..") {
                // Names every reader takes for the directory itself or its parent.
                Say("NAME \"" + RecordName(nameBytes, nameLen, joliet, true).toStdString() +
                        "\" LEFT OUT" + where,
                    MessageKind::Error);
                continue;
            }
            if (!isDir && ((r.flags & iso::kFlagMultiExtent) || name == multiExtentName)) {
                if (name != multiExtentName)
                    Say("FILE IN SEVERAL EXTENTS LEFT OUT: " + name.toStdString() + where,
                        MessageKind::Error);
                multiExtentName = (r.flags & iso::kFlagMultiExtent) ? name : QString();
                continue;
            }
            if (r.unitSize != 0 || r.gapSize != 0) {
                Say("INTERLEAVED FILE LEFT OUT: " + name.toStdString() + where, MessageKind::Error);
                continue;
            }
            if (const QString clean = CleanJolietName(name, kJolietLongNameUnits);
                siblings.contains(NameKey(clean))) {
                // Two names that differ only in case: Joliet readers take them for one.
                const QString unique =
                    UniqueJolietName(clean, kJolietLongNameUnits, [&siblings](const QString& key) {
                        return siblings.contains(key);
                    });
                Say("NAME CHANGED ON IMPORT: \"" + name.toStdString() + "\" IS TAKEN OVER AS \"" +
                        unique.toStdString() + "\"" + where,
                    MessageKind::Limit);
                name = unique;
            }
            siblings.insert(NameKey(CleanJolietName(name, kJolietLongNameUnits)));
            if (tree_.Entries.size() >= limits_.MaxEntries)
                return base::Fail("MORE THAN " + std::to_string(limits_.MaxEntries) + " ENTRIES");
            ImportedEntry e;
            e.Parent = dir.entry;
            e.Directory = isDir;
            e.Name = name;
            e.Date = LoadRecordDate(r.date);
            e.Hidden = (r.flags & iso::kFlagHidden) != 0;
            e.Extent = r.extent.le;
            e.Size = r.dataLength.le;
            if (isDir) {
                if (dir.depth + 1 > limits_.MaxDepth)
                    return base::Fail("DIRECTORIES NESTED TOO DEEPLY" + where);
                stack.push_back({e.Extent, e.Size, static_cast<int>(tree_.Entries.size()),
                                 dir.depth + 1, dir.path + u'\\' + name});
            } else if (e.Size > 0) {
                const std::uint32_t fileSectors = (e.Size + kSectorBytes - 1) / kSectorBytes;
                if (e.Extent >= source_.SectorCount() ||
                    fileSectors > source_.SectorCount() - e.Extent)
                    return base::Fail("FILE \"" + name.toStdString() +
                                      "\" LIES BEYOND THE END OF THE DISC" + where);
            } else {
                e.Extent = 0;
            }
            tree_.Entries.push_back(std::move(e));
        }
    }
    return {};
}

base::Result<ImportedTree> TreeReader::Read() {
    auto start = source_.LastSessionStart();
    if (!start)
        return base::Fail(">>> ERROR IMPORTING SESSION: " + start.error());
    Say(">>> IMPORTING SESSION AT SECTOR " + Hex(*start), MessageKind::Info);
    bool joliet = false;
    auto root = FindRoot(*start, joliet);
    if (!root)
        return base::Fail(root.error());
    tree_.Joliet = joliet;
    std::vector<Pending> stack{{root->extent, root->bytes, -1, 1, QString()}};
    while (!stack.empty()) {
        if (limits_.Stop != nullptr && limits_.Stop->Cancelled())
            return base::Fail("OPERATION ABORTED BY USER");
        const Pending dir = std::move(stack.back());
        stack.pop_back();
        if (auto status = ReadDirectory(dir, stack); !status)
            return base::Fail(">>> ERROR IMPORTING SESSION AT SECTOR " + Hex(*start) + ": " +
                              status.error());
    }
    return std::move(tree_);
}

} // namespace

base::Result<ImportedTree> ReadSessionTree(SectorSource& source, const ImportLimits& limits,
                                           const MessageSink& report) {
    TreeReader reader(source, limits, report);
    return reader.Read();
}

base::Status ImportSession(IsoImageBuilder& builder, SectorSource& source, DirEntry* target,
                           const ImportLimits& limits) {
    auto tree = ReadSessionTree(source, limits, builder.OnMessage);
    if (!tree) {
        if (builder.OnMessage)
            builder.OnMessage(tree.error(), MessageKind::Error);
        return base::Fail(tree.error());
    }
    DirEntry* root = target != nullptr ? target : &builder.Root();
    std::vector<DirEntry*> dirs(tree->Entries.size(), nullptr);
    for (std::size_t i = 0; i < tree->Entries.size(); ++i) {
        const ImportedEntry& e = tree->Entries[i];
        DirEntry* parent = e.Parent < 0 ? root : dirs[static_cast<std::size_t>(e.Parent)];
        if (parent == nullptr)
            continue; // its directory was refused (a limit, or a file of that name won)
        if (e.Directory)
            dirs[i] = builder.AddDirectory(*parent, e.Name, e.Date, true);
        else
            builder.AddImportedFile(*parent, e.Name, e.Date, e.Hidden, e.Extent, e.Size);
    }
    return {};
}

} // namespace disc
