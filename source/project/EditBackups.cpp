#include "project/EditBackups.h"

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
    const std::string temporary = workFile_ + ".new";
    QFile::remove(Native(temporary));
    if (!QFile::copy(Native(source), Native(temporary)) ||
        std::rename(temporary.c_str(), workFile_.c_str()) != 0) {
        QFile::remove(Native(temporary));
        return base::Fail("cannot restore " + workFile_ + " from its copy");
    }
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
