#include "worker_pool.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace platform::d3d::raster {
namespace {

id_t threadId() {
    return static_cast<id_t>(syscall(SYS_gettid));
}

int currentNice() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, threadId());
    return errno == 0 ? nice : 0;
}

}  // namespace

WorkerPool::WorkerPool(int workers) {
    for (int w = 1; w < workers; ++w)
        threads_.emplace_back([this, w] { loop(w); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

// Under mutex_: the job's tasks handed out from 0, every pool thread counted
// busy until it has seen the job through.
void WorkerPool::begin(int count, const std::function<void(int, int)>* task) {
    task_ = task;
    count_ = count;
    next_ = 0;
    busy_ = static_cast<int>(threads_.size());
    nice_ = currentNice();
    ++job_;
}

void WorkerPool::run(int count, const std::function<void(int, int)>& task) {
    if (count <= 0)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        begin(count, &task);
    }
    wake_.notify_all();
    join();
}

void WorkerPool::start(int count, std::function<void(int, int)> task) {
    if (count <= 0)
        return;
    if (threads_.empty()) {  // nobody to hand it to
        for (int i = 0; i < count; ++i)
            task(i, 0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = std::move(task);
        begin(count, &started_);
    }
    wake_.notify_all();
}

bool WorkerPool::done() {
    std::lock_guard<std::mutex> lock(mutex_);
    return busy_ == 0;
}

void WorkerPool::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [this] { return busy_ == 0; });
    task_ = nullptr;
    started_ = nullptr;
}

void WorkerPool::join() {
    work(0);
    wait();
}

// Tasks are coarse (a band of rows each), so taking them under the mutex
// costs nothing measurable and keeps the hand-out simple.
void WorkerPool::work(int worker) {
    for (;;) {
        int index;
        const std::function<void(int, int)>* task;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (next_ >= count_)
                return;
            index = next_++;
            task = task_;
        }
        (*task)(index, worker);
    }
}

// A worker below the caller's priority (an engine thread may run above
// normal) gets no processor on a busy machine until the caller waits, and the
// job runs on one core after all.
void WorkerPool::loop(int worker) {
    uint64_t seen = 0;
    int nice = currentNice();
    for (;;) {
        int wanted;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || job_ != seen; });
            if (stop_)
                return;
            seen = job_;
            wanted = nice_;
        }
        if (wanted != nice) {
            setpriority(PRIO_PROCESS, threadId(), wanted);
            nice = wanted;  // not asked again if the system refused
        }
        work(worker);
        std::lock_guard<std::mutex> lock(mutex_);
        if (--busy_ == 0)
            finished_.notify_one();
    }
}

}  // namespace platform::d3d::raster
