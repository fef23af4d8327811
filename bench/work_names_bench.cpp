// The working-name search of a batch import: N names taken one after another in one folder, each
// made into a file as the import does. The search remembers where the free names begin, so the
// whole batch grows in proportion to N instead of N squared.
#include "project/WorkFiles.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

void BM_WorkNamesOfABatch(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        const project::WorkFiles files(dir->path().toStdString() + "/", std::string(), 1234);
        state.ResumeTiming();
        for (int i = 0; i < count; ++i) {
            const std::string name = files.MakePictureName(".bmp");
            if (name.empty()) {
                state.SkipWithError("no free working name");
                break;
            }
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            if (fd < 0) {
                state.SkipWithError("the name was taken");
                break;
            }
            ::close(fd);
        }
        state.PauseTiming(); // the folder's removal is not the search
        dir.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_WorkNamesOfABatch)->Arg(1000)->Arg(9999)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
