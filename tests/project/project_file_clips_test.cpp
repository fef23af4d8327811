// Video clips in the project file: their bytes stored whole after the extension block, found
// again past 4 GiB, and the records an older reader sees unchanged.
#include "ProjectFileFixture.h"

#include "Outcomes.h"
#include "project/ProjectFile.h"
#include "project/Records.h"
#include "project/ShowSession.h"
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace project_file_test {

namespace {

// A suite of its own: the fixture lives in an unnamed namespace, so each file that includes it has
// its own class, which one suite may not mix (as a unity build may or may not put the files
// together).
class ProjectFileClipsTest : public ProjectFileTest {};

// A clip whose working copy holds bytes, named name, lengthMs long and shown whole.
ClipSettings WrittenClip(const WorkFiles& files, const QByteArray& bytes, const std::string& name,
                         std::int64_t lengthMs) {
    ClipSettings clip;
    clip.File = files.MakePictureName(name.substr(name.rfind('.')));
    WriteAll(clip.File, bytes);
    clip.Name = name;
    clip.LengthMs = clip.OutMs = lengthMs;
    return clip;
}

// A clip's original bytes follow the extension block whole; the records and the photos' bytes
// before it are what they would be without the clip, so an older reader sees the poster photos.
TEST_F(ProjectFileClipsTest, ClipsAreStoredWholeAfterTheBlockAndComeBackWithTheirSettings) {
    MakeShow();
    AddSlide(QByteArray(50, 'd'), 1, 0, 0, 0);
    const std::string plainFile = root + "plain.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), plainFile, quiet)),
              SaveOutcome::Saved);
    const QByteArray plain = ReadAll(plainFile);

    QByteArray first(300000, 'v');
    first.append("end of the first clip");
    ClipSettings clip = WrittenClip(files, first, "Видео.MOV", 5000);
    clip.InMs = 500;
    clip.OutMs = 4500;
    clip.Volume = 150;
    clip.Mute = true;
    show.Slides[0].Body = clip;
    show.Slides[2].Body = WrittenClip(files, QByteArray("0123456789"), "b.mp4", 1200);
    // A photo's original follows the clips; whether it may be drawn from comes back with it.
    OriginalPhoto original{files.MakePictureName(".HEIC"), "IMG_0001.HEIC", true, {}};
    WriteAll(original.File, QByteArray(5000, 'o'));
    show.Slides[1].Photo()->Original = original;
    // Another is drawn with its edits, kept as steps behind its name; a reader that knows no
    // steps sees it marked edited and draws its working picture.
    OriginalPhoto stepped{files.MakePictureName(".jpg"), "IMG_0002.jpg", false, {}};
    imaging::CaptionSettings caption;
    caption.Text = "Ünïcode";
    caption.Font = "DejaVu Sans";
    stepped.Steps = {CropStep{0.1, 0.2, 0.9, 0.75}, TurnEdit{TurnKind::Left},
                     LightEdit{-20, 5, 8.5}, ColorEdit{2}, CaptionStep{caption, 1280, 960}};
    WriteAll(stepped.File, QByteArray(300, 's'));
    show.Slides[3].Photo()->Original = stepped;
    const std::string file = root + "clips.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, quiet)), SaveOutcome::Saved);
    const QByteArray bytes = ReadAll(file);
    ASSERT_GT(bytes.size(), plain.size() + first.size() + 10);
    EXPECT_EQ(bytes.left(plain.size()), plain);
    EXPECT_TRUE(
        bytes.endsWith(first + "0123456789" + QByteArray(5000, 'o') + QByteArray(300, 's')));
    const qsizetype orig = bytes.indexOf("ORIG");
    ASSERT_GT(orig, 0);
    EXPECT_EQ(bytes[orig + 8 + 20], 1); // the first original's stored mark: edited

    const std::vector<Slide> saved = show.Slides;
    show = ShowContent{};
    LoadResult r = LoadProject(show, files, file, quiet, hooks);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_TRUE(r->Warning.empty()) << r->Warning;
    ASSERT_EQ(show.Slides.size(), 4u);
    ASSERT_TRUE(show.Slides[0].Clip() && show.Slides[2].Clip());
    EXPECT_FALSE(show.Slides[1].Clip());
    ClipSettings back = *show.Slides[0].Clip();
    EXPECT_NE(back.File, clip.File);
    EXPECT_EQ(ReadAll(back.File), first);
    back.File = clip.File;
    EXPECT_EQ(back, clip);
    EXPECT_EQ(ReadAll(show.Slides[2].Clip()->File), QByteArray("0123456789"));
    ASSERT_TRUE(show.Slides[1].Original());
    EXPECT_EQ(ReadAll(show.Slides[1].Original()->File), QByteArray(5000, 'o'));
    EXPECT_EQ(show.Slides[1].Original()->Name, "IMG_0001.HEIC");
    EXPECT_TRUE(show.Slides[1].Original()->Edited);
    ASSERT_TRUE(show.Slides[3].Original());
    EXPECT_FALSE(show.Slides[3].Original()->Edited);
    EXPECT_EQ(show.Slides[3].Original()->Steps, stepped.Steps);
    EXPECT_EQ(ReadAll(show.Slides[3].Original()->File), QByteArray(300, 's'));

    // A file cut inside its last clip: that slide comes back as its poster, said once; the
    // other clip is whole.
    WriteAll(file, bytes.left(bytes.size() - 5304));
    show = ShowContent{};
    r = LoadProject(show, files, file, quiet, hooks);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_NE(r->Warning.find("photo 3"), std::string::npos) << r->Warning;
    ASSERT_EQ(show.Slides.size(), 4u);
    EXPECT_TRUE(show.Slides[0].Clip());
    EXPECT_FALSE(show.Slides[2].Clip());

    // A clip's working copy gone: the save is refused and names it.
    QFile::remove(QString::fromStdString(saved[2].Clip()->File));
    show.Slides = saved;
    const SaveResult refused = SaveProject(ShowModel(show), root + "other.qvs", quiet);
    EXPECT_FALSE(refused);
    EXPECT_NE(outcomes::ErrorOf(refused).find("clip of photo 3"), std::string::npos);
}

// A collage's photos are kept whole after the block, after the clips' and the originals', and
// come back with their names, steps and faces; a collage the file does not hold whole, or whose
// chunk cannot be read, opens as the picture its record holds (the composed collage), said once.
TEST_F(ProjectFileClipsTest, ACollageKeepsItsPhotosAfterTheClipsAndOriginals) {
    MakeShow();
    show.Slides[0].Body = WrittenClip(files, QByteArray("the clip"), "c.mp4", 1200);
    OriginalPhoto original{files.MakePictureName(".jpg"), "orig.jpg", false, {}};
    WriteAll(original.File, QByteArray("the original"));
    show.Slides[1].Photo()->Original = original;
    imaging::CaptionSettings caption;
    caption.Text = "Праздник";
    caption.Font = "DejaVu Sans";
    // Faces in 65535ths that come back exactly (X = W, Y = H: the clamp to the picture adds
    // nothing).
    const imaging::FaceBox face{0.2, 1.0 / 3, 0.2, 1.0 / 3};
    CollageSettings collage{CollageLayout::Grid, 40, {}};
    const QByteArray photoBytes[] = {QByteArray(100, 'x'), QByteArray(2000, 'y'),
                                     QByteArray(30, 'z')};
    const char* names[] = {"Фото 1.JPG", "b.png", "c.heic"};
    for (int k = 0; k < 3; ++k) {
        CollagePhoto photo;
        photo.File =
            files.MakePictureName(std::string(names[k]).substr(std::string(names[k]).rfind('.')));
        WriteAll(photo.File, photoBytes[k]);
        photo.Name = names[k];
        collage.Photos.push_back(photo);
    }
    collage.Photos[0].Steps = {CropStep{0.1, 0.2, 0.9, 0.75}, CaptionStep{caption, 1280, 960}};
    collage.Photos[0].Faces = {face};
    collage.Photos[2].Steps = {TurnEdit{TurnKind::Right}, LightEdit{10, -5, 12.0}};
    collage.Photos[2].Faces = {face, {0.0, 0.0, 0.6, 0.4}};
    show.Slides[2].Body = collage;
    const std::string file = root + "collage.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, quiet)), SaveOutcome::Saved);
    const QByteArray bytes = ReadAll(file);
    EXPECT_TRUE(bytes.endsWith("the clip"
                               "the original" +
                               photoBytes[0] + photoBytes[1] + photoBytes[2]));

    const std::vector<Slide> saved = show.Slides;
    show = ShowContent{};
    LoadResult r = LoadProject(show, files, file, quiet, hooks);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_TRUE(r->Warning.empty()) << r->Warning;
    ASSERT_EQ(show.Slides.size(), 3u);
    EXPECT_TRUE(show.Slides[0].Clip());
    ASSERT_TRUE(show.Slides[1].Original());
    ASSERT_TRUE(show.Slides[2].Collage());
    const CollageSettings& back = *show.Slides[2].Collage();
    EXPECT_EQ(back.Layout, CollageLayout::Grid);
    EXPECT_EQ(back.Gap, 40);
    ASSERT_EQ(back.Photos.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const CollagePhoto& got = back.Photos[k];
        EXPECT_NE(got.File, collage.Photos[k].File);
        EXPECT_EQ(ReadAll(got.File), photoBytes[k]) << k;
        EXPECT_EQ(got.Name, collage.Photos[k].Name);
        EXPECT_EQ(got.Steps, collage.Photos[k].Steps) << k;
        EXPECT_EQ(got.Faces, collage.Photos[k].Faces) << k;
    }

    // Cut inside the collage's last photo, or with a photo count no collage has: the slide is the
    // record's photo, said once, and the others are whole.
    QByteArray fivePhotos = bytes;
    const qsizetype tag = fivePhotos.lastIndexOf("COLL");
    const qsizetype blockAt = fivePhotos.lastIndexOf("RPXB");
    ASSERT_GT(tag, blockAt);
    fivePhotos[tag + 8 + 7] = 5;
    const auto chunkBytes = base::LoadLE<std::uint32_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()) + blockAt + 8);
    const qsizetype sumAt = blockAt + 12 + chunkBytes;
    const auto crc = static_cast<std::uint32_t>(::crc32(
        ::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(fivePhotos.constData()) + blockAt,
        static_cast<uInt>(sumAt - blockAt)));
    base::StoreLE<std::uint32_t>(reinterpret_cast<std::uint8_t*>(fivePhotos.data()) + sumAt, crc);
    for (const QByteArray& damaged : {bytes.left(bytes.size() - 10), fivePhotos}) {
        WriteAll(file, damaged);
        show = ShowContent{};
        r = LoadProject(show, files, file, quiet, hooks);
        ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
        EXPECT_NE(r->Warning.find("collage of photo 3"), std::string::npos) << r->Warning;
        ASSERT_EQ(show.Slides.size(), 3u);
        EXPECT_TRUE(show.Slides[0].Clip());
        EXPECT_TRUE(show.Slides[1].Original());
        EXPECT_TRUE(show.Slides[2].Photo());
    }

    // A collage photo's working copy gone: the save is refused and names it.
    QFile::remove(QString::fromStdString(saved[2].Collage()->Photos[1].File));
    show.Slides = saved;
    const SaveResult refused = SaveProject(ShowModel(show), root + "other.qvs", quiet);
    EXPECT_FALSE(refused);
    EXPECT_NE(outcomes::ErrorOf(refused).find("photo 2 in the collage of photo 3"),
              std::string::npos)
        << outcomes::ErrorOf(refused);
}

