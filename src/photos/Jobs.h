#pragma once

// Work off the window's thread. Everything the program runs in the background (the
// photo loader's decodes, thumbnail lists, a batch run, an album build) goes through this
// one type, so the same three answers hold everywhere:
//
// - Who owns a job: the TJobRunner that started it, a QObject living on its owner's
//   thread (the window's) with a pool of threads of its own. Its destructor cancels every
//   job, drops those not started and waits for the running ones, so no work outlives the
//   object whose data it uses.
// - How it stops: Stop() asks the work to end early; the work reads Stopping() between
//   its steps and ends as it sees fit, and what it reports still arrives. Cancel() stops
//   it and also drops it: queued work never starts, and nothing it reports arrives after.
// - Where results arrive: on the runner's thread, through queued calls. Post() hands
//   something over while the work runs; `done` gets the work's result after it returns.
//   Nobody joins a thread by hand.

#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace vellumora {

class TJobRunner;

namespace detail {
struct TJobState;
// Around a task given to a QThreadPool: HandOver just before the pool takes it, TakeOver
// first thing in its run, so that ThreadSanitizer sees the hand-off Qt makes inside its
// own (uninstrumented) code. Nothing in other builds.
void HandOver();
void TakeOver();
}  // namespace detail

// What the work sees of its job, on the worker's thread.
class TJobContext {
public:
    // Stop or Cancel was called.
    bool Stopping() const;
    // The flag behind Stopping, for code that takes a flag to read from any thread.
    const std::atomic<bool>& StopFlag() const;
    // Runs call on the runner's thread, in the order posted, unless the job is cancelled
    // first (or the runner is gone).
    void Post(std::function<void()> call) const;

private:
    friend struct detail::TJobState;
    explicit TJobContext(detail::TJobState& state) : state_(state) {}
    detail::TJobState& state_;
};

// A handle on one job: copies refer to the same job; an empty handle refers to none.
class TJob {
public:
    TJob() = default;

    explicit operator bool() const { return bool(state_); }
    // The work has returned (or was cancelled before it started).
    bool Finished() const;
    // Stop or Cancel was called.
    bool Stopping() const;
    // Any thread.
    void Stop();
    // The runner's thread.
    void Cancel();
    // On the runner's thread: ends the wait for this job's result at once. Work no worker
    // has started yet runs here and now instead of behind the jobs queued before it;
    // work already running is waited for. Then, unless cancelled, `done` is called here
    // (and not again later). Never waits for any other job.
    void Wait();

private:
    friend class TJobRunner;
    explicit TJob(std::shared_ptr<detail::TJobState> state) : state_(std::move(state)) {}
    std::shared_ptr<detail::TJobState> state_;
};

class TJobRunner : public QObject {
    Q_OBJECT

public:
    // threads: how many jobs run at once; 0 or less means one per core.
    explicit TJobRunner(int threads = 0, QObject* parent = nullptr);
    // Cancels every job, and waits for the work that is running.
    ~TJobRunner() override;

    // Queues work(const TJobContext&) for a worker, higher priorities first. Unless the
    // job is cancelled, done(result) follows on this object's thread (done() when work
    // returns nothing).
    template <typename Work, typename Done>
    TJob Start(Work work, Done done, int priority = 0);
    template <typename Work>
    TJob Start(Work work, int priority = 0) {
        return Start(
            std::move(work), [](auto&&...) {}, priority);
    }
    // Cancels every job started so far.
    void CancelAll();

private:
    friend struct detail::TJobState;
    friend class TJobContext;

    TJob StartJob(std::function<void(const TJobContext&)> work, std::function<void()> done,
                  int priority);
    // From a worker: the job has posted something, or finished; delivered on this
    // object's thread, in the order it came.
    void Ready(std::shared_ptr<detail::TJobState> state, bool finished);
    Q_INVOKABLE void DeliverReady();

    QThreadPool pool_;
    std::mutex readyMutex_;
    std::vector<std::pair<std::shared_ptr<detail::TJobState>, bool>> ready_;
    // Every job not known to be finished; pruned as jobs are started.
    std::vector<std::shared_ptr<detail::TJobState>> jobs_;
};

template <typename Work, typename Done>
TJob TJobRunner::Start(Work work, Done done, int priority) {
    using R = std::invoke_result_t<Work&, const TJobContext&>;
    if constexpr (std::is_void_v<R>) {
        return StartJob(std::move(work), std::move(done), priority);
    } else {
        // Written by the worker before the job is marked finished, read by done after.
        auto result = std::make_shared<std::optional<R>>();
        return StartJob([work = std::move(work), result](
                            const TJobContext& context) mutable { result->emplace(work(context)); },
                        [done = std::move(done), result]() mutable {
                            if (*result) done(std::move(**result));
                        },
                        priority);
    }
}

}  // namespace vellumora
