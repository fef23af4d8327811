// The show file's extension block: a show that uses only record features is written exactly as
// before (checked against a file written by the program before the block existed), an extended
// show round-trips, unknown chunks are skipped, and a damaged block costs only its own data.
#include "GuiApp.h"
#include "Outcomes.h"
#include "WorkingCopyItems.h"
#include "project/ExtensionBlock.h"
#include "project/ProjectFile.h"
#include "project/Records.h"
#include "project/SlideKind.h"

#include "imaging/BmpFile.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zlib.h>

#include <cstring>
#include <unistd.h>

namespace extension_block_test {

namespace {

using namespace project;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The music options, the output settings at their defaults.
ShowOptions MusicOptions(double crossfade, double endFade, bool even) {
    ShowOptions o;
    o.TrackCrossfadeSeconds = crossfade;
    o.EndFadeSeconds = endFade;
    o.EvenLoudness = even;
    return o;
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Runs in a folder of its own with working paths relative to it, so the records (which hold the
// working paths) are the same in every run and in the file written by the older program.
class ExtensionBlockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        old_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
        files = WorkFiles("p/", "m/", 0);
        QDir().mkpath("p");
        QDir().mkpath("m");
        hooks.AddPhoto = [this](const std::string& p) { return Import(p, true); };
        hooks.AddTrack = [this](const std::string& p) { return Import(p, false); };
    }
    void TearDown() override { QDir::setCurrent(old_); }

    // The import stand-in: the extracted file becomes the working copy unchanged.
    ImportStatus Import(const std::string& path, bool photo) {
        const std::string name = testsupport::WorkingNameFor(files, path, photo);
        if (!QFile::rename(QString::fromStdString(path), QString::fromStdString(name)))
            return base::Fail("cannot keep " + path);
        testsupport::AppendItem(show, name, photo);
        return project::ImportNote{};
    }

    // The same show the older program saved into tests/project/data/classic_format_show.qvs.
    void BuildClassicShow() {
        show.WorkPrefix = 4242;
        WriteAll("p/4242_0001.bmp", "photo one");
        WriteAll("p/4242_0002.bmp", "photo two, longer");
        WriteAll("m/4242_0001.mp3", "a track");
        Slide a = Slide::MakeDefault();
        a.WorkFile = "p/4242_0001.bmp";
        a.StillMs = 4000;
        a.TransitionKind = 5;
        a.TransitionMs = 2000;
        a.BackColor = 0x102030;
        Slide b = Slide::MakeDefault();
        b.WorkFile = "p/4242_0002.bmp";
        Track t = Track::MakeDefault();
        t.WorkFile = "m/4242_0001.mp3";
        t.PlaySeconds = 30;
        t.LengthSeconds = 31;
        t.Volume = 80;
        t.Title = "Song";
        show.Slides.insert(show.Slides.begin() + 0, a);
        show.Slides.insert(show.Slides.begin() + 1, b);
        show.Sounds.insert(show.Sounds.begin() + 0, t);
    }
    void Extend() {
        Slide a = show.Slides[0];
        a.StillMs = 4250;
        a.Ext.TransitionKind = 14;
        a.Ext.Motion.Mode = imaging::MotionMode::Manual;
        a.Ext.Motion.Easing = imaging::MotionEasing::Ease;
        a.Ext.Motion.Start = {0.5, 0.5, 1.0};
        a.Ext.Motion.End = {0.3, 0.4, 1.6};
        show.Slides[0] = a;
        Track t = show.Sounds[0];
        t.Ext.FadeInSeconds = 1.5;
        t.Ext.FadeOutSeconds = 2.25;
        t.Ext.HasLoudness = true;
        t.Ext.LoudnessLufs = -18.5;
        t.Ext.TruePeakDb = -0.7;
        show.Sounds[0] = t;
        show.Options = MusicOptions(2.0, 3.0, true);
    }
    QByteArray Save() {
        const SaveResult r = SaveProject(ShowModel(show, photos), "out.qvs", quiet);
        EXPECT_EQ(outcomes::OutcomeOf(r), SaveOutcome::Saved) << outcomes::ErrorOf(r);
        return ReadAll("out.qvs");
    }
    // Loads a file into an empty show in a fresh folder.
    LoadResult Load(const QByteArray& bytes) {
        DiscardShow(show, files);
        WriteAll("in.qvs", bytes);
        QDir("p").removeRecursively();
        QDir("m").removeRecursively();
        QDir().mkpath("p");
        QDir().mkpath("m");
        return LoadProject(show, files, "in.qvs", quiet, hooks);
    }
    static QByteArray Fixture() {
        return ReadAll(QStringLiteral(REELPANE_TEST_SOURCE_DIR) +
                       "/tests/project/data/classic_format_show.qvs");
    }

    QTemporaryDir dir;
    QString old_;
    ShowContent show;
    PhotoSettings photos; // the photo size saved with the show
    WorkFiles files;
    ImportHooks hooks;
    base::NoProgress quiet;
};

TEST_F(ExtensionBlockTest, ARecordOnlyShowSavesAsTheOlderProgramDid) {
    const QByteArray fixture = Fixture();
    ASSERT_FALSE(fixture.isEmpty());
    BuildClassicShow();
    EXPECT_EQ(Save(), fixture);
    // And the older file, opened and saved again, comes out the same.
    const LoadResult r = Load(fixture);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_TRUE(r->Warning.empty());
    EXPECT_EQ(Save(), fixture);
}

TEST_F(ExtensionBlockTest, AnExtendedShowRoundTripsBehindTheRecords) {
    BuildClassicShow();
    const QByteArray plain = Save();
    Extend();
    const auto slides = show.Slides;
    const auto tracks = show.Sounds;
    const QByteArray extended = Save();
    // A reader that follows the records' positional rule sees exactly the older file.
    ASSERT_GT(extended.size(), plain.size());
    EXPECT_EQ(extended.left(plain.size()), plain);
    EXPECT_EQ(extended.mid(plain.size(), 4), QByteArray("RPXB"));

    const LoadResult r = Load(extended);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_TRUE(r->Warning.empty()) << r->Warning;
    ASSERT_EQ(show.Slides.size(), 2u);
    EXPECT_EQ(show.Slides[0].Ext, slides[0].Ext);
    EXPECT_TRUE(show.Slides[1].Ext.IsDefault());
    EXPECT_EQ(show.Slides[0].StillMs, 4250);
    ASSERT_EQ(show.Sounds.size(), 1u);
    EXPECT_EQ(show.Sounds[0].Ext, tracks[0].Ext);
    EXPECT_EQ(show.Options, MusicOptions(2.0, 3.0, true));
    EXPECT_EQ(Save(), extended);

    // A show made at another photo size keeps it where no setting chose one; a chosen one wins.
    photos.Resolution = "320x240";
    const QByteArray sized = Save();
    EXPECT_EQ(sized.size(), extended.size() + 4);
    photos.Resolution.clear();
    const LoadResult loaded = Load(sized);
    ASSERT_EQ(outcomes::OutcomeOf(loaded), LoadOutcome::Loaded);
    EXPECT_EQ(loaded->PhotoSize, "320x240");
    photos.Resolution = loaded->PhotoSize; // as the open takes it where no setting chose one
    EXPECT_EQ(Save(), sized);
    photos.Resolution = "1280x1024";
    ASSERT_EQ(outcomes::OutcomeOf(Load(extended)), LoadOutcome::Loaded);
    EXPECT_EQ(Load(extended)->PhotoSize, "");
    EXPECT_EQ(Save(), extended);
}

// A later version's chunk of a type this program does not know is skipped; the known ones
// around it are read, and a known chunk that grew keeps its known prefix.
// Texts in any script: the records keep the code-page text an older reader shows ("?" for what
// the code page lacks, the first 255 characters of a longer text), the block keeps the exact
// UTF-8, which wins when the show is opened. Texts the code page holds need no block.
TEST_F(ExtensionBlockTest, TextsInAnyScriptKeepTheCodePageTextForOlderReaders) {
    BuildClassicShow();
    const QByteArray plain = Save();
    const std::size_t firstSlide = 16, secondSlide = 16 + 2644, firstTrack = 16 + 2 * 2644;
    const auto text = [](const QByteArray& file, std::size_t record, std::size_t offset) {
        const auto at = static_cast<qsizetype>(record + offset);
        return file.mid(at + 1, static_cast<std::uint8_t>(file.at(at)));
    };

    Slide a = show.Slides[0], b = show.Slides[1];
    Track t = show.Sounds[0];
    b.Caption.Text = "Привет, мир";
    b.Caption.Font = "Шрифт";
    t.Title = "Песня";
    show.Slides[1] = b;
    show.Sounds[0] = t;
    const QByteArray codePage = Save();
    EXPECT_EQ(codePage.size(), plain.size()); // no block
    EXPECT_EQ(text(codePage, secondSlide, 2063),
              QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0"));

    const std::string mixed = "Café Zürich Привет 東京 Ελλάδα";
    std::string longText;
    for (int k = 0; k < 300; ++k)
        longText += k % 2 ? "ж" : "z";
    a.Caption.Text = mixed;
    a.Caption.Font = "Noto Sans 東京";
    b.Caption.Text = longText;
    t.Title = "Ελλάδα - Песня";
    show.Slides[0] = a;
    show.Slides[1] = b;
    show.Sounds[0] = t;
    const QByteArray saved = Save();
    EXPECT_GT(saved.size(), plain.size());
    // What an older reader sees in the records.
    EXPECT_EQ(text(saved, firstSlide, 2063),
              QByteArray("Caf? Z?rich \xcf\xf0\xe8\xe2\xe5\xf2 ?? ??????"));
    EXPECT_EQ(text(saved, firstSlide, 2319), QByteArray("Noto Sans ??"));
    const QByteArray longRecord = text(saved, secondSlide, 2063);
    EXPECT_EQ(longRecord.size(), 255);
    EXPECT_TRUE(longRecord.startsWith("z\xe6z\xe6"));
    EXPECT_EQ(text(saved, firstTrack, 2063), QByteArray("?????? - \xcf\xe5\xf1\xed\xff"));

    const LoadResult r = Load(saved);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_TRUE(r->Warning.empty()) << r->Warning;
    ASSERT_EQ(show.Slides.size(), 2u);
    EXPECT_EQ(show.Slides[0].Caption.Text, mixed);
    EXPECT_EQ(show.Slides[0].Caption.Font, "Noto Sans 東京");
    EXPECT_EQ(show.Slides[1].Caption.Text, longText);
    EXPECT_EQ(show.Sounds[0].Title, "Ελλάδα - Песня");
    // Saved again, the same file.
    EXPECT_EQ(Save(), saved);

    // A damaged text chunk costs only the block: the show opens with the records' texts.
    QByteArray damaged = saved;
    damaged[damaged.size() - 5] = static_cast<char>(damaged[damaged.size() - 5] ^ 0x40);
    const LoadResult fallback = Load(damaged);
    ASSERT_EQ(outcomes::OutcomeOf(fallback), LoadOutcome::Loaded) << outcomes::ErrorOf(fallback);
    EXPECT_FALSE(fallback->Warning.empty());
    EXPECT_EQ(show.Slides[0].Caption.Text, "Caf? Z?rich Привет ?? ??????");
}

TEST_F(ExtensionBlockTest, UnknownChunksAndLongerPayloadsAreRead) {
    BuildClassicShow();
    const QByteArray plain = Save();
    Extend();
    const QByteArray extended = Save();
    QByteArray block = extended.mid(plain.size());
    block.chop(4); // the checksum, made again below
    QByteArray unknown("ZZZZ");
    unknown += QByteArray("\x05\x00\x00\x00", 4) + QByteArray("hello");
    block.insert(12, unknown);
    // The SHOW chunk (the first) grows by three bytes a later version might add.
    const int showAt = 12 + unknown.size();
    ASSERT_EQ(block.mid(showAt, 4), QByteArray("SHOW"));
    block[showAt + 4] = char(17 + 3);
    block.insert(showAt + 8 + 17, QByteArray("xyz"));
    const auto chunkBytes = static_cast<std::uint32_t>(block.size() - 12);
    base::StoreLE<std::uint32_t>(reinterpret_cast<std::uint8_t*>(block.data()) + 8, chunkBytes);
    const auto crc = static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(block.constData()), uInt(block.size())));
    std::uint8_t tail[4];
    base::StoreLE<std::uint32_t>(tail, crc);
    block.append(reinterpret_cast<const char*>(tail), 4);

