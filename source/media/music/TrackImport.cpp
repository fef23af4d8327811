#include "media/music/TrackImport.h"

#include "media/audio/AudioLibrary.h"
#include "media/audio/TrackPcmSource.h"
#include "media/audio/TrackTitle.h"
#include "media/music/LoudnessMeter.h"
#include "project/Import.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace media {

namespace {

// Copies the user's file to a working name that must not exist yet. Skipped when the user's file
// cannot be read; Failed when the copy cannot be written (nothing is left behind then).
project::ImportStatus CopyIntoNewFile(const std::string& from, const std::string& to) {
    using project::ImportNote;
    using project::ImportStatus;
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return ImportNote::Skip("cannot open " + from + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return ImportNote::Skip(from + " is not a regular file");
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const std::string why = std::strerror(errno);
        ::close(in);
        return base::Fail("cannot create the working copy " + to + ": " + why);
    }
    ImportStatus status = ImportNote{};
    std::vector<char> buffer(std::size_t{1} << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            status = ImportNote::Skip("cannot read " + from + ": " + std::strerror(errno));
            break;
        }
        if (n == 0)
            break;
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w =
                ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                status = base::Fail(std::string("cannot write the working copy ") + to + ": " +
                                    (w < 0 ? std::strerror(errno) : "short write"));
                break;
            }
            done += w;
        }
        if (!project::Added(status))
            break;
    }
    ::close(in);
    if (::close(out) != 0 && project::Added(status))
        status = base::Fail("cannot write the working copy " + to + ": " + std::strerror(errno));
    if (!project::Added(status))
        ::unlink(to.c_str());
    return status;
}

} // namespace

std::int64_t MeasureTrackSeconds(const std::string& path) {
    const Stream stream = Audio().OpenFile(path, BASS_STREAM_DECODE);
    if (!stream)
        return -1;
    const double seconds = stream.BytesToSeconds(stream.LengthBytes());
    if (!(seconds >= 0) || seconds > 1e9)
        return -1;
    return static_cast<std::int64_t>(std::nearbyint(seconds));
}

base::Result<TrackLoudness> MeasureTrackLoudness(const std::string& path) {
    auto source = OpenTrackPcmSource(path);
    if (!source)
        return base::Fail(source.error());
    return MeasureLoudness(**source, nullptr);
}

std::int64_t MeasureTrackMs(const std::string& path) {
    const Stream stream = Audio().OpenFile(path, BASS_STREAM_DECODE);
    if (!stream)
        return -1;
    const double seconds = stream.BytesToSeconds(stream.LengthBytes());
    if (!(seconds >= 0) || seconds > 1e9)
        return -1;
    return static_cast<std::int64_t>(std::nearbyint(seconds * 1000));
}

namespace {

// Keeps the measure of a track that has loudness to keep: silence has none (and nothing to even
// out).
void KeepLoudness(project::Track& t, const base::Result<TrackLoudness>& loudness) {
    if (loudness && std::isfinite(loudness->IntegratedLufs) &&
        std::isfinite(loudness->TruePeakDbtp)) {
        t.Ext.HasLoudness = true;
        t.Ext.LoudnessLufs = loudness->IntegratedLufs;
        t.Ext.TruePeakDb = loudness->TruePeakDbtp;
    }
}

project::ImportResult<std::size_t> ImportTrack(project::ShowContent& show,
                                               const project::WorkFiles& files,
                                               const std::string& path, bool keepUndecodable,
                                               bool measure) {
    using Result = project::ImportResult<std::size_t>;
    using project::ImportNote;
    std::string ext = project::ExtensionOf(path);
    if (!project::IsTrackExtension(ext))
        return Result(ImportNote::Skip("not a track: " + path));
    if (!keepUndecodable && !Audio().Loaded())
        return Result(ImportNote::Skip("the audio library is not loaded"));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string copy = files.MakeMusicName(ext);
    if (copy.empty())
        return base::Fail("all " + std::to_string(project::kMaxWorkNames) + " working names for " +
                          ext + " tracks are taken");
    if (const project::ImportStatus copied = CopyIntoNewFile(path, copy); !copied)
        return base::Fail(copied.error());
    else if (!copied->Added)
        return Result(*copied);

    // From here on a skip removes the copy again.
    const auto skip = [&copy](std::string why) {
        ::unlink(copy.c_str());
        return Result(ImportNote::Skip(std::move(why)));
    };
    project::Track t = project::Track::MakeDefault();
    t.WorkFile = copy;
    auto title = TrackTitle(path);
    if (!title)
        return skip(title.error());
    t.Title = std::move(*title);
    std::int64_t seconds = Audio().Loaded() ? MeasureTrackSeconds(copy) : -1;
    if (seconds < 0 && !keepUndecodable)
        return skip("cannot decode " + path);
    seconds = std::max<std::int64_t>(seconds, 0);
    const auto clamped = static_cast<std::int32_t>(std::min<std::int64_t>(seconds, 1 << 30));
    t.LengthSeconds = clamped;
    t.PlaySeconds = clamped;
    t.Volume = 100;
    // Measured once here and kept in the show, so even loudness never has to decode the track
    // again.
    if (measure)
        KeepLoudness(t, MeasureTrackLoudness(copy));
    const std::size_t index = show.Sounds.size();
    show.Sounds.push_back(t);
    return Result(index);
}

} // namespace

project::ImportResult<std::size_t> AddTrack(project::ShowContent& show,
                                            const project::WorkFiles& files,
                                            const std::string& path,
                                            TrackLoudnessAtImport loudness) {
    return ImportTrack(show, files, path, false, loudness == TrackLoudnessAtImport::Measure);
}

project::ImportResult<std::size_t>
LoadTrack(project::ShowContent& show, const project::WorkFiles& files, const std::string& path) {
    return ImportTrack(show, files, path, true, false);
}

void MeasureMissingLoudness(project::Track& track, base::Progress& progress) {
    if (track.Ext.HasLoudness || !Audio().Loaded())
        return;
    auto source = OpenTrackPcmSource(track.WorkFile);
    if (!source)
        return;
    KeepLoudness(track, MeasureLoudness(**source, &progress));
}

} // namespace media
