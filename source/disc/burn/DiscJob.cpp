#include "disc/burn/DiscJob.h"

namespace disc {

DiscJob::~DiscJob() {
    Cancel();
    if (thread_.joinable())
        thread_.join();
}

bool DiscJob::Launch(std::function<base::Status()> body, Finished finished) {
    if (running_.exchange(true))
        return false;
    if (thread_.joinable())
        thread_.join();
    progress_.ClearCancel();
    thread_ = std::thread([this, body = std::move(body), finished = std::move(finished)] {
        base::Status result = body();
        {
            std::lock_guard guard(resultLock_);
            result_ = result;
        }
        running_ = false;
        if (finished)
            finished(result);
    });
    return true;
}

bool DiscJob::StartWrite(ScsiDevice& device, IsoImageBuilder& builder, WriteOptions options,
                         DiscMessageSink messages, Finished finished) {
    return Launch(
        [this, &device, &builder, options = std::move(options), messages = std::move(messages)] {
            return WriteDisc(device, builder, options, progress_, status_, messages);
        },
        std::move(finished));
}

bool DiscJob::StartErase(ScsiDevice& device, bool quick, DiscMessageSink messages,
                         Finished finished) {
    return Launch(
        [this, &device, quick, messages = std::move(messages)] {
            return EraseDisc(device, quick, progress_, status_, messages);
        },
        std::move(finished));
}

base::Status DiscJob::Wait() {
    if (thread_.joinable())
        thread_.join();
    std::lock_guard guard(resultLock_);
    return result_;
}

} // namespace disc