    const LoadResult r = Load(plain + block);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_TRUE(r->Warning.empty()) << r->Warning;
    EXPECT_EQ(show.Options, MusicOptions(2.0, 3.0, true));
    EXPECT_EQ(show.Slides[0].Ext.Motion.End.Z, 1.6);
    EXPECT_EQ(show.Sounds[0].Ext.FadeOutSeconds, 2.25);
}

// Whatever is wrong with the block, the show opens with its records and media, without the
// extension data, and says so once.
TEST_F(ExtensionBlockTest, ADamagedBlockCostsOnlyItsOwnData) {
    BuildClassicShow();
    const QByteArray plain = Save();
    Extend();
    const QByteArray extended = Save();
    const qsizetype blockAt = plain.size();
    QByteArray badSum = extended;
    badSum[badSum.size() - 1] = char(badSum[badSum.size() - 1] ^ 0x55);
    QByteArray badMagic = extended;
    badMagic[blockAt] = 'X';
    QByteArray badValue = extended; // a flipped byte inside a chunk
    badValue[blockAt + 30] = char(badValue[blockAt + 30] ^ 0x01);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"checksum", badSum},
        {"magic", badMagic},
        {"flipped byte", badValue},
        {"truncated", extended.left(extended.size() - 3)},
        {"header only", extended.left(blockAt + 6)},
        {"oversized", plain + QByteArray(8 << 20, 'g')},
        {"later version",
         [&] {
             QByteArray b = extended;
             b[blockAt + 4] = 9;
             return b;
         }()},
    };
    for (const auto& c : cases) {
        const LoadResult r = Load(c.bytes);
        ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded)
            << c.name << ": " << outcomes::ErrorOf(r);
        EXPECT_FALSE(r->Warning.empty()) << c.name;
        ASSERT_EQ(show.Slides.size(), 2u) << c.name;
        EXPECT_EQ(show.Slides[0].StillMs, 4000) << c.name;
        EXPECT_TRUE(show.Slides[0].Ext.IsDefault()) << c.name;
        EXPECT_TRUE(show.Sounds[0].Ext.IsDefault()) << c.name;
        EXPECT_TRUE(show.Options.IsDefault()) << c.name;
    }
}

