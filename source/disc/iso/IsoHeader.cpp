// The head half of the image builder: volume descriptors, path tables and directory extents of
// a laid-out session, written into one buffer that starts at the session's first sector.
#include "disc/iso/IsoDates.h"
#include "disc/iso/IsoFormat.h"
#include "disc/iso/IsoImageBuilder.h"
#include "disc/iso/SectorSource.h"

#include <chrono>
#include <cstring>

namespace disc {

namespace {

// Descriptor text of the ISO volume: upper-cased, printable ASCII only, space padded.
void FillAscii(std::uint8_t* field, std::size_t n, const QString& text) {
    const QString upper = text.toUpper();
    std::memset(field, ' ', n);
    for (std::size_t i = 0; i < n && i < static_cast<std::size_t>(upper.size()); ++i) {
        const char16_t c = upper.at(static_cast<qsizetype>(i)).unicode();
        field[i] = c >= 0x20 && c < 0x7F ? static_cast<std::uint8_t>(c) : '_';
    }
}

// Descriptor text of the Joliet volume: UCS-2 big-endian, padded with UCS-2 spaces; an odd
// last byte stays zero.
void FillUcs2(std::uint8_t* field, std::size_t n, const QString& text) {
    std::memset(field, 0, n);
    const std::size_t units = n / 2;
    std::size_t take = std::min(units, static_cast<std::size_t>(text.size()));
    if (take > 0 && take < static_cast<std::size_t>(text.size()) &&
        text.at(static_cast<qsizetype>(take - 1)).isHighSurrogate())
        --take;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t c = i < take ? text.at(static_cast<qsizetype>(i)).unicode() : u' ';
        base::StoreBE<std::uint16_t>(field + 2 * i, c);
    }
}

std::string Ucs2(const QString& text) {
    std::string out(static_cast<std::size_t>(text.size()) * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        base::StoreBE<std::uint16_t>(reinterpret_cast<std::uint8_t*>(out.data()) + 2 * i,
                                     text.at(i).unicode());
    return out;
}

// One directory record at out; returns its length.
std::size_t StoreRecord(std::uint8_t* out, std::uint32_t extent, std::uint32_t length,
                        std::int64_t date, std::uint8_t flags, const std::string& name) {
    const std::size_t pad = name.size() % 2 == 0 ? 1 : 0;
    const std::size_t total = sizeof(iso::DirRecordHead) + name.size() + pad;
    iso::DirRecordHead head{};
    head.length = static_cast<std::uint8_t>(total);
    head.extent.set(extent);
    head.dataLength.set(length);
    StoreRecordDate(date, head.date);
    head.flags = flags;
    head.volumeSequence.set(1);
    head.nameLength = static_cast<std::uint8_t>(name.size());
    std::memcpy(out, &head, sizeof head);
    std::memcpy(out + sizeof head, name.data(), name.size());
    if (pad)
        out[sizeof head + name.size()] = 0;
    return total;
}

struct Tree {
    bool joliet;
    std::uint32_t DirExtent(const DirEntry& d) const {
        return joliet ? d.JolietExtent : d.IsoExtent;
    }
    std::uint32_t DirBytes(const DirEntry& d) const { return joliet ? d.JolietBytes : d.IsoBytes; }
    int Number(const DirEntry& d) const { return joliet ? d.JolietNumber : d.IsoNumber; }
    const std::vector<FileEntry*>& Order(const DirEntry& d) const {
        return joliet ? d.JolietOrder : d.IsoOrder;
    }
    std::string DirName(const DirEntry& d) const { return joliet ? Ucs2(d.JolietName) : d.IsoName; }
    std::string Identifier(const FileEntry& e) const {
        const char* version = e.IsDirectory() ? "" : ";1";
        return joliet ? Ucs2(e.JolietName + QLatin1String(version)) : e.IsoName + version;
    }
};

template <typename Head>
void StorePathTable(std::uint8_t* out, const std::vector<DirEntry*>& order, const Tree& tree) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const DirEntry& d = *order[i];
        const std::string name = i == 0 ? std::string(1, '\0') : tree.DirName(d);
        Head head{};
        head.nameLength = static_cast<std::uint8_t>(name.size());
        head.extent = tree.DirExtent(d);
        head.parent = static_cast<std::uint16_t>(tree.Number(*d.Parent));
        std::memcpy(out + pos, &head, sizeof head);
        std::memcpy(out + pos + sizeof head, name.data(), name.size());
        pos += sizeof head + name.size() + name.size() % 2;
    }
}

void StoreDirectory(std::uint8_t* out, const DirEntry& d, const Tree& tree) {
    std::size_t pos = StoreRecord(out, tree.DirExtent(d), tree.DirBytes(d), d.Date,
                                  iso::kFlagDirectory, std::string(1, '\0'));
    pos += StoreRecord(out + pos, tree.DirExtent(*d.Parent), tree.DirBytes(*d.Parent),
                       d.Parent->Date, iso::kFlagDirectory, std::string(1, '\1'));
    for (const FileEntry* e : tree.Order(d)) {
        const std::string id = tree.Identifier(*e);
        const std::size_t len = sizeof(iso::DirRecordHead) + id.size() + (id.size() % 2 == 0);
        if (pos % kSectorBytes + len > kSectorBytes)
            pos = (pos / kSectorBytes + 1) * kSectorBytes;
        std::uint8_t flags = e->Hidden ? iso::kFlagHidden : 0;
        if (e->IsDirectory()) {
            pos += StoreRecord(out + pos, tree.DirExtent(*e->Dir), tree.DirBytes(*e->Dir), e->Date,
                               flags | iso::kFlagDirectory, id);
        } else {
            pos += StoreRecord(out + pos, e->Extent, static_cast<std::uint32_t>(e->Size), e->Date,
                               flags, id);
        }
    }
}

} // namespace

