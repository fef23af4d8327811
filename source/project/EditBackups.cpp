#include "project/EditBackups.h"

#include "base/AtomicFile.h"
#include "base/FileName.h"

#include <QFile>

#include <cstdio>
#include <utility>

namespace project {

namespace {

QString Native(const std::string& path) {
    return base::DecodeFileName(path);
}

} // namespace

std::string BackupPath(const std::string& workFile, BackupSlot slot) {
    return workFile + (slot == BackupSlot::Caption ? ".0" : ".1");
}

bool HasBackup(const std::string& workFile, BackupSlot slot) {
    return QFile::exists(Native(BackupPath(workFile, slot)));
}

EditBackups::EditBackups(std::string workFile) : workFile_(std::move(workFile)) {}

EditBackups::~EditBackups() {
    Drop(BackupSlot::Caption);
    Drop(BackupSlot::Turn);
}

void EditBackups::UseOriginal(std::string original) {
    original_ = std::move(original);
    pictureIsOriginal_ = !original_.empty();
}

base::Status EditBackups::Take(BackupSlot slot) {
    std::string& source = source_[Index(slot)];
    if (!source.empty())
        return {};
    if (pictureIsOriginal_) {
        source = original_;
    } else {
        const std::string backup = BackupPath(workFile_, slot);
        QFile::remove(Native(backup));
        if (!QFile::copy(Native(workFile_), Native(backup))) {
            QFile::remove(Native(backup));
            return base::Fail("cannot copy " + workFile_ + " to " + backup);
        }
        source = backup;
    }
    // The page is about to write the picture.
    pictureIsOriginal_ = false;
    return {};
}

base::Result<bool> EditBackups::Restore(BackupSlot slot) {
    const std::string& source = source_[Index(slot)];
    if (source.empty())
        return false;
    const auto fail = [this]() -> base::Result<bool> {
        return base::Fail("cannot restore " + workFile_ + " from its copy");
    };
    QFile copy(Native(source));
    base::AtomicFile file(workFile_);
    if (!copy.open(QIODevice::ReadOnly) || !file.Open())
        return fail();
    while (!copy.atEnd()) {
        const QByteArray chunk = copy.read(1 << 20);
        if (chunk.isEmpty() ||
            !file.Write(chunk.constData(), static_cast<std::size_t>(chunk.size())))
            return fail();
    }
    if (!file.Commit(base::AtomicFile::Durability::WriteBack))
        return fail();
    pictureIsOriginal_ = source == original_;
    return true;
}

void EditBackups::Drop(BackupSlot slot) {
    std::string& source = source_[Index(slot)];
    if (!source.empty() && source != original_)
        QFile::remove(Native(source));
    source.clear();
}

void EditBackups::Accept() {
    Drop(BackupSlot::Caption);
    Drop(BackupSlot::Turn);
    pictureIsOriginal_ = false;
}

} // namespace project