// A track's loudness, measured at import or at load, is stored only while even loudness is on:
// an older file edited by whole seconds stays the older layout, records and all.
TEST_F(ExtensionBlockTest, LoudnessIsStoredOnlyWhileEvenLoudnessIsOn) {
    const QByteArray fixture = Fixture();
    ASSERT_FALSE(fixture.isEmpty());
    hooks.MeasureTrack = [](Track& t, base::Progress&) {
        t.Ext.HasLoudness = true;
        t.Ext.LoudnessLufs = -14.25;
        t.Ext.TruePeakDb = -1.5;
    };
    ASSERT_EQ(outcomes::OutcomeOf(Load(fixture)), LoadOutcome::Loaded);
    ASSERT_TRUE(show.Sounds.at(0).Ext.HasLoudness);
    Slide a = show.Slides[0];
    a.StillMs += 3000;
    show.Slides[0] = a;
    const QByteArray edited = Save();
    ASSERT_EQ(edited.size(), fixture.size()); // no block
    int differing = 0;
    for (qsizetype i = 0; i < fixture.size(); ++i)
        differing += edited[i] != fixture[i];
    EXPECT_EQ(differing, 1); // the slide's seconds, 4 -> 7

    ShowOptions even;
    even.EvenLoudness = true;
    show.Options = even;
    const QByteArray withLoudness = Save();
    EXPECT_EQ(withLoudness.left(edited.size()), edited);
    hooks.MeasureTrack = nullptr; // what is read now is what the file stored
    ASSERT_EQ(outcomes::OutcomeOf(Load(withLoudness)), LoadOutcome::Loaded);
    EXPECT_TRUE(show.Sounds.at(0).Ext.HasLoudness);
    EXPECT_EQ(show.Sounds[0].Ext.LoudnessLufs, -14.25);
    EXPECT_EQ(show.Sounds[0].Ext.TruePeakDb, -1.5);
    // Turned off again, the measurement leaves the file with the feature.
    show.Options = ShowOptions{};
    EXPECT_EQ(Save(), edited);
}

