// The layout half of the image builder: the order of every directory, the sizes of directory
// extents and path tables, the path-table numbers and every sector address.
#include "disc/iso/IsoImageBuilder.h"

#include "disc/iso/IsoNames.h"
#include "disc/iso/SectorSource.h"

#include <algorithm>

namespace disc {

namespace {

std::u16string IsoId(const FileEntry& e) {
    return Units(e.IsoName);
}
std::u16string JolietId(const FileEntry& e) {
    return Units(e.JolietName);
}

// Record length of a child: 33 bytes, the identifier (";1" after a file), and a pad byte that
// keeps every record an even length.
std::uint32_t IsoRecordBytes(const FileEntry& e) {
    const std::size_t n = e.IsoName.size() + (e.IsDirectory() ? 0 : 2);
    return static_cast<std::uint32_t>(33 + n + (n % 2 == 0 ? 1 : 0));
}
std::uint32_t JolietRecordBytes(const FileEntry& e) {
    const std::size_t units =
        static_cast<std::size_t>(e.JolietName.size()) + (e.IsDirectory() ? 0 : 2);
    return static_cast<std::uint32_t>(33 + 2 * units + 1);
}

// Bytes of a directory extent: "." and ".." first, no record crossing a sector boundary.
template <typename RecordBytes>
std::uint32_t ExtentBytes(const std::vector<FileEntry*>& order, RecordBytes recordBytes) {
    std::uint32_t sectors = 1;
    std::uint32_t used = 68;
    for (const FileEntry* e : order) {
        const std::uint32_t len = recordBytes(*e);
        if (used + len > kSectorBytes) {
            ++sectors;
            used = 0;
        }
        used += len;
    }
    return sectors * kSectorBytes;
}

std::uint32_t Sectors(std::uint64_t bytes) {
    return static_cast<std::uint32_t>((bytes + kSectorBytes - 1) / kSectorBytes);
}

// Directories level by level; within a level by parent number, then by identifier. Each level
// follows from the one above, whose numbers are already final.
std::vector<DirEntry*> PathOrder(DirEntry* root, std::vector<FileEntry*> DirEntry::*order) {
    std::vector<DirEntry*> list{root};
    std::size_t begin = 0;
    while (begin < list.size()) {
        const std::size_t end = list.size();
        for (std::size_t i = begin; i < end; ++i) {
            for (FileEntry* child : list[i]->*order) {
                if (child->IsDirectory())
                    list.push_back(child->Dir);
            }
        }
        begin = end;
    }
    return list;
}

} // namespace

void IsoImageBuilder::SizeDirectories() {
    for (auto& d : dirs_) {
        d->IsoOrder = d->Children;
        d->JolietOrder = d->Children;
        std::stable_sort(d->IsoOrder.begin(), d->IsoOrder.end(),
                         [](const FileEntry* a, const FileEntry* b) {
                             return IdentifierLess(IsoId(*a), IsoId(*b));
                         });
        std::stable_sort(d->JolietOrder.begin(), d->JolietOrder.end(),
                         [](const FileEntry* a, const FileEntry* b) {
                             return IdentifierLess(JolietId(*a), JolietId(*b));
                         });
        d->IsoBytes = ExtentBytes(d->IsoOrder, IsoRecordBytes);
        d->JolietBytes = ExtentBytes(d->JolietOrder, JolietRecordBytes);
    }
}

void IsoImageBuilder::NumberDirectories() {
    isoPathOrder_ = PathOrder(&Root(), &DirEntry::IsoOrder);
    jolietPathOrder_ = PathOrder(&Root(), &DirEntry::JolietOrder);
    std::uint32_t isoBytes = 0;
    std::uint32_t jolietBytes = 0;
    for (std::size_t i = 0; i < isoPathOrder_.size(); ++i) {
        DirEntry* d = isoPathOrder_[i];
        d->IsoNumber = static_cast<int>(i + 1);
        const std::size_t n = i == 0 ? 1 : d->IsoName.size();
        isoBytes += static_cast<std::uint32_t>(8 + n + (n % 2));
    }
    for (std::size_t i = 0; i < jolietPathOrder_.size(); ++i) {
        DirEntry* d = jolietPathOrder_[i];
        d->JolietNumber = static_cast<int>(i + 1);
        jolietBytes += i == 0 ? 10u : static_cast<std::uint32_t>(8 + 2 * d->JolietName.size());
    }
    layout_.IsoPathBytes = isoBytes;
    layout_.JolietPathBytes = JolietFileSystem ? jolietBytes : 0;
}

void IsoImageBuilder::ComputeLayout(std::uint32_t start) {
    SizeDirectories();
    NumberDirectories();
    IsoLayout& l = layout_;
    l.Start = start;
    l.Primary = start + 16;
    std::uint32_t next = l.Primary + 1;
    l.Supplementary = JolietFileSystem ? next++ : 0;
    l.Terminator = next++;
    l.IsoPathSectors = Sectors(l.IsoPathBytes);
    l.IsoPathL = next;
    l.IsoPathM = next + l.IsoPathSectors;
    next += 2 * l.IsoPathSectors;
    l.JolietPathSectors = JolietFileSystem ? Sectors(l.JolietPathBytes) : 0;
    l.JolietPathL = JolietFileSystem ? next : 0;
    l.JolietPathM = JolietFileSystem ? next + l.JolietPathSectors : 0;
    next += 2 * l.JolietPathSectors;
    l.IsoDirs = next;
    for (auto& d : dirs_) {
        d->IsoExtent = next;
        next += d->IsoBytes / kSectorBytes;
    }
    l.JolietDirs = next;
    if (JolietFileSystem) {
        for (auto& d : dirs_) {
            d->JolietExtent = next;
            next += d->JolietBytes / kSectorBytes;
        }
    }
    l.DirsEnd = next;
    l.FirstFile = std::max<std::uint32_t>(150, next);
    std::uint64_t file = l.FirstFile;
    for (auto& f : files_) {
        if (f->IsDirectory() || f->Imported)
            continue;
        if (f->Size == 0) {
            f->Extent = 0;
            continue;
        }
        f->Extent = static_cast<std::uint32_t>(std::min<std::uint64_t>(file, 0xFFFFFFFFu));
        file += Sectors(f->Size);
    }
    tooLarge_ = file > 0xFFFFFFFFu;
    l.VolumeSectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(file, 0xFFFFFFFFu));
    laidOut_ = true;
    prepared_ = false;
}

std::int64_t IsoImageBuilder::TrackSectors() const {
    const std::int64_t sectors =
        static_cast<std::int64_t>(layout_.VolumeSectors) - static_cast<std::int64_t>(layout_.Start);
    return WritePostGap ? std::max<std::int64_t>(sectors, 300) : sectors;
}

} // namespace disc
