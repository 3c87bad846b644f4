#include "photos/Jobs.h"

#include <QRunnable>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace vellumora {
namespace detail {

// Qt hands a task to its pool under locks of its own, which ThreadSanitizer cannot see in
// a Qt not built for it. These say where the hand-off happens, so that the task our code
// built before it and reads after it is not taken for a race; taking the token over reads
// nothing the hand-over wrote. They do nothing in other builds.
[[maybe_unused]] char handOffToken;

void HandOver() {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(&handOffToken);
#endif
}

void TakeOver() {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(&handOffToken);
#endif
}

}  // namespace detail

namespace detail {

struct TJobState : std::enable_shared_from_this<TJobState> {
    enum class Phase { Queued, Running, Finished };

    TJobRunner* runner = nullptr;
    QThreadPool* pool = nullptr;
    std::atomic<bool> stop{false};
    std::atomic<bool> cancelled{false};

    std::mutex mutex;
    std::condition_variable finished;
    Phase phase = Phase::Queued;                   // under mutex
    QRunnable* task = nullptr;                     // under mutex, valid while queued
    std::function<void(const TJobContext&)> work;  // under mutex until taken
    std::deque<std::function<void()>> posted;      // under mutex
    std::function<void()> done;                    // the runner's thread only
    bool delivered = false;                        // the same

    // Runs the work on this thread, unless it was taken or cancelled before.
    void Run() {
        std::function<void(const TJobContext&)> taken;
        {
            std::lock_guard lock(mutex);
            if (phase != Phase::Queued) return;
            phase = Phase::Running;
            task = nullptr;
            taken = std::move(work);
        }
        if (!cancelled && taken) taken(TJobContext(*this));
        // What the work captured goes here, not on the runner's thread.
        taken = nullptr;
        {
            std::lock_guard lock(mutex);
            phase = Phase::Finished;
        }
        finished.notify_all();
        runner->Ready(shared_from_this(), true);
    }

    // On the runner's thread: what the work posted, in order.
    void DeliverPosted() {
        for (;;) {
            std::function<void()> call;
            {
                std::lock_guard lock(mutex);
                if (posted.empty() || cancelled) return;
                call = std::move(posted.front());
                posted.pop_front();
            }
            call();
        }
    }

    // On the runner's thread, once: the posts that have not arrived yet come first.
    void Deliver() {
        DeliverPosted();
        // What the work wrote is read after this lock, which it released when it ended.
        if (!IsFinished() || cancelled || delivered) return;
        delivered = true;
        if (auto call = std::exchange(done, nullptr)) call();
    }

    void Cancel() {
        stop = true;
        cancelled = true;
        QRunnable* dropped = nullptr;
        {
            std::lock_guard lock(mutex);
            // Still queued: taken from the pool, so it never starts.
            if (phase == Phase::Queued && pool->tryTake(task)) {
                dropped = std::exchange(task, nullptr);
                work = nullptr;
                phase = Phase::Finished;
            }
        }
        done = nullptr;
        {
            std::lock_guard lock(mutex);
            posted.clear();
        }
        finished.notify_all();
        delete dropped;
    }

    bool IsFinished() {
        std::lock_guard lock(mutex);
        return phase == Phase::Finished;
    }
};

}  // namespace detail

namespace {

class TJobTask : public QRunnable {
public:
    explicit TJobTask(std::shared_ptr<detail::TJobState> state) : state_(std::move(state)) {}
    void run() override {
        detail::TakeOver();
        state_->Run();
    }

private:
    std::shared_ptr<detail::TJobState> state_;
};

}  // namespace

bool TJobContext::Stopping() const {
    return state_.stop;
}

const std::atomic<bool>& TJobContext::StopFlag() const {
    return state_.stop;
}

void TJobContext::Post(std::function<void()> call) const {
    {
        std::lock_guard lock(state_.mutex);
        state_.posted.push_back(std::move(call));
    }
    state_.runner->Ready(state_.shared_from_this(), false);
}

bool TJob::Finished() const {
    return state_ && state_->IsFinished();
}

bool TJob::Stopping() const {
    return state_ && state_->stop;
}

void TJob::Stop() {
    if (state_) state_->stop = true;
}

void TJob::Cancel() {
    if (state_) state_->Cancel();
}

void TJob::Wait() {
    if (!state_) return;
    QRunnable* taken = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->phase == detail::TJobState::Phase::Queued &&
            state_->pool->tryTake(state_->task))
            taken = state_->task;
    }
    if (taken) {
        // Taken out of the queue: it runs here, ahead of everything queued before it.
        taken->run();
        delete taken;
    } else {
        std::unique_lock lock(state_->mutex);
        state_->finished.wait(lock,
                              [&] { return state_->phase == detail::TJobState::Phase::Finished; });
    }
    state_->Deliver();
}

TJobRunner::TJobRunner(int threads, QObject* parent) : QObject(parent) {
    if (threads > 0) pool_.setMaxThreadCount(threads);
}

TJobRunner::~TJobRunner() {
    CancelAll();
    pool_.waitForDone();
    // What finished meanwhile is not delivered.
    std::lock_guard lock(readyMutex_);
    ready_.clear();
}

void TJobRunner::Ready(std::shared_ptr<detail::TJobState> state, bool finished) {
    bool first = false;
    {
        std::lock_guard lock(readyMutex_);
        first = ready_.empty();
        ready_.emplace_back(std::move(state), finished);
    }
    // Named, so that nothing of ours is built on this thread for the other to read: what
    // it delivers is handed over through the lock above. Dropped by Qt when the runner is
    // gone; its destructor waits for the workers first.
    if (first) QMetaObject::invokeMethod(this, "DeliverReady", Qt::QueuedConnection);
}

void TJobRunner::DeliverReady() {
    std::vector<std::pair<std::shared_ptr<detail::TJobState>, bool>> ready;
    {
        std::lock_guard lock(readyMutex_);
        ready.swap(ready_);
    }
    for (const auto& [state, finished] : ready) {
        if (finished)
            state->Deliver();
        else
            state->DeliverPosted();
    }
}

void TJobRunner::CancelAll() {
    for (const auto& job : jobs_) job->Cancel();
    jobs_.clear();
}

TJob TJobRunner::StartJob(std::function<void(const TJobContext&)> work, std::function<void()> done,
                          int priority) {
    std::erase_if(jobs_, [](const auto& job) { return job->IsFinished(); });
    auto state = std::make_shared<detail::TJobState>();
    state->runner = this;
    state->pool = &pool_;
    state->work = std::move(work);
    state->done = std::move(done);
    auto* task = new TJobTask(state);
    state->task = task;
    jobs_.push_back(state);
    detail::HandOver();
    pool_.start(task, priority);
    return TJob(std::move(state));
}

}  // namespace vellumora