// Faces found on a photo are stored only while the slide moves automatically (the feature that
// frames on them); found or not found, they come back as they were saved.
TEST_F(ExtensionBlockTest, FacesAreStoredOnlyWithAutomaticMotion) {
    BuildClassicShow();
    const QByteArray plain = Save();
    const std::vector<imaging::FaceBox> faces = {{0.25, 0.125, 0.0625, 0.1}, {0.5, 0.5, 0.5, 0.5}};
    show.Slides[0].Photo()->Faces = faces;
    show.Slides[1].Photo()->Faces = std::vector<imaging::FaceBox>{}; // searched, none found
    EXPECT_EQ(Save(), plain);

    imaging::Motion automatic;
    automatic.Mode = imaging::MotionMode::Auto;
    show.Slides[0].Ext.Motion = automatic;
    show.Slides[1].Ext.Motion = automatic;
    const QByteArray moving = Save();
    ASSERT_EQ(outcomes::OutcomeOf(Load(moving)), LoadOutcome::Loaded);
    ASSERT_TRUE(*show.Slides.at(0).Faces() && *show.Slides[1].Faces());
    ASSERT_EQ(project::FacesOf(show.Slides[0]).size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        const imaging::FaceBox got = project::FacesOf(show.Slides[0])[k];
        EXPECT_NEAR(got.X, faces[k].X, 1e-4);
        EXPECT_NEAR(got.Y, faces[k].Y, 1e-4);
        EXPECT_NEAR(got.W, faces[k].W, 1e-4);
        EXPECT_NEAR(got.H, faces[k].H, 1e-4);
    }
    EXPECT_TRUE(project::FacesOf(show.Slides[1]).empty());
}

