// OutputThread: runs an output's writes on a thread of its own, in the order they were posted,
// so that the caller (the live loop) never waits on a slow disk or on a pipe whose reader has
// stopped reading. Posting never blocks; what a job needs it must own (or share), since a job
// stuck in a write may outlive the OutputThread: the destructor drops the jobs not yet run and
// leaves a running one to end on its own. Nothing bounds the queue; the caller does.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

class OutputThread {
public:
    OutputThread();
    ~OutputThread();
    OutputThread(const OutputThread&) = delete;
    OutputThread& operator=(const OutputThread&) = delete;

    // Queues a job; it runs after every job posted before it.
    void post(std::function<void()> job);
    // Waits until every job posted so far has run, or until `deadline`; true in the first case
    // (and what the jobs wrote is then visible to the caller).
    bool waitUntilDone(std::chrono::steady_clock::time_point deadline);

private:
    struct State;
    std::shared_ptr<State> state;
    std::thread thread;
};
