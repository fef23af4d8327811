#include "disc/burn/DiscJob.h"

namespace disc {

DiscJob::~DiscJob() {
    Cancel();
    runner_.Wait();
}

bool DiscJob::Launch(std::function<base::Status()> body, Finished finished) {
    if (running_.exchange(true))
        return false;
    runner_.Wait(); // the previous job has reported its end; its worker is returning
    const bool started =
        runner_.Start(progress_, [this, body = std::move(body), finished = std::move(finished)] {
            base::Status result = body();
            {
                std::lock_guard guard(resultLock_);
                result_ = result;
            }
            // Not running any more once the end is reported: the front end may start the next.
            running_ = false;
            if (finished)
                finished(result);
        });
    if (!started)
        running_ = false;
    return started;
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
    runner_.Wait();
    std::lock_guard guard(resultLock_);
    return result_;
}

} // namespace disc
