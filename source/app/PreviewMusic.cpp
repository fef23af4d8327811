#include "app/PreviewMusic.h"

#include "media/ShowMix.h"
#include "media/SoundtrackMixer.h"
#include "media/TrackPcmSource.h"

#include <cstdio>

namespace ui {

bool PreviewMusic::Prepare(const project::ShowModel& show, base::Progress& progress) {
    Release();
    // The preview keeps whole seconds: its music ends where its last picture does.
    const media::MixPlan plan = media::MixPlanOf(show, show.ShowLengthSeconds() * 1000);
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
