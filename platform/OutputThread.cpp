// OutputThread: one worker thread and its queue of jobs; see the header. The state is shared
// with the thread, so that a thread left blocked in a write keeps what it uses alive.
#include "platform/OutputThread.hpp"

#include <condition_variable>
#include <deque>
#include <mutex>

struct OutputThread::State {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::function<void()>> jobs;
    bool running = false; // a job is being run
    bool stopping = false;
};

OutputThread::OutputThread() : state(std::make_shared<State>())
{
    thread = std::thread([shared = state] {
        State& s = *shared;
        std::unique_lock<std::mutex> held(s.lock);
        for (;;) {
            s.changed.wait(held, [&] { return s.stopping || !s.jobs.empty(); });
            if (s.jobs.empty())
                return; // stopping, with nothing left
            std::function<void()> job = std::move(s.jobs.front());
            s.jobs.pop_front();
            s.running = true;
            held.unlock();
            job();
            job = nullptr; // what it held goes now, on this thread
            held.lock();
            s.running = false;
            s.changed.notify_all();
        }
    });
}

OutputThread::~OutputThread()
{
    std::unique_lock<std::mutex> held(state->lock);
    state->stopping = true;
    state->jobs.clear();
    const bool busy = state->running;
    held.unlock();
    state->changed.notify_all();
    // A job still running may be blocked for good (a reader that never reads): the thread is
    // left to end with it, or with the process.
    if (busy)
        thread.detach();
    else
        thread.join();
}

void OutputThread::post(std::function<void()> job)
{
    {
        const std::lock_guard<std::mutex> held(state->lock);
        state->jobs.push_back(std::move(job));
    }
    state->changed.notify_all();
}

bool OutputThread::waitUntilDone(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> held(state->lock);
    const auto done = [&] { return state->jobs.empty() && !state->running; };
    // The farthest deadline is no deadline (and would overflow a timed wait).
    if (deadline == std::chrono::steady_clock::time_point::max()) {
        state->changed.wait(held, done);
        return true;
    }
    return state->changed.wait_until(held, deadline, done);
}
