// The still slides as frames. A caller that fits photos to the frame its own way (the export's
// sharp fit for the sizes of today's players) hands that fit in; the incoming photo of a
// transition is composed the same way (handed to the transition as a frame-sized picture file).
// Without one, the frames are composed exactly as the preview composes them.
//
// A slide is composed once: the incoming picture of a transition is the frame the slide then
// shows. Slides asked for ahead (Prefetch) are composed by dedicated tasks of the thread pool while
// the frames before them are made, so reading and scaling the photos takes no time of the export's.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/Compose.h"

#include <deque>
#include <functional>
#include <future>
#include <string>

namespace render {

// Fits a photo into a frame-sized target on the slide's colour.
// Scales a picture to width x height with a sharp filter (an export's, for pictures its frames
// would otherwise enlarge by sampling).
using PictureScale =
    std::function<imaging::Bitmap(const imaging::Bitmap& picture, int width, int height)>;

using PictureFit = std::function<void(imaging::Bitmap& target, const imaging::Bitmap& picture,
                                      std::int32_t backColor)>;

class SlideComposer {
public:
    // fit: how a photo fills the frame (empty: as the preview composes it); scratchPath: the
    // picture file of the incoming slide (removed by DropIncoming and on destruction).
    SlideComposer(PictureFit fit, std::string scratchPath);
    ~SlideComposer();
    SlideComposer(const SlideComposer&) = delete;
    SlideComposer& operator=(const SlideComposer&) = delete;

    // The slide into frame (which keeps its size); false, leaving frame as it was, when the
    // picture cannot be read.
    bool Render(imaging::Bitmap& frame, const imaging::SlideSource& slide);
    // The slide composed at width x height, which becomes the size of the frames to come: the
    // very picture Render copies (null when it cannot be read).
    std::shared_ptr<const imaging::Bitmap> Frame(const imaging::SlideSource& slide, int width,
                                                 int height);
    // What the transition towards the slide should compose: its frame made here and saved to the
    // scratch file (the slide itself when it cannot be read or saved). Needs the frame size of
    // the last Render.
    imaging::SlideSource Incoming(const imaging::SlideSource& slide);
    void DropIncoming();
    // Starts composing the slide at the frame size of the last Render, for a Render or Incoming
    // to come; at most two are kept.
    void Prefetch(const imaging::SlideSource& slide);

private:
    struct Composed {
        imaging::SlideSource Slide;
        int Width = 0;
        int Height = 0;
        std::shared_future<std::shared_ptr<const imaging::Bitmap>> Frame; // null: unreadable
    };
    std::shared_ptr<const imaging::Bitmap> Compose(const imaging::SlideSource& slide, int width,
                                                   int height) const;
    // The slide composed at the current size: ahead, or now.
    std::shared_ptr<const imaging::Bitmap> Take(const imaging::SlideSource& slide);

    PictureFit fit_;
    std::string scratch_;
    int width_ = 0;
    int height_ = 0;
    std::deque<Composed> ahead_;
    Composed last_; // the last incoming slide, shown next
};

} // namespace render
