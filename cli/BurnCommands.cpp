#include "cli/BurnCommands.h"
#include "cli/DiscInputs.h"
#include "cli/Failure.h"
#include "cli/Interrupt.h"

#include "base/FileName.h"

#include "disc/burn/DiscJob.h"
#include "disc/iso/IsoImageBuilder.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/scsi/ScsiDevice.h"

#include <QFile>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

// Opens the recorders and selects the one named by its address, device or image path.
base::Status SelectDrive(disc::ScsiDevice& device, const std::string& name) {
    const base::Status opened = device.OpenTransport();
    if (device.DeviceList().empty())
        return opened ? base::Fail("no CD or DVD recorder found") : opened;
    const std::string entry = device.EntryFor(name);
    if (entry.empty())
        return base::Fail("no recorder \"" + name + "\" (see reelpane-cli drives)");
    return device.SelectDevice(entry);
}

// Runs the job to its end, drawing progress on a terminal; Ctrl-C cancels it.
base::Status Follow(disc::DiscJob& job, bool erase) {
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    auto last = std::chrono::steady_clock::now();
    std::int64_t lastBytes = 0;
    bool cancelled = false;
    while (job.Running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (InterruptScope::Raised() && !cancelled) {
            cancelled = true;
            job.Cancel();
        }
        if (!terminal)
            continue;
        const auto& s = job.Status();
        if (erase) {
            std::fprintf(stderr, "\rerase %3d%%", s.erasePercent.load());
        } else {
            const auto now = std::chrono::steady_clock::now();
            const double seconds = std::chrono::duration<double>(now - last).count();
            const std::int64_t bytes = s.bytesWritten.load();
            const std::int64_t total = std::max<std::int64_t>(s.totalBytes.load(), 1);
            const double kbps = seconds > 0 ? (bytes - lastBytes) / 1024.0 / seconds : 0;
            std::fprintf(stderr, "\rburn %3d%%  %7.0f KB/s  buffer %3d%%",
                         static_cast<int>(bytes * 100 / total), kbps, s.cacheFillPercent.load());
            last = now;
            lastBytes = bytes;
        }
        std::fflush(stderr);
    }
    if (terminal)
        std::fputc('\n', stderr);
    return job.Wait();
}

void PrintMessage(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace

int RunBurn(const QStringList& args) {
    QString drive;
    QString label = "My Photos";
    bool eject = false;
    bool verify = true;
    long speed = 0;
    QStringList files;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == "--label" || a == "--speed") {
            if (i + 1 >= args.size())
                return Fail(a.toStdString() + " needs a value");
            const QString value = args[++i];
            if (a == "--label") {
                label = value;
            } else {
                bool ok = false;
                speed = value.toLong(&ok);
                if (!ok || speed < 0 || speed > 0xFFFF)
                    return Fail("--speed takes KB/s from 0 (fastest) to 65535");
            }
        } else if (a == "--eject") {
            eject = true;
        } else if (a == "--no-verify") {
            verify = false;
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a.toStdString());
        } else if (drive.isEmpty()) {
            drive = a;
        } else {
            files << a;
        }
    }
    if (drive.isEmpty() || files.isEmpty())
        return Fail("usage: burn DRIVE FILE... [--label TEXT] [--eject] [--speed KBPS] "
                    "[--no-verify]");

    IgnoreFileSizeLimitSignal();
    disc::IsoImageBuilder builder;
    builder.Ids.Volume = label;
    ReportBuilderMessages(builder);
    if (auto added = AddInputs(builder, files, "the disc"); !added)
        return Fail(added.error());
    disc::ScsiDevice device;
    if (auto selected = SelectDrive(device, base::EncodeFileName(drive)); !selected)
        return Fail(selected.error());
    disc::WriteOptions options;
    options.writeSpeed = static_cast<std::uint16_t>(speed);
    options.verify = verify;
    InterruptScope interrupt;
    disc::DiscJob job;
    job.StartWrite(device, builder, options, PrintMessage);
    if (auto written = Follow(job, false); !written)
        return Fail(written.error());
    if (eject) {
        disc::MmcCommands mmc(device);
        if (auto ejected = mmc.Eject(); !ejected)
            return Fail("written, but the disc could not be ejected: " + ejected.error());
    }
    return 0;
}

int RunErase(const QStringList& args) {
    QString drive;
    bool full = false;
    bool yes = false;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == "--full")
            full = true;
        else if (a == "--yes")
            yes = true;
        else if (a.startsWith("--"))
            return Fail("unknown option " + a.toStdString());
        else if (drive.isEmpty())
            drive = a;
        else
            return Fail("erase takes one drive");
    }
    if (drive.isEmpty())
        return Fail("usage: erase DRIVE [--full] [--yes]");
    disc::ScsiDevice device;
    if (auto selected = SelectDrive(device, base::EncodeFileName(drive)); !selected)
        return Fail(selected.error());
    if (!yes) {
        if (::isatty(STDIN_FILENO) == 0)
            return Fail("erase destroys every file on the disc: add --yes to confirm");
        std::fprintf(stderr, "All data on the disc in %s will be destroyed. Continue? [y/N] ",
                     device.DisplayName().c_str());
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes")
            return Fail("not erased");
    }
    InterruptScope interrupt;
    disc::DiscJob job;
    job.StartErase(device, !full, PrintMessage);
    if (auto erased = Follow(job, true); !erased)
        return Fail(erased.error());
    return 0;
}

} // namespace cli
