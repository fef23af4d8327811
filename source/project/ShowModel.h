// The one open slide show as a document of plain values: the photos and tracks in show order,
// the show-wide options, and the commands that change them together with their working copies.
// Every command announces its change once to the observers.
#pragma once

#include "project/ShowObserver.h"
#include "project/Slide.h"
#include "project/Track.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace project {

// Working names per prefix and folder: NNNN runs from 0001 to 9999.
constexpr int kMaxWorkNames = 9999;

class ShowModel {
public:
    // Read freely; change only through the commands below, which announce what they did.
    std::vector<Slide> Slides;
    std::vector<Track> Sounds;
    ShowOptions Options;
    std::uint32_t WorkPrefix = 0;
    std::string Resolution;  // "WxH"; empty or unparsable means 1280x1024
    std::string PicturesDir; // working folder of the photo copies, ends with '/'
    std::string MusicDir;    // working folder of the track copies, ends with '/'
    // The background imported photos get: the user's choice, or the button face as always.
    std::int32_t NewPhotoBackColor = kButtonFaceColor;

    void AddObserver(ShowObserver* observer) { observers_.Add(observer); }
    void RemoveObserver(ShowObserver* observer) { observers_.Remove(observer); }

    // Deletes every working copy, empties both lists, back to default options.
    void ClearProject();
    // Replaces the whole show's items and options at once (an open); announced as a reset.
    void ReplaceAll(std::vector<Slide> slides, std::vector<Track> sounds, ShowOptions options);
    // Deletes the plain files of both working folders (sub-folders are left alone).
    void PurgeWorkFolders() const;

    // Exchange of slides sourceTag and targetTag (1-based). False, changing nothing, when either
    // is out of range or they are the same.
    bool SwapSlides(int sourceTag, int targetTag);

    // Puts a slide / track in at index (0..size). False when index is past the end.
    bool InsertSlide(std::size_t index, const Slide& slide);
    bool InsertSound(std::size_t index, const Track& track);
    // Takes slide / track index out and deletes its working copy (when still there). False when
    // index is out of range.
    bool RemoveSlide(std::size_t index);
    bool RemoveSound(std::size_t index);
    // Moves the item at `from` to `to`, the items between shifting by one place (a drag that
    // inserts). The item travels whole (working copy, effects). False, changing nothing, when
    // either is out of range or they are equal.
    bool MoveSlide(std::size_t from, std::size_t to);
    bool MoveSound(std::size_t from, std::size_t to);
    // Replaces the values of slide / track index. False when index is out of range.
    bool SetSlide(std::size_t index, const Slide& slide);
    bool SetSound(std::size_t index, const Track& track);
    // The show-wide options changed (announced as a reset unless only the output settings did).
    void SetOptions(const ShowOptions& options);
    // Slide index's working picture was rewritten in place (its values may be the same).
    void PictureChanged(std::size_t index);

    // The first free name folder + WorkPrefix + "_" + NNNN + ext (NNNN = 0001..9999), or ""
    // when all are taken. The search remembers where the free names begin, so a batch of imports
    // does not test every taken name again; names the model frees (a delete, a clear) are used
    // again, a file removed behind its back only after the model's next delete or clear.
    std::string MakeWorkName(const std::string& folder, const std::string& ext) const;

    // Output size of imported photos parsed from Resolution, 1280x1024 when it does not parse.
    void ResolutionSize(int& width, int& height) const;

private:
    // Below this number every working name of a folder, prefix and extension was taken.
    mutable std::map<std::string, int> firstFreeName_;
    ShowObservers observers_;
};

// Where an item that stood at `index` stands after the move of the item at `from` to `to`: the
// moved one goes along, the ones between shift by one place, the rest stay. Views keep their
// selection on its item with it.
std::size_t IndexAfterMove(std::size_t index, std::size_t from, std::size_t to);

} // namespace project
