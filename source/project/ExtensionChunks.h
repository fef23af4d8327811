// The values of the extension block's chunks that its rows share: payloads made from the
// document's values and read back into them, checked (values out of range fall back to their
// defaults, texts that are not valid UTF-8 or too long are refused). The rows themselves are the
// chunk table's (ChunkTable.h); the block's layout is ExtensionBlock's.
#pragma once

#include "project/ExtensionBlock.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace project::extension_chunks {

constexpr double kMaxFadeSeconds = 10.0;

// The text when the bytes are valid UTF-8 of at most maxCharacters characters; nullopt otherwise.
std::optional<std::string> ExactText(const std::uint8_t* p, std::size_t size, int maxCharacters);
// v when it is a number within lo..hi, else fallback.
double InRange(double v, double lo, double hi, double fallback);

StoredSlideExtension FromChunk(const SlideChunk& c);
TrackExtension FromChunk(const TrackChunk& c);
OutputChunk ToChunk(const OutputSettings& s);
OutputSettings FromChunk(const OutputChunk& c);

// A face's side or place in 65535ths of the picture.
base::le_u16 FaceUnits(double fraction);
// Appends the boxes of at most kMaxFaces faces, as "FACE" and "COLL" store them.
void AppendFaceBoxes(std::vector<std::uint8_t>& out, const std::vector<imaging::FaceBox>& faces);
// The first kMaxFaces of `count` boxes in `room` bytes (empty ones dropped); nullopt when the
// room cannot hold as many as it says.
std::optional<std::vector<imaging::FaceBox>> ReadFaceBoxes(const std::uint8_t* p, std::size_t room,
                                                           std::uint32_t count);
// A text motion's code, nullopt when no motion has it.
std::optional<imaging::TextMotion> MotionOf(std::uint8_t code);
// A "TITL" payload's title, or nullopt when its texts do not fit or are not valid UTF-8 (the
// chunk is then skipped, and the slide shows its card as a photo).
std::optional<imaging::TitleSettings> ReadTitle(const TitleChunk& c, const std::uint8_t* p,
                                                std::uint32_t length);
// The longest name that fits kMaxClipNameCharacters, cut at a whole character.
std::string ClipNameToStore(const std::string& name);
// A "CLIP" payload's clip, or nullopt when its name does not fit or the clip has no length.
std::optional<StoredClip> ReadClip(const ClipChunk& c, const std::uint8_t* p, std::uint32_t length);

} // namespace project::extension_chunks
