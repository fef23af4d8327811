// The copies of a working file the effects dialog keeps while it is open: WorkFile + ".0" holds
// the photo before caption text was drawn, WorkFile + ".1" before it was turned. Each is taken
// only when missing; restoring copies it back over the working file.
#pragma once

#include "base/Result.h"

#include <string>

namespace project {

enum class BackupSlot { Caption = 0, Turn = 1 };

std::string BackupPath(const std::string& workFile, BackupSlot slot);
bool HasBackup(const std::string& workFile, BackupSlot slot);
// Copies the working file to the slot unless the slot holds a copy already.
base::Status TakeBackup(const std::string& workFile, BackupSlot slot);
// Copies the slot back over the working file (atomically); false when there is no copy.
base::Result<bool> RestoreBackup(const std::string& workFile, BackupSlot slot);
// Deletes both copies.
void DropBackups(const std::string& workFile);

} // namespace project
