// What each kind of slide takes, said once: the storyboard, the effects dialog, the edits, the
// mix, the show file and the console tool ask here instead of testing a slide's fields.
#pragma once

#include "project/Slide.h"

namespace project {

enum class SlideKind { Photo, Clip, Title, Collage };

struct KindTraits {
    SlideKind Kind = SlideKind::Photo;
    const char* Name = "";         // the kind's name in the console tool's listing
    bool TakesPhotoEdits = false;  // crop, turn, light, colour and a still caption drawn into it
    bool TakesMotion = false;      // pan and zoom of the whole slide
    bool HasSound = false;         // sound of its own, mixed under the music
    bool OwnLength = false;        // a length of its own that its still follows
    bool DrawnAtFrameSize = false; // drawn from its values at each frame's size, not its picture
    bool TakesCaption = false;     // a caption of the slide's own (a title has its text instead)
    const char* NoPhotoEdits = ""; // why the photo edits it does not take are refused
};

KindTraits TraitsOf(const SlideBody& body);
inline KindTraits TraitsOf(const Slide& slide) {
    return TraitsOf(slide.Body);
}
inline SlideKind KindOf(const Slide& slide) {
    return TraitsOf(slide).Kind;
}

// The faces found on a photo (none for the other kinds, or when none were looked for).
std::vector<imaging::FaceBox> FacesOf(const Slide& slide);

} // namespace project
