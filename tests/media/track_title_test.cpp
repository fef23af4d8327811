// Track titles from files tagged by independent tools, and the ID3v2 frame walk's edge cases on
// hand-made tags.
#include "AudioFiles.h"

#include "media/audio/AudioLibrary.h"
#include "media/audio/TrackTitle.h"

#include <QFile>

#include <gtest/gtest.h>

#include <vector>

using namespace testing_audio;

namespace {

std::string BaseMp3(const std::string& name) {
    static const std::string wav = AudioFiles::Get().Wav("title.wav", 0.5);
    return AudioFiles::Get().Mp3(name, wav, "-b 64");
}

// Inserts a 6-byte ID3v2.4 extended header (no flags) into a tool-made v2.4 tag.
bool AddExtendedHeader(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = f.readAll();
    f.close();
    if (!data.startsWith("ID3") || data[3] != 4)
        return false;
    auto size =
        static_cast<std::uint32_t>((data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]);
    size += 6;
    data[5] = static_cast<char>(data[5] | 0x40);
    for (int i = 0; i < 4; ++i)
        data[9 - i] = static_cast<char>((size >> (7 * i)) & 0x7F);
    data.insert(10, QByteArray("\x00\x00\x00\x06\x01\x00", 6));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(data) == data.size();
}

class TrackTitles : public ::testing::Test {
protected:
    void SetUp() override {
        LoadRealLibrary();
        ASSERT_TRUE(media::Audio().Loaded());
    }
};

TEST_F(TrackTitles, FromFilesTaggedByTools) {
    struct Case {
        const char* name;
        std::string (*make)();
        std::string expected;
    };
    const Case cases[] = {
        {"id3v2.3 wins over id3v1",
         [] {
             const std::string p = BaseMp3("v23.mp3");
             RunTool("id3v2 -1 -a OldBand -t OldSong " + Quote(p));
             RunTool("id3v2 -2 -a '  Band ' -t 'Song  ' " + Quote(p));
             return p;
         },
         "Band - Song"},
        {"id3v2.4 with an extended header, UTF-8 frames",
         [] {
             const std::string p = BaseMp3("v24.mp3");
             RunTool("mid3v2 -a 'Группа' -t 'Песня' " + Quote(p));
             AddExtendedHeader(p);
             return p;
         },
         std::string("Группа - Песня")},
        {"id3v2.3 UTF-16 frames",
         [] {
             const std::string p = BaseMp3("v23u16.mp3");
             RunTool("/usr/bin/python3 -c 'import sys; from mutagen.id3 import ID3, TIT2; "
                     "t = ID3(); t.add(TIT2(encoding=1, text=\"Ёлка\")); "
                     "t.save(sys.argv[1], v2_version=3)' " +
                     Quote(p));
             return p;
         },
         std::string("Ёлка")},
        {"id3v1 only",
         [] {
             const std::string p = BaseMp3("v1.mp3");
             RunTool("id3v2 -1 -a 'Old Band' -t 'Old Song' " + Quote(p));
             return p;
         },
         "Old Band - Old Song"},
        {"ogg comments, last one wins, empty values skipped",
         [] {
             static const std::string wav = AudioFiles::Get().Wav("ogg.wav", 0.5);
             const std::string p = AudioFiles::Get().Ogg("Tagged.ogg", wav, "");
             RunTool("vorbiscomment -w -t 'artist=First' -t 'ARTIST=Second' -t 'TITLE=' -t "
                     "'Title= Мелодия ' " +
                     Quote(p));
             return p;
         },
         std::string("Second - Мелодия")},
        {"no tags: the file name without its extension",
         [] { return BaseMp3("Плавная музыка.mp3"); }, std::string("Плавная музыка")},
        {"wav files have no tags", [] { return AudioFiles::Get().Wav("Just a tone.wav", 0.2); },
         "Just a tone"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make();
        const auto title = media::TrackTitle(path);
        ASSERT_TRUE(title) << title.error();
        EXPECT_EQ(*title, c.expected);
    }
}

std::vector<std::uint8_t> Tag(int version, std::uint8_t flags,
                              const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> t = {'I', 'D', '3', static_cast<std::uint8_t>(version), 0, flags};
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int i = 3; i >= 0; --i)
        t.push_back(static_cast<std::uint8_t>((n >> (7 * i)) & 0x7F));
    t.insert(t.end(), body.begin(), body.end());
    return t;
}

std::vector<std::uint8_t> Frame(const char* id, const std::string& text, std::uint8_t format = 0,
                                int extraSize = 0) {
    std::vector<std::uint8_t> f(id, id + 4);
    const auto size = static_cast<std::uint32_t>(text.size() + 1 + extraSize);
    for (int i = 3; i >= 0; --i)
        f.push_back(static_cast<std::uint8_t>(size >> (8 * i))); // small sizes: same in both forms
    f.push_back(0);
    f.push_back(format);
    f.push_back(0); // ISO-8859-1
    f.insert(f.end(), text.begin(), text.end());
    return f;
}

std::string Walk(const std::vector<std::uint8_t>& tag) {
    return media::ReadId3v2Title(tag.data(), tag.size()).Joined();
}

TEST(Id3v2Walk, EdgeCases) {
    auto join = [](std::vector<std::vector<std::uint8_t>> parts) {
        std::vector<std::uint8_t> all;
        for (auto& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const auto both = join({Frame("TPE1", "A"), Frame("TIT2", "T")});
    EXPECT_EQ(Walk(Tag(3, 0, both)), "A - T");
    EXPECT_EQ(Walk(Tag(4, 0, both)), "A - T");
    EXPECT_EQ(Walk(Tag(2, 0, both)), "");    // other versions are not read
    EXPECT_EQ(Walk(Tag(3, 0x80, both)), ""); // unsynchronised v2.3 tag
    // Compressed or encrypted frames are skipped; the walk goes on behind them.
    EXPECT_EQ(Walk(Tag(3, 0, join({Frame("TPE1", "A", 0x80), Frame("TIT2", "T")}))), "T");
    EXPECT_EQ(Walk(Tag(4, 0, join({Frame("TPE1", "A", 0x01), Frame("TIT2", "T")}))), "T");
    // A grouping byte before the data.
    auto grouped = Frame("TIT2", "xT", 0x20);
    grouped[10] = 7; // group id
    grouped[11] = 0; // encoding
    EXPECT_EQ(Walk(Tag(3, 0, grouped)), "T");
    // A frame claiming more than the tag holds is not read, and nothing is read past the end.
    EXPECT_EQ(Walk(Tag(3, 0, Frame("TIT2", "Title", 0, 50))), "");
    auto truncated = Tag(3, 0, both);
    truncated.resize(truncated.size() - 3);
    EXPECT_EQ(Walk(truncated), "A");
    // Other text encodings than the four known ones give nothing.
    auto odd = Frame("TIT2", "T");
    odd[10] = 9;
    EXPECT_EQ(Walk(Tag(3, 0, odd)), "");
}

TEST(OggCommentWalk, StopsAtAStringWithoutKey) {
    const char block[] = "TITLE=One\0=broken\0ARTIST=Never\0";
    const auto r = media::ReadOggTitle(block, sizeof block);
    EXPECT_EQ(r.title, "One");
    EXPECT_EQ(r.artist, "");
}

} // namespace
