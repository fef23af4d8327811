// Every row of the extension block's chunk table, through one case each: a show whose values make
// the row's chunk be written, written, read back and loaded into slides and tracks as their
// records left them, equal to what was saved, each chunk within its row's bound. The table is
// what is iterated: a row that no case writes fails the test.
#include "project/ChunkTable.h"
#include "project/Records.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace chunk_table_test {

namespace {

using namespace project;

struct Show {
    std::vector<Slide> Slides;
    std::vector<Track> Tracks;
    ShowOptions Options;
    std::string PhotoSize;
};

// The bytes after the block as the writer laid them: copying out gives back the working copy
// laid at that offset, so a loaded slide equals the saved one only when its offsets are right.
class LaidMedia final : public KeptMedia {
public:
    explicit LaidMedia(const WrittenExtension& written) {
        std::uint64_t at = 0;
        for (const auto& [path, bytes] : written.FilesAfter) {
            laid_[at] = {path, bytes};
            at += static_cast<std::uint64_t>(bytes);
        }
    }
    bool Whole(std::uint64_t offset, std::uint64_t bytes) const override {
        const auto it = laid_.find(offset);
        return it != laid_.end() && static_cast<std::uint64_t>(it->second.second) == bytes;
    }
    base::Result<std::string> CopyOut(std::uint64_t offset, std::uint64_t bytes, const std::string&,
                                      bool) override {
        if (!Whole(offset, bytes))
            return base::Fail("nothing laid there");
        return laid_.at(offset).first;
    }
    void Remove(const std::string&) override {}
    void Warn(const std::string& message) override { Warnings.push_back(message); }
    std::vector<std::string> Warnings;

private:
    std::map<std::uint64_t, std::pair<std::string, std::int64_t>> laid_;
};

// Faces are stored in 65535ths of the picture: these come back exactly (X = W or X = 0, and the
// same for Y and H, so the clamp to the picture adds nothing).
const std::vector<imaging::FaceBox> kFaces = {{0.2, 1.0 / 3, 0.2, 1.0 / 3}, {0.0, 0.4, 0.6, 0.4}};

Slide Photo() {
    Slide s = Slide::MakeDefault();
    s.WorkFile = "p/1.bmp";
    return s;
}

std::vector<PhotoStep> Steps() {
    imaging::CaptionSettings caption;
    caption.Text = "Ünïcode";
    caption.Font = "DejaVu Sans";
    return {CropStep{0.1, 0.2, 0.9, 0.75}, TurnEdit{TurnKind::Left}, LightEdit{-20, 5, 8.5},
            ColorEdit{2}, CaptionStep{caption, 1280, 960}};
}

// One show per row (some write several rows).
std::vector<std::pair<std::string, Show>> Cases() {
    std::vector<std::pair<std::string, Show>> cases;
    const auto add = [&](std::string name, auto&& make) {
        Show show;
        show.Slides = {Photo(), Photo()};
        show.Tracks = {Track::MakeDefault()};
        make(show);
        cases.emplace_back(std::move(name), std::move(show));
    };
    add("music options, photo size, fades and loudness", [](Show& s) {
        s.Options.TrackCrossfadeSeconds = 2.0;
        s.Options.EndFadeSeconds = 3.0;
        s.Options.EvenLoudness = true;
        s.PhotoSize = "320x240";
        s.Tracks[0].Ext = {1.5, 2.25, true, -18.5, -0.7};
    });
    add("output settings", [](Show& s) {
        s.Options.Output.Container = OutputContainer::Mp4;
        s.Options.Output.Mp4Resolution = 3;
        s.Options.Output.Fps = 30;
        s.Options.Output.Preset = "phone";
    });
    add("exact times, a later transition and motion", [](Show& s) {
        Slide& a = s.Slides[1];
        a.StillMs = 4250;
        a.TransitionMs = 1500;
        a.Ext.TransitionKind = 14;
        a.Ext.Motion.Mode = imaging::MotionMode::Manual;
        a.Ext.Motion.Easing = imaging::MotionEasing::Ease;
        a.Ext.Motion.End = {0.3, 0.4, 1.6, true};
    });
    add("texts the code page cannot hold", [](Show& s) {
        s.Slides[0].Caption.Text = "東京";
        s.Slides[0].Caption.Font = "Noto Sans 東京";
        s.Tracks[0].Title = "Ελλάδα";
    });
    add("faces of a photo that moves automatically", [](Show& s) {
        s.Slides[1].Ext.Motion.Mode = imaging::MotionMode::Auto;
        s.Slides[1].Photo()->Faces = kFaces;
    });
    add("a title and a moving caption", [](Show& s) {
        imaging::TitleSettings title;
        title.Title = "Lisboa";
        title.Subtitle = "2026";
        title.Backdrop = imaging::TitleBackdrop::Gradient;
        title.Motion = imaging::TextMotion::Typewriter;
        s.Slides[0].Body = title;
        s.Slides[1].Caption.Text = "Moving";
        s.Slides[1].Caption.Motion = imaging::TextMotion::Rise;
    });
    add("a clip and an original with steps", [](Show& s) {
        s.Slides[0].Body = ClipSettings{"w/clip.mov", "Видео.MOV", 5000, 500, 4500, 150, true};
        s.Slides[1].Photo()->Original = OriginalPhoto{"w/orig.heic", "IMG.HEIC", false, Steps()};
    });
    add("a collage", [](Show& s) {
        CollageSettings collage{CollageLayout::Feature, 35, {}};
        collage.Photos = {{"w/a.jpg", "a.jpg", Steps(), kFaces},
                          {"w/b.png", "Фото.png", {}, {}},
                          {"w/c.heic", "c.heic", {CropStep{0, 0, 0.5, 0.5}}, {kFaces[1]}}};
        s.Slides[1].Body = collage;
    });
    return cases;
}

// What a slide's record keeps of it, as the load starts from.
Slide AsRecorded(const Slide& s) {
    Slide r = UnpackSlide(PackSlide(s));
    r.Body = PhotoBody{};
    return r;
}

TEST(ChunkTable, EveryRowWritesReadsAndLoadsBackWhatWasSaved) {
    std::set<ChunkTag> tags;
    for (const ChunkKind* row : ChunkTable())
        EXPECT_TRUE(tags.insert(row->Tag).second) << "two rows share a tag";

    std::set<ChunkTag> written;
    for (const auto& [name, show] : Cases()) {
        SCOPED_TRACE(name);
        KeptFileBytes kept;
        for (std::size_t i = 0; i < show.Slides.size(); ++i)
            for (const KeptFile& f : KeptFilesOf(show.Slides[i], i))
                kept[f.Path] = 1000 + static_cast<std::int64_t>(f.Path.size());
        const WrittenExtension out =
            WriteExtension(show.Slides, show.Tracks, show.Options, show.PhotoSize, kept);
        ASSERT_FALSE(out.Block.empty());
        EXPECT_EQ(out.FilesAfter.size(), kept.size());

        // Each chunk: a row's, within its bound.
        for (std::size_t at = sizeof(ExtensionHeader); at + 4 < out.Block.size();) {
            ExtensionChunkHeader h;
            std::memcpy(&h, out.Block.data() + at, sizeof h);
            const ChunkKind* row = ChunkKindOf(h.Type);
            ASSERT_NE(row, nullptr);
            const ChunkBound& b = row->Bound;
            EXPECT_LE(sizeof h + h.Length, std::max({b.PerShow, b.PerSlide, b.PerTrack}))
                << std::string(h.Type.data(), 4);
            written.insert(h.Type);
            at += sizeof h + h.Length;
        }

        const auto read = ReadExtensionBlock(out.Block.data(), out.Block.size(), show.Slides.size(),
                                             show.Tracks.size());
        ASSERT_TRUE(read) << read.error();
        EXPECT_EQ(read->Options, show.Options);
        EXPECT_EQ(read->PhotoSize, show.PhotoSize);
        LaidMedia media(out);
        for (std::size_t i = 0; i < show.Slides.size(); ++i) {
            Slide loaded = AsRecorded(show.Slides[i]);
            SlideLoad load{loaded, i, media};
            ASSERT_TRUE(LoadSlideExtension(*read, load));
            EXPECT_EQ(loaded, show.Slides[i]) << "slide " << i;
        }
        for (std::size_t j = 0; j < show.Tracks.size(); ++j) {
            Track loaded = UnpackTrack(PackTrack(show.Tracks[j]));
            LoadTrackExtension(*read, j, loaded);
            EXPECT_EQ(loaded, show.Tracks[j]) << "track " << j;
        }
        EXPECT_TRUE(media.Warnings.empty());
    }
    for (const ChunkKind* row : ChunkTable())
        EXPECT_TRUE(written.count(row->Tag))
            << "no case writes " << std::string(row->Tag.data(), 4);
}

} // namespace

} // namespace chunk_table_test
