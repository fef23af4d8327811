#include "project/EditBackups.h"

#include "base/AtomicFile.h"
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
    const auto fail = [&workFile]() -> base::Result<bool> {
        return base::Fail("cannot restore " + workFile + " from its copy");
    };
    QFile copy(Native(BackupPath(workFile, slot)));
    base::AtomicFile file(workFile);
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
    return true;
}

void DropBackups(const std::string& workFile) {
    QFile::remove(Native(BackupPath(workFile, BackupSlot::Caption)));
    QFile::remove(Native(BackupPath(workFile, BackupSlot::Turn)));
}

} // namespace project
