// The pictures the effects dialog restores while it is open: per slot (the caption page, the turn
// page) the working picture as it was before the page's first change. The undo history keeps a
// copy of the picture as it was when the dialog opened anyway; handed over, it stands for the
// slots until the picture is written, so an effect edit keeps that one copy and no other. Only a
// change after one the dialog accepted makes a slot copy the picture, to WorkFile + ".0" (caption)
// or ".1" (turn); that copy is deleted when the slot is emptied.
#pragma once

#include "base/Result.h"

#include <array>
#include <string>

namespace project {

enum class BackupSlot { Caption = 0, Turn = 1 };

// Where a slot's own copy of workFile is kept, and whether it is there.
std::string BackupPath(const std::string& workFile, BackupSlot slot);
bool HasBackup(const std::string& workFile, BackupSlot slot);

class EditBackups {
public:
    explicit EditBackups(std::string workFile);
    ~EditBackups();
    EditBackups(const EditBackups&) = delete;
    EditBackups& operator=(const EditBackups&) = delete;

    // original: a copy of the working picture as it is now, kept by the caller (it is only read
    // here and must outlive this object); "" for none.
    void UseOriginal(std::string original);
    // Before the slot's page changes the picture: the slot keeps the picture as it is now,
    // unless it holds one already.
    base::Status Take(BackupSlot slot);
    bool Has(BackupSlot slot) const { return !source_[Index(slot)].empty(); }
    // Copies the slot's picture back over the working file (atomically); false when the slot
    // holds none. The slot keeps its picture.
    base::Result<bool> Restore(BackupSlot slot);
    // Empties the slot.
    void Drop(BackupSlot slot);
    // The picture as it is now was accepted: both slots are emptied, later takes start from it.
    void Accept();

private:
    static std::size_t Index(BackupSlot slot) { return static_cast<std::size_t>(slot); }

    std::string workFile_;
    std::string original_;
    bool pictureIsOriginal_ = false;    // the working picture still holds the original's bytes
    std::array<std::string, 2> source_; // what each slot restores from; "" when it holds nothing
};

} // namespace project