// A title slide and a moving caption travel in the block; the title's record holds its card, drawn
// at the photo size when the show is saved, which is what an older reader shows.
TEST_F(ExtensionBlockTest, TitlesAndMovingCaptionsTravelAndTheRecordHoldsTheCard) {
    testsupport::EnsureGuiApp();
    BuildClassicShow();
    imaging::TitleSettings title;
    title.Title = "Lisboa \xE2\x80\x94 "
                  "\xCE\xA3\xCE\xB1\xCE\xBD\xCF\x84\xCE\xBF\xCF\x81\xCE\xAF\xCE\xBD\xCE\xB7";
    title.Subtitle = "2026";
    title.Backdrop = imaging::TitleBackdrop::Gradient;
    title.Color1 = 0x000020;
    title.Color2 = 0x200000;
    title.Motion = imaging::TextMotion::Typewriter;
    show.Slides[1].Body = title;
    show.Slides[0].Caption.Text = "Moving";
    show.Slides[0].Caption.Motion = imaging::TextMotion::Rise;
    const QByteArray saved = Save();

    const LoadResult r = Load(saved);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_TRUE(r->Warning.empty()) << r->Warning;
    ASSERT_EQ(show.Slides.size(), 2u);
    ASSERT_TRUE(show.Slides[1].Title());
    EXPECT_EQ(*show.Slides[1].Title(), title);
    EXPECT_FALSE(show.Slides[0].Title());
    EXPECT_EQ(show.Slides[0].Caption.Motion, imaging::TextMotion::Rise);
    EXPECT_EQ(show.Slides[1].Caption.Motion, imaging::TextMotion::None);
    EXPECT_EQ(Save(), saved);

    // The card: the photo size, the gradient's colours at top and bottom, light text between.
    const auto card = imaging::LoadBmpFile(show.Slides[1].WorkFile);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Width, 1280);
    EXPECT_EQ(card->Height, 1024);
    EXPECT_NEAR(card->Row(0)[3 * 10 + 2], 0x20, 1);    // red at the top
    EXPECT_NEAR(card->Row(1023)[3 * 10 + 0], 0x20, 1); // blue at the bottom
    int light = 0;
    for (int x = 0; x < 1280; ++x)
        light += card->Row(480)[3 * x + 1] > 200;
    EXPECT_GT(light, 20);

    // Without the block (as an older reader has it) the card is an ordinary photo.
    show.Slides[1].Body = project::PhotoBody{};
    show.Slides[0].Caption.Motion = imaging::TextMotion::None;
    show.Slides[0].Caption.Text.clear();
    const QByteArray plain = Save();
    EXPECT_EQ(plain.indexOf("RPXB"), -1);
}