// Clip offsets are 64-bit: a show whose clip lies past 4 GiB (a sparse file) opens with it.
TEST_F(ProjectFileClipsTest, AClipPastFourGigabytesIsFound) {
    AddSlide(QByteArray(100, 'p'), 2, 0, 0, 0);
    show.Slides[0].Body = WrittenClip(files, QByteArray("the clip's bytes"), "far.mp4", 3000);
    const std::string file = root + "far.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, quiet)), SaveOutcome::Saved);
    QByteArray bytes = ReadAll(file);
    const qsizetype clipAt = bytes.size() - 16;
    // The clip chunk's offset moved 5 GiB on, and the block's checksum made again.
    const qsizetype tag = bytes.lastIndexOf("CLIP");
    ASSERT_GT(tag, 0);
    const std::uint64_t far = std::uint64_t{5} << 30;
    base::StoreLE<std::uint64_t>(reinterpret_cast<std::uint8_t*>(bytes.data()) + tag + 12, far);
    const qsizetype blockAt = bytes.lastIndexOf("RPXB");
    const auto* block = reinterpret_cast<const Bytef*>(bytes.constData()) + blockAt;
    const auto crc = static_cast<std::uint32_t>(
        ::crc32(::crc32(0L, Z_NULL, 0), block, static_cast<uInt>(clipAt - 4 - blockAt)));
    base::StoreLE<std::uint32_t>(reinterpret_cast<std::uint8_t*>(bytes.data()) + clipAt - 4, crc);
    WriteAll(file, bytes.left(clipAt));
    {
        QFile f(QString::fromStdString(file));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(clipAt + static_cast<qint64>(far)));
        ASSERT_EQ(f.write("the clip's bytes", 16), 16);
    }
    ASSERT_GT(FileSize64(file), std::int64_t{4} << 30);

    show = ShowContent{};
    const LoadResult r = LoadProject(show, files, file, quiet, hooks);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    EXPECT_TRUE(r->Warning.empty()) << r->Warning;
    ASSERT_EQ(show.Slides.size(), 1u);
    ASSERT_TRUE(show.Slides[0].Clip());
    EXPECT_EQ(ReadAll(show.Slides[0].Clip()->File), QByteArray("the clip's bytes"));
}

} // namespace

} // namespace project_file_test
