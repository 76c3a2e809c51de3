#include "OrderedFrames.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>
#include <set>
#include <thread>
#include <vector>

namespace tilesweep {

namespace {

class OrderedRun {
public:
    OrderedRun(int64_t count, int window, const OrderedWork& work)
        : count_(count), window_(std::max(window, 1)), work_(work) {}

    void worker(int id) {
        for (;;) {
            int64_t item = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return next_ >= stop_ || next_ < finished_ + window_; });
                if (next_ >= stop_) return;
                item = next_++;
            }
            std::string error;
            bool made = false;
            try {
                made = work_.make(item, id, error);
            } catch (const std::bad_alloc&) {
                error = "out of memory";
            } catch (const std::exception& e) {
                error = e.what();
            }
            std::lock_guard<std::mutex> lock(mutex_);
            if (made) {
                ready_.insert(item);
            } else {
                fail(item, error);
            }
            finishReady();
            changed_.notify_all();
        }
    }

    bool result(std::string& error) {
        // Made after the failure, never to be finished.
        for (int64_t item : ready_) work_.drop(item);
        ready_.clear();
        if (stop_ == count_) return true;
        error = error_;
        return false;
    }

private:
    // Under the lock.
    void fail(int64_t item, const std::string& error) {
        if (item < stop_) {
            stop_ = item;
            error_ = error;
        }
    }

    // Under the lock: finishes the items that are next in line.
    void finishReady() {
        while (!ready_.empty() && *ready_.begin() == finished_ && finished_ < stop_) {
            ready_.erase(ready_.begin());
            std::string error;
            if (!work_.finish(finished_, error)) {
                fail(finished_, error);
                return;
            }
            ++finished_;
        }
        for (auto it = ready_.begin(); it != ready_.end();) {
            if (*it >= stop_) {
                work_.drop(*it);
                it = ready_.erase(it);
            } else {
                ++it;
            }
        }
    }

    const int64_t count_;
    const int64_t window_;
    const OrderedWork& work_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int64_t next_ = 0;
    int64_t finished_ = 0;
    int64_t stop_ = count_;  // the first failed item, or count_
    std::set<int64_t> ready_;
    std::string error_;
};

}  // namespace

bool runOrdered(int64_t count, int workers, int window, const OrderedWork& work, std::string& error) {
    OrderedRun run(count, window, work);
    const int threads = static_cast<int>(std::clamp<int64_t>(std::min<int64_t>(workers, count), 1, 1024));
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(threads - 1));
    for (int id = 1; id < threads; ++id) {
        try {
            pool.emplace_back([&run, id] { run.worker(id); });
        } catch (const std::exception&) {
            break;  // fewer threads do the same work
        }
    }
    run.worker(0);
    for (std::thread& t : pool) t.join();
    return run.result(error);
}

}  // namespace tilesweep
