// A batch of files brought in as a job: the count it reports, Cancel between files, and the stop
// at the first file whose working copy cannot be written.
#include "Outcomes.h"
#include "project/Import.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using project::ImportStatus;

// Records what the job reports; asks to stop when it reports item cancelAt.
struct Recorder final : base::Progress {
    std::vector<std::pair<int, int>> items;
    int shown = 0;
    int closed = 0;
    int cancelAt = 0;
    void SetItem(int n, int total) override { items.emplace_back(n, total); }
    void Pump() override {
        if (cancelAt > 0 && !items.empty() && items.back().first == cancelAt)
            RequestCancel();
    }
    void Close() override { ++closed; }

protected:
    void Show() override { ++shown; }
};

// Brings "files" in by name: "skip..." is skipped, "fail..." fails, the rest are added.
struct FakeImport {
    std::vector<std::string> seen;
    project::ImportBatchOptions Options(std::vector<std::string> paths) {
        project::ImportBatchOptions options;
        options.Paths = std::move(paths);
        options.AddOne = [this](const std::string& path) -> ImportStatus {
            seen.push_back(path);
            if (path.rfind("skip", 0) == 0)
                return project::ImportNote::Skip("cannot decode " + path);
            if (path.rfind("fail", 0) == 0)
                return base::Fail("disk full writing " + path);
            return project::ImportNote{};
        };
        return options;
    }
};

TEST(ImportBatch, CountsEveryFileAndAddsTheGoodOnes) {
    FakeImport fake;
    Recorder progress;
    const auto result = project::ImportFiles(fake.Options({"a", "skip-b", "c"}), progress);
    EXPECT_EQ(fake.seen, (std::vector<std::string>{"a", "skip-b", "c"}));
    EXPECT_EQ(progress.items, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(result.Added, 2);
    EXPECT_EQ(result.Done, 3);
    EXPECT_FALSE(result.Cancelled);
    EXPECT_FALSE(!result.Stopped); // a skipped file does not stop the batch
    EXPECT_EQ(progress.shown, 1);
    EXPECT_EQ(progress.closed, 1);
}

TEST(ImportBatch, CancelDuringAFileKeepsWhatCameBefore) {
    FakeImport fake;
    Recorder progress;
    progress.cancelAt = 2; // Cancel pressed while "2 of 4" shows
    const auto result = project::ImportFiles(fake.Options({"a", "b", "c", "d"}), progress);
    EXPECT_EQ(fake.seen, (std::vector<std::string>{"a"}));
    EXPECT_EQ(result.Added, 1);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(progress.closed, 1);

    // A Cancel left over from before the batch does not stop the next one.
    FakeImport again;
    Recorder stale;
    stale.RequestCancel();
    const auto next = project::ImportFiles(again.Options({"a", "b"}), stale);
    EXPECT_EQ(next.Added, 2);
    EXPECT_FALSE(next.Cancelled);
}

TEST(ImportBatch, AFailedWorkingCopyStopsTheBatchWithItsReason) {
    FakeImport fake;
    Recorder progress;
    const auto result = project::ImportFiles(fake.Options({"a", "fail-b", "c"}), progress);
    EXPECT_EQ(fake.seen, (std::vector<std::string>{"a", "fail-b"}));
    EXPECT_EQ(result.Added, 1);
    ASSERT_TRUE(!result.Stopped);
    EXPECT_EQ(result.Stopped.error(), "disk full writing fail-b");
    EXPECT_FALSE(result.Cancelled);
    EXPECT_EQ(progress.closed, 1);
}

TEST(ImportBatch, NothingToBringInShowsNothing) {
    FakeImport fake;
    Recorder progress;
    const auto result = project::ImportFiles(fake.Options({}), progress);
    EXPECT_EQ(result.Done, 0);
    EXPECT_EQ(progress.shown, 0);
    EXPECT_EQ(progress.closed, 0);
}

TEST(ImportBatch, FrontEndsWithoutCountsSeeTheShareDone) {
    struct Positions final : base::Progress {
        std::vector<int> seen;
        void SetPosition(int percent) override { seen.push_back(percent); }
    };
    FakeImport fake;
    Positions progress;
    project::ImportFiles(fake.Options({"a", "b", "c"}), progress);
    EXPECT_EQ(progress.seen, (std::vector<int>{0, 33, 66}));
}

} // namespace
