// Fuzzes the reading of an earlier session: the input is a disc from sector 16 on (the system
// area before it reads as zeros), imported into a builder that is then laid out and headed.
// Whatever the input claims, the import reads no more sectors than the disc holds, and no name
// a Joliet reader refuses ("." "..", half of a surrogate pair, a sibling's name in another case)
// reaches the new session.
#include "disc/IsoImageBuilder.h"
#include "disc/IsoNames.h"
#include "disc/SectorSource.h"
#include "disc/SessionImport.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

class CountingSource final : public disc::SectorSource {
public:
    explicit CountingSource(std::vector<std::uint8_t> bytes) : inner_(std::move(bytes), 0) {}
    base::Status Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) override {
        read += count;
        return inner_.Read(lba, count, out);
    }
    base::Result<std::uint32_t> LastSessionStart() override { return inner_.LastSessionStart(); }
    std::uint32_t SectorCount() const override { return inner_.SectorCount(); }
    std::uint64_t read = 0;

private:
    disc::MemorySectorSource inner_;
};

bool Refused(const QString& name) {
    if (name == u"." || name == u".." || name.isEmpty())
        return true;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

void CheckNames(const disc::DirEntry& dir) {
    QSet<QString> keys;
    for (const disc::FileEntry* f : dir.Children) {
        if (Refused(f->JolietName) || keys.contains(disc::NameKey(f->JolietName)))
            std::abort();
        keys.insert(disc::NameKey(f->JolietName));
        if (f->Dir != nullptr)
            CheckNames(*f->Dir);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (8u << 20))
        return 0;
    std::vector<std::uint8_t> bytes(16 * disc::kSectorBytes, 0);
    bytes.insert(bytes.end(), data, data + size);
    CountingSource source(std::move(bytes));
    disc::IsoImageBuilder builder;
    disc::ImportLimits limits;
    limits.MaxDirectoryBytes = 1u << 20;
    const bool imported = disc::ImportSession(builder, source, nullptr, limits).ok();
    if (source.read > source.SectorCount())
        std::abort(); // more read than the disc holds
    if (imported) {
        CheckNames(builder.Root());
        builder.ComputeLayout(1000);
        (void)builder.BuildHeader();
    }
    return 0;
}
