#include "app/PreviewMusic.h"

#include "media/ShowMix.h"
#include "media/SoundtrackMixer.h"
#include "media/TrackPcmSource.h"

#include <cstdio>

namespace ui {

bool PreviewMusic::Prepare(const project::ShowModel& show, base::Progress& progress) {
    Release();
    // The music ends where the show's last picture does.
    const media::MixPlan plan = media::MixPlanOf(show, render::ShowTimeline::Of(show).LengthMs());
    if (media::IsPlainPlan(plan) || show.MusicDir.empty())
        return true;
    const std::string path = show.MusicDir + "preview-mix.wav";
    progress.Open();
    const auto mixed = media::RenderMixToWav(plan, media::OpenTrackPcmSource, path, progress);
    progress.Close();
    if (!mixed) {
        std::remove(path.c_str());
        return true;
    }
    file_ = path;
    if (mixed->Cancelled) {
        Release();
        return false;
    }
    return true;
}

void PreviewMusic::Release() {
    if (file_.empty())
        return;
    std::remove(file_.c_str());
    file_.clear();
}

} // namespace ui
