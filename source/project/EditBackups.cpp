#include "project/EditBackups.h"

#include "base/FileName.h"

#include <QFile>

#include <cstdio>

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

base::Status TakeBackup(const std::string& workFile, BackupSlot slot) {
    if (HasBackup(workFile, slot))
        return {};
    const std::string backup = BackupPath(workFile, slot);
    if (!QFile::copy(Native(workFile), Native(backup))) {
        QFile::remove(Native(backup));
        return base::Fail("cannot copy " + workFile + " to " + backup);
    }
    return {};
}

base::Result<bool> RestoreBackup(const std::string& workFile, BackupSlot slot) {
    if (!HasBackup(workFile, slot))
        return false;
    const std::string temporary = workFile + ".new";
    QFile::remove(Native(temporary));
    if (!QFile::copy(Native(BackupPath(workFile, slot)), Native(temporary)) ||
        std::rename(temporary.c_str(), workFile.c_str()) != 0) {
        QFile::remove(Native(temporary));
        return base::Fail("cannot restore " + workFile + " from its copy");
    }
    return true;
}

void DropBackups(const std::string& workFile) {
    QFile::remove(Native(BackupPath(workFile, BackupSlot::Caption)));
    QFile::remove(Native(BackupPath(workFile, BackupSlot::Turn)));
}

} // namespace project