base::Status IsoImageBuilder::BuildHeader() {
    if (!laidOut_)
        return base::Fail("the image has changed since it was laid out");
    if (tooLarge_)
        return base::Fail("the files do not fit into the sector addresses of one disc");
    const auto clock = std::chrono::system_clock::now().time_since_epoch();
    const auto nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(clock).count();
    const std::int64_t now = nowMs / 1000;
    const int nowHundredths = static_cast<int>(nowMs % 1000 / 10);

    const IsoLayout& l = layout_;
    header_.assign(static_cast<std::size_t>(l.FirstFile - l.Start) * kSectorBytes, 0);
    auto at = [&](std::uint32_t lba) {
        return header_.data() + static_cast<std::size_t>(lba - l.Start) * kSectorBytes;
    };

    auto descriptor = [&](std::uint32_t lba, const Tree& tree) {
        iso::VolumeDescriptor v{};
        v.type = tree.joliet ? iso::kSupplementary : iso::kPrimary;
        std::memcpy(v.id, "CD001", 5);
        v.version = 1;
        auto text = [&](std::uint8_t* field, std::size_t n, std::size_t jolietBytes,
                        const QString& value) {
            if (tree.joliet) {
                std::memset(field, 0, n);
                FillUcs2(field, jolietBytes, value);
            } else {
                FillAscii(field, n, value);
            }
        };
        text(v.systemId, 32, 32, Ids.System);
        text(v.volumeId, 32, 32, Ids.Volume);
        v.volumeSpaceSize.set(l.VolumeSectors);
        if (tree.joliet)
            std::memcpy(v.escapes, iso::kJolietEscape, sizeof iso::kJolietEscape);
        v.volumeSetSize.set(1);
        v.volumeSequence.set(1);
        v.blockSize.set(static_cast<std::uint16_t>(kSectorBytes));
        v.pathTableSize.set(tree.joliet ? l.JolietPathBytes : l.IsoPathBytes);
        v.pathL = tree.joliet ? l.JolietPathL : l.IsoPathL;
        v.pathM = tree.joliet ? l.JolietPathM : l.IsoPathM;
        const DirEntry& root = Root();
        StoreRecord(v.root, tree.DirExtent(root), tree.DirBytes(root), root.Date,
                    iso::kFlagDirectory, std::string(1, '\0'));
        text(v.volumeSetId, 128, 128, Ids.VolumeSet);
        text(v.publisherId, 128, 128, Ids.Publisher);
        text(v.preparerId, 128, 128, Ids.Preparer);
        text(v.applicationId, 128, 128, Ids.Application);
        text(v.copyrightFile, 37, 36, Ids.Copyright);
        text(v.abstractFile, 37, 36, Ids.Abstract);
        text(v.bibliographicFile, 37, 36, Ids.Bibliographic);
        StoreDescriptorDate(Ids.Created.value_or(now), Ids.Created ? 0 : nowHundredths, v.created);
        StoreDescriptorDate(Ids.Modified.value_or(now), Ids.Modified ? 0 : nowHundredths,
                            v.modified);
        if (Ids.Expires)
            StoreDescriptorDate(*Ids.Expires, 0, v.expires);
        else
            StoreNoDescriptorDate(v.expires);
        if (Ids.Effective)
            StoreDescriptorDate(*Ids.Effective, 0, v.effective);
        else
            StoreNoDescriptorDate(v.effective);
        v.structureVersion = 1;
        std::memcpy(at(lba), &v, sizeof v);
    };

    const Tree isoTree{false};
    const Tree jolietTree{true};
    descriptor(l.Primary, isoTree);
    if (JolietFileSystem)
        descriptor(l.Supplementary, jolietTree);
    std::uint8_t* term = at(l.Terminator);
    term[0] = iso::kTerminator;
    std::memcpy(term + 1, "CD001", 5);
    term[6] = 1;

    StorePathTable<iso::PathRecordL>(at(l.IsoPathL), isoPathOrder_, isoTree);
    StorePathTable<iso::PathRecordM>(at(l.IsoPathM), isoPathOrder_, isoTree);
    if (JolietFileSystem) {
        StorePathTable<iso::PathRecordL>(at(l.JolietPathL), jolietPathOrder_, jolietTree);
        StorePathTable<iso::PathRecordM>(at(l.JolietPathM), jolietPathOrder_, jolietTree);
    }
    for (const auto& d : dirs_) {
        StoreDirectory(at(d->IsoExtent), *d, isoTree);
        if (JolietFileSystem)
            StoreDirectory(at(d->JolietExtent), *d, jolietTree);
    }
    prepared_ = true;
    return {};
}

std::vector<std::uint8_t> IsoImageBuilder::DescriptorHead() const {
    std::vector<std::uint8_t> head(65537, 0xFF);
    if (prepared_) {
        const std::size_t n = std::min<std::size_t>(
            static_cast<std::size_t>(layout_.Terminator - layout_.Start + 1) * kSectorBytes,
            header_.size());
        std::memcpy(head.data(), header_.data(), std::min(n, head.size()));
    }
    return head;
}

} // namespace disc
