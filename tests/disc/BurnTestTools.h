// Helpers of the write and erase tests: a rig that writes files to a virtual recorder through
// the same job the program runs, a progress that asks to stop after a number of blocks, and the
// real ISO readers' view of a session in the recorder's image.
#pragma once

#include "DiscTestSupport.h"
#include "DiscTestTools.h"

#include "disc/DiscEraser.h"
#include "disc/DiscWriter.h"

#include <QDir>

#include <algorithm>

namespace disctest {

// Asks to stop once Pump() was called `after` times (one call per block written).
class StopAfter final : public base::Progress {
public:
    explicit StopAfter(int after) : after_(after) {}
    void Pump() override {
        if (++pumps_ >= after_)
            RequestCancel();
    }

private:
    int after_;
    int pumps_ = 0;
};

struct BurnRig {
    BurnRig(const std::string& profile, const QTemporaryDir& dir)
        : folder(dir.path().toStdString()), rig(profile, dir.path()) {}

    std::string File(const std::string& name, const std::string& bytes) const {
        const std::string path = folder + "/" + name;
        WriteBytes(path, bytes);
        return path;
    }
    base::Status Burn(const std::vector<std::string>& files, base::Progress& progress,
                      disc::WriteOptions options = {}) {
        disc::IsoImageBuilder builder;
        builder.Ids.Volume = "MY PHOTOS";
        for (const auto& f : files)
            EXPECT_EQ(builder.InsertFile("\\", f), disc::InsertResult::Added) << f;
        return disc::WriteDisc(*rig.device, builder, options, progress, status,
                               [this](const std::string& line) { messages.push_back(line); });
    }
    base::Status Burn(const std::vector<std::string>& files) {
        base::NoProgress progress;
        return Burn(files, progress);
    }
    base::Status Erase(bool quick) {
        base::NoProgress progress;
        return disc::EraseDisc(*rig.device, quick, progress, status);
    }
    // Operation codes the recorder received, oldest first.
    std::vector<std::uint8_t> Opcodes() const {
        std::vector<std::uint8_t> out;
        for (const auto& cdb : rig.recorder->CommandLog())
            out.push_back(cdb[0]);
        return out;
    }
    bool Received(std::uint8_t opcode) const {
        const auto ops = Opcodes();
        return std::find(ops.begin(), ops.end(), opcode) != ops.end();
    }
    std::string Image() const { return rig.recorder->ImagePath(); }
    // What xorriso reads from the session whose superblock is at `sbsector`: a file's bytes.
    std::string Extract(const std::string& name, std::uint32_t sbsector) const {
        const std::string out = folder + "/extracted.bin";
        std::remove(out.c_str());
        Shell("xorriso -indev " + Quote(Image()) + " -load sbsector " + std::to_string(sbsector) +
              " -osirrox on -extract " + Quote("/" + name) + " " + Quote(out));
        return ReadBytes(out);
    }
    // Every path of the session at `sbsector` as isoinfo lists its Joliet tree.
    std::string IsoinfoFind(std::uint32_t sbsector) const {
        return Shell("isoinfo -J -f -i " + Quote(Image()) + " -T " + std::to_string(sbsector));
    }
    // A file of the session at `sbsector` as isoinfo extracts it (ISO 9660 name, e.g. "A.TXT").
    std::string IsoinfoExtract(const std::string& isoName, std::uint32_t sbsector) const {
        return Shell("isoinfo -i " + Quote(Image()) + " -T " + std::to_string(sbsector) + " -x " +
                     Quote("/" + isoName + ";1") + " 2>/dev/null");
    }
    std::string List(std::uint32_t sbsector) const {
        return Shell("xorriso -indev " + Quote(Image()) + " -load sbsector " +
                     std::to_string(sbsector) + " -ls / 2>/dev/null");
    }

    std::string folder;
    VirtualRig rig;
    disc::DiscJobStatus status;
    std::vector<std::string> messages;
};

} // namespace disctest
