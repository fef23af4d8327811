// The commands that retime the show's photos to its music, shared by the window and the console
// tool: "Fit photos to the music" and "Change photos on the beat". Both set exact durations in
// milliseconds through the slides' one duration edit (ApplySlideEdit with a DurationEdit). Both
// retime photos and titles around the clips: a clip keeps the length of its trim (its still is
// the one its trim gives, project::ClipStillMs), and so do the transitions on either side of it.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/audio/PcmSource.h"
#include "project/ShowModel.h"
#include "render/ShowTimeline.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {

// Gives every slide the times given (one per slide, in show order), changing only the slides
// whose times differ. Returns how many changed.
std::size_t ApplySlideTimes(project::ShowContent& show,
                            const std::vector<render::SlideTime>& times);

// What a retiming did: how many photos and titles got new times, and how many clips it left at
// the length of their trim.
struct Retiming {
    std::size_t Retimed = 0;
    std::size_t ClipsKept = 0;
};

// "Fit photos to the music": the photos' and titles' stills and the transitions between them
// scaled, keeping their proportions, so that with the clips at their trims the show lasts as
// long as its music as laid out. Fails when the show has no photos or no music, holds nothing but
// clips, or its clips alone last as long as the music.
base::Result<Retiming> FitPhotosToMusic(project::ShowContent& show);

// "Change photos on the beat": the beats of the show's mixed soundtrack (as long as the show)
// are found, and every cut of a photo or title moved to the beat nearest to it. Fails when the
// show has no photos or no music, or when the progress is cancelled ("cancelled").
base::Result<Retiming> ChangePhotosOnBeat(project::ShowContent& show, const PcmSourceOpener& open,
                                          base::Progress* progress);

// How far from the music's end a show may end and still end with it: a frame at 25 per second.
constexpr std::int64_t kWithTheMusicMs = 40;

// Whether the show has music and ends with it (within kWithTheMusicMs), as fitting leaves it.
bool EndsWithTheMusic(const project::ShowContent& show);

} // namespace media
