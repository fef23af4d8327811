// Title slides in the show: a new one made, and the card that stands for one in the show file's
// records (and on the storyboard), drawn at the show's photo size over the next photo when its
// backdrop is a blur.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/TitleCard.h"
#include "project/ShowContent.h"
#include "project/WorkFiles.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace project {

// Checks a title's texts (valid UTF-8, within their length, a title that is not empty) and
// colours; the message names the value.
base::Status ValidateTitle(const imaging::TitleSettings& title);

// The card of slide i (a title slide) at the photo size, with slide i + 1's working picture under
// a blurred backdrop.
imaging::Bitmap TitleCardPicture(const std::vector<Slide>& slides, std::size_t i,
                                 const PhotoSettings& photos);

// Draws that card into slide i's working file (replaced only when complete).
base::Status WriteTitleCard(const std::vector<Slide>& slides, std::size_t i,
                            const PhotoSettings& photos);

// The title slide i of a show takes new texts and looks, checked, and its card is drawn again:
// the one edit of a title, for the window and the console tool alike.
base::Status EditTitle(ShowContent& show, std::size_t i, const imaging::TitleSettings& title,
                       const PhotoSettings& photos);

// A new title slide to go before slide `before` of `slides` (slides.size() appends), lasting
// stillMs, its working card made in `files`. The defaults of an imported photo hold otherwise.
base::Result<Slide> MakeTitleSlide(const std::vector<Slide>& slides, std::size_t before,
                                   const imaging::TitleSettings& title, std::int64_t stillMs,
                                   const WorkFiles& files, const PhotoSettings& photos);

} // namespace project
