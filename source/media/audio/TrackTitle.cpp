#include "media/audio/TrackTitle.h"

#include "base/Endian.h"
#include "base/FileName.h"
#include "base/Text.h"
#include "media/audio/AudioLibrary.h"
#include "media/audio/TagText.h"
#include "project/Track.h"

#include <QString>

#include <cstring>
#include <string_view>

namespace media {

namespace {

std::string CutAtNul(const char* p, std::size_t n) {
    return std::string(p, strnlen(p, n));
}

std::uint32_t SyncSafe(const std::uint8_t* p) {
    return (std::uint32_t{p[0] & 0x7Fu} << 21) | (std::uint32_t{p[1] & 0x7Fu} << 14) |
           (std::uint32_t{p[2] & 0x7Fu} << 7) | std::uint32_t{p[3] & 0x7Fu};
}

// The text of a text frame's data (encoding byte first), in UTF-8.
std::string FrameText(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t encoding = data[0];
    const std::uint8_t* text = data + 1;
    const std::size_t n = size - 1;
    switch (encoding) {
    case 0: // ISO-8859-1, kept as bytes
        return base::Trim(CodePageText(CutAtNul(reinterpret_cast<const char*>(text), n)));
    case 1: // UTF-16 with byte-order mark
        return base::Trim(Utf16Text(text, n, false));
    case 2: // UTF-16 big-endian
        return base::Trim(Utf16Text(text, n, true));
    case 3: // UTF-8
        return base::Trim(Utf8Text(CutAtNul(reinterpret_cast<const char*>(text), n)));
    default:
        return std::string();
    }
}

std::size_t Id3v2BlockSize(const std::uint8_t* tag) {
    return 10 + SyncSafe(tag + 6) + ((tag[5] & 0x10) ? 10 : 0);
}

std::size_t OggBlockSize(const char* block) {
    std::size_t n = 0;
    while (block[n] != '\0')
        n += std::strlen(block + n) + 1;
    return n + 1;
}

} // namespace

std::string ArtistTitle::Joined() const {
    if (!artist.empty() && !title.empty())
        return artist + " - " + title;
    return artist.empty() ? title : artist;
}

ArtistTitle ReadId3v2Title(const std::uint8_t* tag, std::size_t size) {
    ArtistTitle r;
    if (size < 10 || std::memcmp(tag, "ID3", 3) != 0)
        return r;
    const int version = tag[3];
    const std::uint8_t flags = tag[5];
    const std::uint64_t tagSize = SyncSafe(tag + 6);
    std::uint64_t pos = 10;
    std::uint64_t end = tagSize + 10;
    if (version == 3) {
        if (flags & 0x80) // unsynchronised: not read
            return r;
        if (flags & 0x40) {
            if (size < 14)
                return r;
            pos = 10 + std::uint64_t{base::LoadBE<std::uint32_t>(tag + 10)} + 4;
        }
    } else if (version == 4) {
        if (flags & 0x40) {
            if (size < 14)
                return r;
            pos = 10 + std::uint64_t{SyncSafe(tag + 10)};
        }
        if (flags & 0x20)
            end = tagSize;
    } else {
        return r;
    }
    // Never past the bytes actually given, whatever the header claims.
    if (end > size)
        end = size;
    while (pos + 10 <= end) {
        const std::uint8_t* frame = tag + pos;
        const std::uint64_t frameSize =
            version == 3 ? base::LoadBE<std::uint32_t>(frame + 4) : SyncSafe(frame + 4);
        const std::uint8_t format = frame[9];
        const bool skipped = version == 3 ? (format & 0xC0) != 0 : (format & 0x0F) != 0;
        const bool grouping = version == 3 ? (format & 0x20) != 0 : (format & 0x40) != 0;
        if (!skipped) {
            const std::uint64_t dataAt = pos + 10 + (grouping ? 1 : 0);
            const std::int64_t textLength =
                static_cast<std::int64_t>(frameSize) - 1 - (grouping ? 1 : 0);
            if (textLength > 0 && pos + 10 + frameSize <= end) {
                const bool artist = std::memcmp(frame, "TPE1", 4) == 0;
                const bool title = std::memcmp(frame, "TIT2", 4) == 0;
                if (artist || title) {
                    std::string text =
                        FrameText(tag + dataAt, static_cast<std::size_t>(textLength) + 1);
                    (artist ? r.artist : r.title) = std::move(text);
                }
            }
        }
        pos += frameSize + 10;
    }
    return r;
}

ArtistTitle ReadId3v1Title(const std::uint8_t* tag, std::size_t size) {
    ArtistTitle r;
    if (size < 128)
        return r;
    r.title = base::Trim(CodePageText(CutAtNul(reinterpret_cast<const char*>(tag + 3), 30)));
    r.artist = base::Trim(CodePageText(CutAtNul(reinterpret_cast<const char*>(tag + 33), 30)));
    return r;
}

ArtistTitle ReadOggTitle(const char* block, std::size_t size) {
    ArtistTitle r;
    std::size_t pos = 0;
    while (pos < size) {
        const std::string entry = CutAtNul(block + pos, size - pos);
        pos += entry.size() + 1;
        const std::size_t eq = entry.find('=');
        if (eq == std::string::npos || eq == 0)
            break; // also the empty string that ends the block
        const std::string_view value = std::string_view(entry).substr(eq + 1);
        if (value.empty())
            continue;
        std::string key = entry.substr(0, eq);
        for (char& c : key)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        if (key == "ARTIST")
            r.artist = base::Trim(Utf8Text(value));
        else if (key == "TITLE")
            r.title = base::Trim(Utf8Text(value));
    }
    return r;
}

base::Result<std::string> TrackTitle(const std::string& path) {
    AudioLibrary& audio = Audio();
    if (!audio.Loaded())
        return base::Fail("The audio library is not loaded");
    const Stream stream = audio.OpenFile(path, 0);
    std::string result;
    const auto slash = path.rfind('/');
    const QString name =
        base::DecodeFileName(slash == std::string::npos ? path : path.substr(slash + 1));
    const QString ext = name.size() >= 4 ? name.right(4).toUpper() : QString();
    if (stream) {
        if (ext == ".OGG") {
            if (const char* block = stream.Tags(BASS_TAG_OGG))
                result = ReadOggTitle(block, OggBlockSize(block)).Joined();
        } else if (ext == ".MP3") {
            if (const char* block = stream.Tags(BASS_TAG_ID3V2)) {
                const auto* tag = reinterpret_cast<const std::uint8_t*>(block);
                result = ReadId3v2Title(tag, Id3v2BlockSize(tag)).Joined();
            }
            if (result.empty())
                if (const char* block = stream.Tags(BASS_TAG_ID3))
                    result =
                        ReadId3v1Title(reinterpret_cast<const std::uint8_t*>(block), 128).Joined();
        }
    }
    if (result.empty())
        result = name.left(name.size() - 4).toStdString();
    // A title is kept whole up to the show's limit; a longer one is cut between characters.
    const QString title = QString::fromStdString(result);
    if (title.toStdU32String().size() > std::size_t(project::kMaxTitleCharacters))
        result = QString::fromStdU32String(
                     title.toStdU32String().substr(0, project::kMaxTitleCharacters))
                     .toStdString();
    return result;
}

} // namespace media
