// The photo and track records of the project file, byte for byte: every field is a byte array
// with explicit little-endian access, and every offset is checked at compile time. Only the
// project file packs and unpacks them; the show itself holds plain values (Slide.h, Track.h).
#pragma once

#include "base/Endian.h"
#include "project/Slide.h"
#include "project/Track.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace project {

// A length byte followed by up to N bytes of text (code-page bytes, not UTF-8). Bytes after the
// text keep whatever the record held.
template <std::size_t N> struct ShortString {
    static_assert(N <= 255);
    std::uint8_t length = 0;
    std::array<char, N> data{};

    std::string str() const { return std::string(data.data(), length > N ? N : length); }
    void assign(std::string_view s) {
        const std::size_t n = s.size() > N ? N : s.size();
        for (std::size_t i = 0; i < n; ++i)
            data[i] = s[i];
        length = static_cast<std::uint8_t>(n);
    }
};

// A zero-terminated text of at most N-1 bytes in an N-byte field. Reading never runs past the
// field even when the stored bytes hold no terminator.
template <std::size_t N> struct ZString {
    std::array<char, N> data{};

    std::string str() const {
        std::size_t n = 0;
        while (n < N && data[n] != '\0')
            ++n;
        return std::string(data.data(), n);
    }
    // Stores s, cut to N-1 bytes; returns false when it had to be cut.
    bool assign(std::string_view s) {
        const std::size_t n = s.size() > N - 1 ? N - 1 : s.size();
        for (std::size_t i = 0; i < n; ++i)
            data[i] = s[i];
        for (std::size_t i = n; i < N; ++i)
            data[i] = '\0';
        return n == s.size();
    }
    bool empty() const { return data[0] == '\0'; }
};

// One photo of the show, 2644 bytes.
struct SlideRecord {
    base::le_i32 ShowSeconds;       // display time, whole seconds
    base::le_i32 TransitionKind;    // 0..13, transition to the next photo (0 = none)
    base::le_i32 TransitionSeconds; // duration of that transition
    std::uint8_t Selected;          // written as 0 (interface state of older writers)
    std::uint8_t Deleted;           // written as 0
    ZString<2049> WorkFile;         // full path of the working BMP
    ShortString<255> CaptionText;
    ShortString<255> CaptionFont;
    base::le_i32 Brightness;           // -100..100
    base::le_i32 Contrast;             // -25..25
    base::LEDouble Gamma10;            // gamma x 10
    base::le_i32 ColorEffect;          // 0 none, 1 black-white, 2 sepia, 3 negative
    base::le_i32 BackColor;            // 0x00BBGGRR or 0xFF0000nn system colour
    base::le_i32 TurnCount;            // confirmed rotate/flip actions
    base::le_i32 CaptionVAlign;        // 1 top, 2 centre, 3 bottom
    base::le_i32 CaptionHAlign;        // 1 left, 2 centre, 3 right
    base::le_i32 CaptionSize;          // points
    base::le_i32 CaptionColor;         // 0x00BBGGRR
    std::uint8_t CaptionStyle;         // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    std::array<base::le_u32, 6> Views; // written as 0 (cell handles of older writers)
};

// One music track, 2331 bytes (an odd size: arrays of it have that stride).
struct TrackRecord {
    base::le_i32 PlaySeconds;   // seconds played; tracks are laid end to end by this
    base::le_i32 LengthSeconds; // full decoded length, whole seconds
    base::le_i32 Volume;        // 0..100
    std::uint8_t Selected;      // written as 0
    std::uint8_t Deleted;       // written as 0
    ZString<2049> WorkFile;     // full path of the copy in MusicDir
    ShortString<255> Title;
    std::array<base::le_u32, 3> Views; // written as 0
};

// The record's code-page text for a UTF-8 text: Windows-1251 bytes, "?" for each character the code
// page cannot hold, cut to the first 255 characters.
std::string RecordText(std::string_view utf8);
// The UTF-8 text a record's code-page bytes say.
std::string TextOfRecord(std::string_view codePage);
// Whether the record's code-page text says the UTF-8 text exactly.
bool RecordSaysExactly(std::string_view utf8);

// The record of a slide / track: every record field from the value, texts in the code page cut
// to their fields, the interface bytes zero.
SlideRecord PackSlide(const Slide& slide);
TrackRecord PackTrack(const Track& track);
// The values a record holds (extension data at its defaults, texts decoded from the code page).
Slide UnpackSlide(const SlideRecord& record);
Track UnpackTrack(const TrackRecord& record);

static_assert(sizeof(SlideRecord) == 2644);
static_assert(alignof(SlideRecord) == 1);
static_assert(offsetof(SlideRecord, ShowSeconds) == 0);
static_assert(offsetof(SlideRecord, TransitionKind) == 4);
static_assert(offsetof(SlideRecord, TransitionSeconds) == 8);
static_assert(offsetof(SlideRecord, Selected) == 12);
static_assert(offsetof(SlideRecord, Deleted) == 13);
static_assert(offsetof(SlideRecord, WorkFile) == 14);
static_assert(offsetof(SlideRecord, CaptionText) == 2063);
static_assert(offsetof(SlideRecord, CaptionFont) == 2319);
static_assert(offsetof(SlideRecord, Brightness) == 2575);
static_assert(offsetof(SlideRecord, Contrast) == 2579);
static_assert(offsetof(SlideRecord, Gamma10) == 2583);
static_assert(offsetof(SlideRecord, ColorEffect) == 2591);
static_assert(offsetof(SlideRecord, BackColor) == 2595);
static_assert(offsetof(SlideRecord, TurnCount) == 2599);
static_assert(offsetof(SlideRecord, CaptionVAlign) == 2603);
static_assert(offsetof(SlideRecord, CaptionHAlign) == 2607);
static_assert(offsetof(SlideRecord, CaptionSize) == 2611);
static_assert(offsetof(SlideRecord, CaptionColor) == 2615);
static_assert(offsetof(SlideRecord, CaptionStyle) == 2619);
static_assert(offsetof(SlideRecord, Views) == 2620);

static_assert(sizeof(TrackRecord) == 2331);
static_assert(alignof(TrackRecord) == 1);
static_assert(offsetof(TrackRecord, PlaySeconds) == 0);
static_assert(offsetof(TrackRecord, LengthSeconds) == 4);
static_assert(offsetof(TrackRecord, Volume) == 8);
static_assert(offsetof(TrackRecord, Selected) == 12);
static_assert(offsetof(TrackRecord, Deleted) == 13);
static_assert(offsetof(TrackRecord, WorkFile) == 14);
static_assert(offsetof(TrackRecord, Title) == 2063);
static_assert(offsetof(TrackRecord, Views) == 2319);

static_assert(std::is_trivially_copyable_v<SlideRecord>);
static_assert(std::is_trivially_copyable_v<TrackRecord>);

} // namespace project
