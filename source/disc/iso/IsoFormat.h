// The byte layouts of ISO 9660 that this builder writes and reads: numbers stored in both byte
// orders, the fixed head of a directory record, a volume descriptor and a path-table record.
#pragma once

#include "base/Endian.h"

#include <cstddef>
#include <cstdint>

namespace disc::iso {

// A number stored little-endian and then big-endian ("both byte orders").
struct BothU16 {
    base::le_u16 le;
    base::be_u16 be;
    void set(std::uint16_t v) {
        le = v;
        be = v;
    }
};
struct BothU32 {
    base::le_u32 le;
    base::be_u32 be;
    void set(std::uint32_t v) {
        le = v;
        be = v;
    }
};
static_assert(sizeof(BothU16) == 4 && sizeof(BothU32) == 8);

// A directory record up to the name, which follows with an optional pad byte.
struct DirRecordHead {
    std::uint8_t length;
    std::uint8_t extAttrLength;
    BothU32 extent;
    BothU32 dataLength;
    std::uint8_t date[7];
    std::uint8_t flags;
    std::uint8_t unitSize;
    std::uint8_t gapSize;
    BothU16 volumeSequence;
    std::uint8_t nameLength;
};
static_assert(sizeof(DirRecordHead) == 33);
static_assert(offsetof(DirRecordHead, date) == 18 && offsetof(DirRecordHead, flags) == 25);

constexpr std::uint8_t kFlagHidden = 0x01;
constexpr std::uint8_t kFlagDirectory = 0x02;
constexpr std::uint8_t kFlagAssociated = 0x04;
constexpr std::uint8_t kFlagMultiExtent = 0x80;

// Primary and supplementary volume descriptors share one layout.
struct VolumeDescriptor {
    std::uint8_t type;
    char id[5];
    std::uint8_t version;
    std::uint8_t flags;
    std::uint8_t systemId[32];
    std::uint8_t volumeId[32];
    std::uint8_t unused1[8];
    BothU32 volumeSpaceSize;
    std::uint8_t escapes[32];
    BothU16 volumeSetSize;
    BothU16 volumeSequence;
    BothU16 blockSize;
    BothU32 pathTableSize;
    base::le_u32 pathL;
    base::le_u32 pathLOptional;
    base::be_u32 pathM;
    base::be_u32 pathMOptional;
    std::uint8_t root[34];
    std::uint8_t volumeSetId[128];
    std::uint8_t publisherId[128];
    std::uint8_t preparerId[128];
    std::uint8_t applicationId[128];
    std::uint8_t copyrightFile[37];
    std::uint8_t abstractFile[37];
    std::uint8_t bibliographicFile[37];
    std::uint8_t created[17];
    std::uint8_t modified[17];
    std::uint8_t expires[17];
    std::uint8_t effective[17];
    std::uint8_t structureVersion;
    std::uint8_t reserved1;
    std::uint8_t applicationUse[512];
    std::uint8_t reserved2[653];
};
static_assert(sizeof(VolumeDescriptor) == 2048);
static_assert(offsetof(VolumeDescriptor, volumeSpaceSize) == 80);
static_assert(offsetof(VolumeDescriptor, pathL) == 140 && offsetof(VolumeDescriptor, pathM) == 148);
static_assert(offsetof(VolumeDescriptor, root) == 156);
static_assert(offsetof(VolumeDescriptor, volumeSetId) == 190);
static_assert(offsetof(VolumeDescriptor, copyrightFile) == 702);
static_assert(offsetof(VolumeDescriptor, created) == 813);
static_assert(offsetof(VolumeDescriptor, structureVersion) == 881);

constexpr std::uint8_t kPrimary = 1;
constexpr std::uint8_t kSupplementary = 2;
constexpr std::uint8_t kTerminator = 0xFF;
// UCS-2 level 1, the escape sequence that marks a supplementary descriptor as Joliet.
constexpr std::uint8_t kJolietEscape[3] = {0x25, 0x2F, 0x40};

// A path-table record up to the name: L tables little-endian, M tables big-endian.
template <typename U32, typename U16> struct PathRecordHead {
    std::uint8_t nameLength;
    std::uint8_t extAttrLength;
    U32 extent;
    U16 parent;
};
using PathRecordL = PathRecordHead<base::le_u32, base::le_u16>;
using PathRecordM = PathRecordHead<base::be_u32, base::be_u16>;
static_assert(sizeof(PathRecordL) == 8 && sizeof(PathRecordM) == 8);

} // namespace disc::iso
