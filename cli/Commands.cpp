#include "cli/Commands.h"

#include "base/FileName.h"
#include "cli/BurnCommands.h"
#include "cli/DiscCommands.h"
#include "cli/EditCommands.h"
#include "cli/ExportCommands.h"
#include "cli/FrameCommand.h"
#include "cli/IsoCommand.h"
#include "cli/RefitCommand.h"
#include "cli/ShowCommands.h"
#include "imaging/TransitionKinds.h"

#include <QRegularExpression>

#include <cstdio>
#include <string>

namespace cli {

namespace {

const char kUsage[] =
    "Usage: reelpane-cli COMMAND [OPTIONS]\n"
    "\n"
    "Makes and inspects Reelpane slide shows without a window.\n"
    "\n"
    "Commands:\n"
    "  new OUT.qvs [--resolution WxH] [--seconds N] [--transition NAME[:SECONDS]]\n"
    "              [--background RRGGBB]\n"
    "              [--music FILE]... PHOTO_OR_FOLDER...\n"
    "                         make a show from photos, folders of photos and tracks\n"
    "                         (photos fitted to 1920x1080 on black unless told otherwise;\n"
    "                         --seconds is the photos': a clip plays as long as its trim)\n"
    "  info SHOW.qvs          print the show as one JSON object\n"
    "  edit SHOW.qvs --slide N|--all EDIT...\n"
    "                         apply effects to photo N (from 1) or to all, in the order given:\n"
    "                         --crop X0,Y0,X1,Y1  --caption TEXT [--font NAME] [--size PT]\n"
    "                         [--color RRGGBB] [--align left|center|right,top|center|bottom]\n"
    "                         --caption-motion none|fade|rise|typewriter|zoom\n"
    "                         --turn right|left|mirror  --brightness B  --contrast C\n"
    "                         --gamma G  --effect none|bw|sepia|negative\n"
    "                         --background RRGGBB  --seconds N  --transition NAME[:SECONDS]\n"
    "                         --motion none|auto|CX,CY,Z:CX,CY,Z[:linear|ease]\n"
    "                         (Z: 1 fits the photo in the frame; 1c fills the frame)\n"
    "                         (NAME: crossfade, fade-black, fade-white, zoom-in, push-left,\n"
    "                         push-right, push-up, push-down, iris, soft-left, soft-right,\n"
    "                         soft-up, soft-down, or a kind 0..13)\n"
    "                         (--seconds retimes photos and titles; a clip keeps its trim)\n"
    "  edit SHOW.qvs --insert-title N --text TEXT [--subtitle TEXT]\n"
    "                [--backdrop RRGGBB|RRGGBB-RRGGBB|blur] [--seconds S]\n"
    "                [--text-motion none|fade|rise|typewriter|zoom]\n"
    "                         put a title slide before slide N (one past the last appends):\n"
    "                         text over a colour, a gradient or the next photo blurred\n"
    "                         (4 s, fading in and out, unless told)\n"
    "  edit SHOW.qvs --slide N [--trim START,END] [--clip-volume PERCENT | --mute | --unmute]\n"
    "                         a video clip's part to play (seconds; END may be \"end\") and its\n"
    "                         sound (0..200 %, the music ducks under it)\n"
    "  export SHOW.qvs OUT.avi [--codec CODE|none] [--size high|standard] [--screen-height N]\n"
    "  export SHOW.qvs OUT.mp4 [--size 720p|1080p|1440p|2160p] [--aspect 16:9|9:16|1:1|4:3]\n"
    "      [--fps 24|25|30|50|60] [--codec h264|h265] [--quality good|best]\n"
    "      [--preset youtube|4k|phone|square] [--speed ultrafast|superfast|veryfast|faster|\n"
    "      fast|medium|slow|slower|veryslow] [--crf 0..51]\n"
    "                         write the show as an AVI or MP4 video with the show's last\n"
    "                         choices (at first MP4: 720p 16:9, 25 fps, H.264, good, veryfast);\n"
    "                         options win over a preset, and both over the last choices; --crf\n"
    "                         sets the constant quality (0: the quality's own, 20 or 17); what\n"
    "                         a written video used is saved in the show\n"
    "  frame SHOW.qvs OUT.png --at SECONDS [--size high|standard|720p|1080p|1440p|2160p|WxH]\n"
    "        [--fps 24|25|30|50|60]\n"
    "                         write the frame on screen at that time (to the millisecond)\n"
    "                         as the video shows it (720p at 25 fps unless told)\n"
    "  edit SHOW.qvs --track N|--all-tracks [--volume V] [--fade-in SEC] [--fade-out SEC]\n"
    "                         set track N's (or every track's) volume (0..100) and fades\n"
    "                         (0..10 s, decimals allowed)\n"
    "  edit SHOW.qvs --show [--crossfade-tracks SEC] [--end-fade SEC]\n"
    "                [--even-loudness on|off] [--fit-music] [--beat-cuts]\n"
    "                         set the show's music: cross-fade between tracks, fade at the\n"
    "                         end, even loudness; fit the photos to the music; change photos\n"
    "                         on the beat\n"
    "  refit SHOW.qvs [--originals FOLDER_OR_FILE]... [--photo-size WxH]\n"
    "                         draw the photos again from their originals (at the photo size);\n"
    "                         a show saved without them finds them among the given photos\n"
    "                         (turns and still captions are drawn on again; a photo whose\n"
    "                         working picture holds other edits keeps it)\n"
    "  codecs                 list the video compressors and those offered\n"
    "  drives                 list the recorders\n"
    "  iso OUT.iso FILE_OR_FOLDER... [--label TEXT] [--long-names]\n"
    "                         write files and folders as an ISO 9660 + Joliet image\n"
    "                         (--long-names: Joliet names up to 103 characters, not 64)\n"
    "  burn DRIVE FILE... [--label TEXT] [--eject] [--speed KBPS] [--no-verify]\n"
    "                         write files to a disc as a new session, then read it back\n"
    "  erase DRIVE [--full] [--yes]\n"
    "                         erase a rewritable disc (asks first unless --yes)\n"
    "\n"
    "Options:\n"
    "  -h, --help             show this help\n"
    "  --version              show the version\n"
    "\n"
    "An option's value may follow it or be joined to it by '=' (--seconds=4).\n";

// "--option=value" becomes "--option", "value" (the GNU spelling).
QStringList SplitOptionValues(const QStringList& args) {
    QStringList out;
    for (const QString& a : args) {
        const qsizetype eq = a.indexOf('=');
        if (a.startsWith("--") && eq > 2) {
            out << a.left(eq) << a.mid(eq + 1);
            continue;
        }
        out << a;
    }
    return out;
}

} // namespace

int Run(const QStringList& given) {
    const QStringList args = SplitOptionValues(given);
    if (args.size() < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString cmd = args.at(1);
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (cmd == "--version") {
        std::printf("reelpane-cli %s\n", REELPANE_VERSION);
        return 0;
    }
    if (cmd == "new")
        return RunNew(args);
    if (cmd == "info")
        return RunInfo(args);
    if (cmd == "edit")
        return RunEdit(args);
    if (cmd == "export")
        return RunExport(args);
    if (cmd == "refit")
        return RunRefit(args);
    if (cmd == "frame")
        return RunFrame(args);
    if (cmd == "codecs")
        return RunCodecs(args);
    if (cmd == "iso")
        return RunIso(args);
    if (cmd == "drives")
        return RunDrives(args);
    if (cmd == "burn")
        return RunBurn(args);
    if (cmd == "erase")
        return RunErase(args);
    std::fprintf(stderr, "reelpane-cli: unknown command '%s' (see --help)\n",
                 base::EncodeFileName(cmd).c_str());
    return 2;
}

bool NextValue(const QStringList& args, int& i, QString& value) {
    if (i + 1 >= args.size())
        return false;
    value = args[++i];
    return true;
}

bool ParseInt(const QString& text, int lo, int hi, int& out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

const char kTransitionArgHelp[] =
    "NAME[:SECONDS] (NAME crossfade, fade-black, fade-white, zoom-in, push-left|right|up|down, "
    "iris, soft-left|right|up|down or 0..13; SECONDS 0.1..3600 in steps of 0.1)";

bool ParseTenths(const QString& text, std::int64_t loMs, std::int64_t hiMs, std::int64_t& ms) {
    static const QRegularExpression kTenths(QStringLiteral("^\\d{1,7}(\\.\\d)?$"));
    if (!kTenths.match(text).hasMatch())
        return false;
    const QStringList parts = text.split('.');
    std::int64_t value = parts[0].toLongLong() * 1000;
    if (parts.size() == 2)
        value += parts[1].toLongLong() * 100;
    if (value < loMs || value > hiMs)
        return false;
    ms = value;
    return true;
}

bool ParseTransitionArg(const QString& text, int& kind, std::int64_t& ms) {
    const QStringList parts = text.split(':');
    if (parts.isEmpty() || parts.size() > 2)
        return false;
    const auto code = imaging::TransitionCodeFromName(parts[0].toStdString());
    std::int64_t length = ms;
    // A transition of no length would be none: a kind that plays lasts at least 0.1 s.
    const std::int64_t least = code && *code != 0 ? 100 : 0;
    if (!code || (parts.size() == 2 && !ParseTenths(parts[1], least, 3600 * 1000, length)))
        return false;
    kind = *code;
    ms = length;
    return true;
}

} // namespace cli
