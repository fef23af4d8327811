// The preview's music when the show's plan is more than tracks end to end (fades, a cross-fade,
// the end fade, even loudness): the audio library plays one file at a time and cannot shape its
// volume over time, so the mix the export writes is rendered into a WAV before the preview starts
// and played as its one track. A plain plan leaves the tracks played one by one, as always.
#pragma once

#include "base/Job.h"
#include "project/ShowModel.h"

#include <string>

namespace ui {

class PreviewMusic {
public:
    PreviewMusic() = default;
    ~PreviewMusic() { Release(); }
    PreviewMusic(const PreviewMusic&) = delete;
    PreviewMusic& operator=(const PreviewMusic&) = delete;

    // Mixes the show's music for a preview as long as the show when its plan needs it. False
    // when the user cancelled (the preview should not start); a mix that cannot be written
    // leaves the tracks to be played one by one.
    bool Prepare(const project::ShowModel& show, base::Progress& progress);
    // True while a mixed file stands for the tracks.
    bool Mixed() const { return !file_.empty(); }
    const std::string& File() const { return file_; }
    // Deletes the mixed file (when there is one).
    void Release();

private:
    std::string file_;
};

} // namespace ui
