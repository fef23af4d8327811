#include "media/TrackImport.h"

#include "media/AudioLibrary.h"
#include "media/TrackTitle.h"
#include "project/Import.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace media {

std::int64_t MeasureTrackSeconds(const std::string& path) {
    const Stream stream = Audio().OpenFile(path, BASS_STREAM_DECODE);
    if (!stream)
        return -1;
    const double seconds = stream.BytesToSeconds(stream.LengthBytes());
    if (!(seconds >= 0) || seconds > 1e9)
        return -1;
    return static_cast<std::int64_t>(std::nearbyint(seconds));
}

std::optional<std::size_t> AddTrack(project::ShowModel& show, const std::string& path,
                                    std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<std::size_t> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    std::string ext = project::ExtensionOf(path);
    if (!project::IsTrackExtension(ext))
        return fail("not a track: " + path);
    if (!Audio().Loaded())
        return fail("the audio library is not loaded");
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string copy = show.MakeWorkName(show.MusicDir, ext);
    const QString copyName = QString::fromLocal8Bit(copy.c_str());
    QFile::remove(copyName);
    if (!QFile::copy(QString::fromLocal8Bit(path.c_str()), copyName))
        return fail("cannot copy " + path + " into the working folder");

    // From here on a failure removes the new record and its copy again.
    show.Sounds.push_back(project::Track{});
    try {
        project::Track& t = show.Sounds.back();
        t.WorkFile.assign(copy);
        t.Title.assign(TrackTitle(path));
        const std::int64_t seconds = MeasureTrackSeconds(copy);
        if (seconds < 0)
            throw std::runtime_error("cannot decode " + path);
        const auto clamped = static_cast<std::int32_t>(std::min<std::int64_t>(seconds, 1 << 30));
        t.LengthSeconds = clamped;
        t.PlaySeconds = clamped;
        t.Selected = 0;
        t.Volume = 100;
        return show.Sounds.size() - 1;
    } catch (const std::exception& e) {
        show.Sounds.pop_back();
        QFile::remove(copyName);
        return fail(e.what());
    }
}

} // namespace media