// The video the show was last saved as travels in the block, the music options untouched; the
// defaults write nothing, and values no export offers fall back to their defaults on reading.
TEST_F(ExtensionBlockTest, OutputSettingsTravelWithTheShow) {
    BuildClassicShow();
    const QByteArray plain = Save();
    ShowOptions options;
    options.Output.Container = OutputContainer::Mp4;
    options.Output.Mp4Resolution = 3;
    options.Output.Shape = 1;
    options.Output.Fps = 30;
    options.Output.Quality = 1;
    options.Output.Preset = "phone";
    options.Output.Speed = "slower";
    options.Output.Crf = 23;
    options.Output.AviCodec = "XviD";
    options.Output.AviResolution = 1;
    show.Options = options;
    const QByteArray stored = Save();
    EXPECT_EQ(stored.left(plain.size()), plain);
    EXPECT_EQ(stored.mid(plain.size() + 12, 4), QByteArray("OUTP")); // the only chunk
    EXPECT_EQ(stored.size(), plain.size() + 12 + 8 + qsizetype(sizeof(OutputChunk)) + 4);
    ASSERT_EQ(outcomes::OutcomeOf(Load(stored)), LoadOutcome::Loaded);
    EXPECT_EQ(show.Options, options);
    EXPECT_EQ(Save(), stored);
    show.Options = ShowOptions{};
    EXPECT_EQ(Save(), plain);

    OutputSettings odd;
    odd.Mp4Resolution = 9;
    odd.Shape = 7;
    odd.Fps = 29;
    odd.Codec = 2;
    odd.Crf = 52;
    odd.Speed = "placebo";
    odd.AviCodec = "DI;X";
    odd.Preset = "four\nk";
    odd.Container = OutputContainer::Mp4; // the one value in range
    OutputChunk raw{};
    raw.Container = 7;
    raw.Mp4Resolution = 9;
    raw.Shape = 7;
    raw.Fps = 29;
    raw.Codec = 2;
    raw.Quality = 3;
    raw.Speed = 10;
    raw.Crf = 52;
    std::memcpy(raw.AviCodec.data(), "DI;X", 4);
    std::memcpy(raw.Preset.data(), "four\nk", 6);
    std::vector<std::uint8_t> block(12);
    std::memcpy(block.data(), "RPXB", 4);
    base::StoreLE<std::uint16_t>(block.data() + 4, 1);
    base::StoreLE<std::uint32_t>(block.data() + 8, 8 + sizeof raw);
    block.insert(block.end(), {'O', 'U', 'T', 'P', sizeof raw, 0, 0, 0});
    const auto* p = reinterpret_cast<const std::uint8_t*>(&raw);
    block.insert(block.end(), p, p + sizeof raw);
    const auto crc = static_cast<std::uint32_t>(::crc32(0, block.data(), uInt(block.size())));
    block.resize(block.size() + 4);
    base::StoreLE<std::uint32_t>(block.data() + block.size() - 4, crc);
    const auto read = ReadExtensionBlock(block.data(), block.size(), 0, 0);
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read->Options.Output, OutputSettings{});
    OutputSettings kept;
    kept.Container = OutputContainer::Mp4;
    EXPECT_EQ(ClampedOutputSettings(odd), kept);
}

} // namespace

} // namespace extension_block_test
