// The photo and track records of a show. They are both the in-memory items and the record
// format of the project file, so they are plain bytes: every field is a byte array with explicit
// little-endian access, and every offset is checked at compile time.
#pragma once

#include "base/Endian.h"

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

// A handle into the storyboard's table of cell widgets; 0 means none. Never a pointer, so the
// record stays plain bytes that can be moved and written whole.
using ViewHandle = std::uint32_t;

constexpr std::int32_t kButtonFaceColor = static_cast<std::int32_t>(0xFF00000F);

// One photo of the show, 2644 bytes.
struct Slide {
    base::le_i32 ShowSeconds;       // display time, whole seconds
    base::le_i32 TransitionKind;    // 0..13, transition to the next photo (0 = none)
    base::le_i32 TransitionSeconds; // duration of that transition
    std::uint8_t Selected;          // 1 on the selected photo only
    std::uint8_t Deleted;           // set just before CompactSlides removes it
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
    std::array<base::le_u32, 6> Views; // cell handles; meaningless outside the running program

    // A zero-filled record with the defaults of a freshly imported photo.
    static Slide MakeDefault();
};

// One music track, 2331 bytes (an odd size: arrays of it have that stride).
struct Track {
    base::le_i32 PlaySeconds;   // seconds played; tracks are laid end to end by this
    base::le_i32 LengthSeconds; // full decoded length, whole seconds
    base::le_i32 Volume;        // 0..100
    std::uint8_t Selected;
    std::uint8_t Deleted;
    ZString<2049> WorkFile; // full path of the copy in MusicDir
    ShortString<255> Title;
    std::array<base::le_u32, 3> Views;

    static Track MakeDefault();
};

static_assert(sizeof(Slide) == 2644);
static_assert(alignof(Slide) == 1);
static_assert(offsetof(Slide, ShowSeconds) == 0);
static_assert(offsetof(Slide, TransitionKind) == 4);
static_assert(offsetof(Slide, TransitionSeconds) == 8);
static_assert(offsetof(Slide, Selected) == 12);
static_assert(offsetof(Slide, Deleted) == 13);
static_assert(offsetof(Slide, WorkFile) == 14);
static_assert(offsetof(Slide, CaptionText) == 2063);
static_assert(offsetof(Slide, CaptionFont) == 2319);
static_assert(offsetof(Slide, Brightness) == 2575);
static_assert(offsetof(Slide, Contrast) == 2579);
static_assert(offsetof(Slide, Gamma10) == 2583);
static_assert(offsetof(Slide, ColorEffect) == 2591);
static_assert(offsetof(Slide, BackColor) == 2595);
static_assert(offsetof(Slide, TurnCount) == 2599);
static_assert(offsetof(Slide, CaptionVAlign) == 2603);
static_assert(offsetof(Slide, CaptionHAlign) == 2607);
static_assert(offsetof(Slide, CaptionSize) == 2611);
static_assert(offsetof(Slide, CaptionColor) == 2615);
static_assert(offsetof(Slide, CaptionStyle) == 2619);
static_assert(offsetof(Slide, Views) == 2620);

static_assert(sizeof(Track) == 2331);
static_assert(alignof(Track) == 1);
static_assert(offsetof(Track, PlaySeconds) == 0);
static_assert(offsetof(Track, LengthSeconds) == 4);
static_assert(offsetof(Track, Volume) == 8);
static_assert(offsetof(Track, Selected) == 12);
static_assert(offsetof(Track, Deleted) == 13);
static_assert(offsetof(Track, WorkFile) == 14);
static_assert(offsetof(Track, Title) == 2063);
static_assert(offsetof(Track, Views) == 2319);

static_assert(std::is_trivially_copyable_v<Slide>);
static_assert(std::is_trivially_copyable_v<Track>);

} // namespace project
