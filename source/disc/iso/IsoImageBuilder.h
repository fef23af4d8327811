// The file tree of a disc session and its ISO 9660 + Joliet layout: files and folders are added
// (or taken over from the newest session on the disc), every address is assigned, and the image
// head (every sector from the session start up to the first file) is built in memory. The file
// contents are streamed later, by whoever writes the image, at the addresses assigned here.
#pragma once

#include "base/Result.h"
#include "disc/iso/IsoEntries.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace disc {

// The texts and dates of the volume descriptors. Texts go upper-cased into the ISO descriptor
// and as they are into the Joliet one; unset dates are the time the head is built.
struct VolumeIds {
    QString Volume, System, VolumeSet, Publisher, Preparer, Application;
    QString Copyright, Abstract, Bibliographic;
    std::optional<std::int64_t> Created, Modified, Effective, Expires; // seconds since 1970 UTC
};

// How serious a report is: progress, a limit reached or a name changed, a failure.
enum class MessageKind { Info = 1, Limit = 3, Error = 4 };
using MessageSink = std::function<void(const std::string& text, MessageKind kind)>;

// What a caller may change before a file is added: the names, the date, or skip it.
struct AddFileRequest {
    QString LongName;
    std::string ShortName;
    std::int64_t Date = 0;
    bool Skip = false;
};
struct AddDirRequest {
    QString Name;
    std::int64_t Date = 0;
    bool Skip = false;
};

enum class InsertResult { Added, Refused, SourceMissing, BadDestination };

// A name that could not go onto the disc as it was.
struct Rename {
    QString Folder; // "\"-separated path of the directory
    QString From, To;
};

// Absolute sector addresses of one laid-out session.
struct IsoLayout {
    std::uint32_t Start = 0;
    std::uint32_t Primary = 0, Supplementary = 0, Terminator = 0;
    std::uint32_t IsoPathBytes = 0, IsoPathSectors = 0, IsoPathL = 0, IsoPathM = 0;
    std::uint32_t JolietPathBytes = 0, JolietPathSectors = 0, JolietPathL = 0, JolietPathM = 0;
    std::uint32_t IsoDirs = 0, JolietDirs = 0, DirsEnd = 0;
    std::uint32_t FirstFile = 0, VolumeSectors = 0;
};

// Files of 4 GiB or more need several extents, which this builder does not write.
constexpr std::uint64_t kMaxFileBytes = 0xFFFFFFFFull;

class IsoImageBuilder {
public:
    IsoImageBuilder();
    IsoImageBuilder(const IsoImageBuilder&) = delete;
    IsoImageBuilder& operator=(const IsoImageBuilder&) = delete;

    // Drops every entry and the head; the root alone remains.
    void Clear(std::size_t maxFiles = 65535, std::size_t maxDirs = 8191);

    // Adds a file into destDir ("\" or "/" separated, "\" the root). With mirrorFolders the
    // source's own folder path is recreated under the root first.
    InsertResult InsertFile(const QString& destDir, const std::string& sourcePath,
                            bool mirrorFolders = false);
    // Adds a file into a directory of the tree.
    InsertResult AddFile(DirEntry& dir, const std::string& sourcePath);
    // Adds a folder under its own name into dest, with everything below it.
    base::Status InsertTree(DirEntry& dest, const std::string& folderPath);
    // Creates each missing directory of the path, parents first; null when a limit is reached.
    DirEntry* ForceDirectory(const QString& path);
    DirEntry* FindDirectory(const QString& path) const;
    // The subdirectory `name` of parent, created when missing; null when refused. Directories
    // taken over from a disc keep names up to the longer Joliet limit.
    DirEntry* AddDirectory(DirEntry& parent, const QString& name, std::int64_t date,
                           bool imported = false);
    // A file already on the disc, kept at its address. False when the name is taken (the entry
    // already in the directory wins) or a limit is reached.
    bool AddImportedFile(DirEntry& dir, const QString& name, std::int64_t date, bool hidden,
                         std::uint32_t extent, std::uint32_t size);

    DirEntry& Root() { return *dirs_.front(); }
    const DirEntry& Root() const { return *dirs_.front(); }
    QString PathOf(const DirEntry& dir) const;

    // Sorts every directory and assigns all addresses, the session starting at sector start.
    void ComputeLayout(std::uint32_t start);
    // Builds the head of the laid-out session; fails when the layout is missing or outdated.
    base::Status BuildHeader();
    const std::vector<std::uint8_t>& Header() const { return header_; }
    // The system area and the descriptors as built, in a buffer of 65537 bytes prefilled FFh.
    std::vector<std::uint8_t> DescriptorHead() const;
    // Sectors of the session's track; a short track counts as 300 with WritePostGap.
    std::int64_t TrackSectors() const;
    const IsoLayout& Layout() const { return layout_; }
    bool Prepared() const { return prepared_; }

    // Entries in the order they were made: the files are written in this order.
    const std::vector<std::unique_ptr<FileEntry>>& Files() const { return files_; }
    const std::vector<std::unique_ptr<DirEntry>>& Directories() const { return dirs_; }
    std::size_t DirectoryCount() const { return dirs_.size() - 1; }
    std::size_t FileCount() const { return files_.size(); }
    // Bytes of the new files, each rounded up to a whole sector.
    std::uint64_t AddedBytes() const { return addedBytes_; }
    const std::vector<Rename>& Renames() const { return renames_; }

    VolumeIds Ids;
    bool JolietFileSystem = true;
    bool ReplaceFile = false;
    bool WritePostGap = true;
    int JolietNameUnits = 64;
    std::function<void(AddFileRequest&)> OnAddFile;
    std::function<void(AddDirRequest&)> OnAddDir;
    MessageSink OnMessage;

private:
    void Report(const std::string& text, MessageKind kind) const;
    void NoteRename(const DirEntry& dir, const QString& from, const QString& to);
    FileEntry* Lookup(const DirEntry& dir, const QString& jolietName) const;
    std::string ShortNameIn(const DirEntry& dir, const QString& longName, bool isFile) const;
    void Attach(DirEntry& dir, FileEntry* entry);
    // Sizes of both directory extents and both path tables; numbers in path-table order.
    void SizeDirectories();
    void NumberDirectories();

    std::vector<std::unique_ptr<DirEntry>> dirs_;
    std::vector<std::unique_ptr<FileEntry>> files_;
    std::size_t maxFiles_ = 65535;
    std::size_t maxDirs_ = 8191;
    std::uint64_t addedBytes_ = 0;
    std::vector<Rename> renames_;
    IsoLayout layout_;
    std::vector<DirEntry*> isoPathOrder_, jolietPathOrder_;
    bool laidOut_ = false;
    bool tooLarge_ = false; // more sectors than 32-bit addresses reach
    bool prepared_ = false;
    std::vector<std::uint8_t> header_;
};

} // namespace disc
