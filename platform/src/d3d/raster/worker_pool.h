// A fixed set of threads that run the tasks of one job together with the
// thread that asks for it, then sleep until the next job.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::d3d::raster {

class WorkerPool {
public:
    // `workers` counts the calling thread: workers - 1 threads are started.
    explicit WorkerPool(int workers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int workers() const { return static_cast<int>(threads_.size()) + 1; }

    // Runs task(index, worker) for every index below `count`, each once, on
    // the pool's threads and the calling one (worker 0); returns when all are
    // done. Tasks are handed out in index order as workers become free. One
    // job at a time: callers serialise. The workers take the calling thread's
    // scheduling priority (nice value) where the system permits.
    void run(int count, const std::function<void(int task, int worker)>& task);

    // The same on the pool's threads only, while the caller goes on: start()
    // returns at once, done() tells whether the job has finished, wait()
    // blocks until it has, and join() has the caller take the tasks not yet
    // handed out (as worker 0) before it waits. One job at a time: run() and
    // start() must not be called while a started job may still run.
    void start(int count, std::function<void(int task, int worker)> task);
    bool done();
    void wait();
    void join();

private:
    void begin(int count, const std::function<void(int, int)>* task);
    void loop(int worker);
    void work(int worker);

    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    const std::function<void(int, int)>* task_ = nullptr;
    std::function<void(int, int)> started_;  // the task of a started job
    int count_ = 0;
    int next_ = 0;  // next task to hand out, under mutex_
    int busy_ = 0;  // pool threads still in the current job
    uint64_t job_ = 0;
    int nice_ = 0;  // the caller's, for the job's workers
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace platform::d3d::raster
