// Saving and loading a show of 200 photos and 10 tracks, beside `cp` of the same bytes and the
// import of the same photos alone (a load imports every photo again, so it is decode-bound).
#include "BenchBitmaps.h"
#include "imaging/BmpFile.h"
#include "media/audio/AudioLibrary.h"
#include "media/music/TrackImport.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ShowSession.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

constexpr int kPhotos = 200;
constexpr int kTracks = 10;

struct Fixture {
    QTemporaryDir dir;
    project::ShowSession session;
    project::ShowContent show; // made here, then the session's show
    project::PhotoSettings photos{"1280x1024"};
    std::string projectFile;
    std::vector<std::string> photoFiles; // the same pictures as plain files, for the import

    Fixture() {
        QDir().mkpath(dir.filePath("source"));
        if (!session.Open(dir.path().toStdString()).ok())
            std::abort();
        show.WorkPrefix = 7;
        const project::WorkFiles& files = session.Files();
        // One noisy 1280x1024 working picture (noise keeps nothing compressible or cached
        // cleverly), copied under 200 names as an import would have left them.
        const auto picture = bench::RandomBitmap(1280, 1024, 1);
        const std::string first = dir.filePath("source/photo.bmp").toStdString();
        if (!imaging::SaveBmpFile(first, picture))
            std::abort();
        for (int i = 0; i < kPhotos; ++i) {
            auto s = project::Slide::MakeDefault();
            const std::string name = files.MakePictureName(".bmp");
            QFile::copy(QString::fromStdString(first), QString::fromStdString(name));
            s.WorkFile = name;
            show.Slides.push_back(s);
            photoFiles.push_back(name);
        }
        // Ten 30-second CD-quality WAV tracks made by sox.
        const std::string wav = dir.filePath("source/track.wav").toStdString();
        std::system(("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 30 pinknoise").c_str());
        media::Audio().LoadFrom({QStringLiteral(REELPANE_BENCH_BINARY_DIR)});
        for (int j = 0; j < kTracks; ++j)
            (void)media::AddTrack(show, files, wav);
        session.Replace(show, photos);
        projectFile = dir.filePath("show.qvs").toStdString();
    }
};

Fixture& Get() {
    static Fixture f;
    return f;
}

void BM_SaveProject(benchmark::State& state) {
    auto& f = Get();
    base::NoProgress quiet;
    for (auto _ : state) {
        const auto r = project::SaveProject(f.session.Show(), f.projectFile, quiet);
        if (!r || *r != project::SaveOutcome::Saved)
            state.SkipWithError(r ? "nothing saved" : r.error().c_str());
    }
    state.SetBytesProcessed(state.iterations() *
                            QFile(QString::fromStdString(f.projectFile)).size());
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Runs a shell command on the saved project file and its copy, once per iteration.
void TimeCommandOnProject(benchmark::State& state, const std::string& suffix) {
    auto& f = Get();
    base::NoProgress quiet;
    (void)project::SaveProject(f.session.Show(), f.projectFile, quiet);
    const std::string copy = f.projectFile + ".copy";
    const std::string command = "cp '" + f.projectFile + "' '" + copy + "'" + suffix;
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
        state.PauseTiming();
        QFile::remove(QString::fromStdString(copy));
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() *
                            QFile(QString::fromStdString(f.projectFile)).size());
}

// `cp` of the saved project file: the same bytes read and written once.
void BM_CpSameBytes(benchmark::State& state) {
    TimeCommandOnProject(state, "");
}
BENCHMARK(BM_CpSameBytes)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same `cp` followed by a flush of the copy to the disk, as a save does before it replaces
// the old file (so a crash never leaves a half-written show under the user's name).
void BM_CpAndSyncSameBytes(benchmark::State& state) {
    TimeCommandOnProject(state, " && sync -d '" + Get().projectFile + ".copy'");
}
BENCHMARK(BM_CpAndSyncSameBytes)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The load of the saved file, with the real import of every photo and track.
void BM_LoadProject(benchmark::State& state) {
    auto& f = Get();
    base::NoProgress quiet;
    (void)project::SaveProject(f.session.Show(), f.projectFile, quiet);
    for (auto _ : state) {
        project::ShowContent loaded;
        const std::string folder = f.dir.filePath("loaded").toStdString() + "/";
        project::WorkFiles files(folder, folder, 0);
        QDir().mkpath(QString::fromStdString(folder));
        project::ImportHooks hooks;
        hooks.AddPhoto = [&](const std::string& p) -> project::ImportStatus {
            return project::StatusOf(project::AddPhoto(loaded, files, f.photos, p));
        };
        // As the program opens a show: the tracks keep the loudness the file stored.
        hooks.AddTrack = [&](const std::string& p) -> project::ImportStatus {
            return project::StatusOf(
                media::AddTrack(loaded, files, p, media::TrackLoudnessAtImport::Leave));
        };
        hooks.MeasureTrack = media::MeasureMissingLoudness;
        const auto r = project::LoadProject(loaded, files, f.projectFile, quiet, hooks);
        if (!r || r->Outcome != project::LoadOutcome::Loaded || loaded.Slides.size() != kPhotos)
            state.SkipWithError("load failed");
        state.PauseTiming();
        project::DiscardShow(loaded, files);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// The same 200 photos and 10 tracks imported from plain files, without the project file.
void BM_ImportAlone(benchmark::State& state) {
    auto& f = Get();
    for (auto _ : state) {
        project::ShowContent loaded;
        const std::string folder = f.dir.filePath("imported").toStdString() + "/";
        const project::WorkFiles files(folder, folder, 0);
        QDir().mkpath(QString::fromStdString(folder));
        for (const auto& p : f.photoFiles)
            (void)project::AddPhoto(loaded, files, f.photos, p);
        for (const auto& t : f.session.Show().Sounds())
            (void)media::AddTrack(loaded, files, t.WorkFile);
        state.PauseTiming();
        project::DiscardShow(loaded, files);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportAlone)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
