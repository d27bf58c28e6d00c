#pragma once
// Work on every core whose results are taken in order on the calling thread, which works
// too whenever the next result in order is not ready yet: no core is left to a thread that
// mostly waits, and no core is shared by three threads. With the calling thread taking its
// turn at the work, one helper per further core is enough.

#include "model/folder_cache.h"
#include "output/parallel_pages.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace parvane {

// Runs work(i) for every i below count on up to `threads` threads in all, the calling one
// among them (0: one per core; see PageThreads), and calls emit(i, result) on the calling
// thread for i = 0, 1, 2, ... in order. At most a window of results waits to be emitted.
// An exception from work(i) is thrown from here when i's turn to be emitted comes, as it
// would be with one thread; the results after it are not emitted. The calling thread's
// folder cache serves the helpers too.
template <typename Result, typename Work, typename Emit>
void ForEachInOrderHelping(std::size_t count, int threads, Work work, Emit emit) {
    const int total = PageThreads(threads, count);
    if (total <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            emit(i, work(i));
        return;
    }
    const std::size_t window = 32 * static_cast<std::size_t>(total);
    struct TSlot {
        std::optional<Result> Value;
        std::exception_ptr Error;
        bool Done = false;
    };
    std::vector<TSlot> slots(window);
    std::mutex mutex;
    std::condition_variable ready; // the calling thread waits for the next result
    std::condition_variable room;  // helpers wait for the window to move on
    std::size_t next = 0;          // the next index to work on
    std::size_t emitted = 0;       // results handed to emit so far
    std::size_t awaited = count;   // the index the calling thread waits for, if it waits
    int waitingHelpers = 0;
    bool stop = false;
    TFolderCache* cache = TFolderCache::Active();

    auto canTake = [&] { return next < count && next < emitted + window; };
    // Called with the lock held; the lock is released while the work runs.
    auto runOne = [&](std::unique_lock<std::mutex>& lock) {
        const std::size_t i = next++;
        lock.unlock();
        TSlot done;
        try {
            done.Value.emplace(work(i));
        } catch (...) {
            done.Error = std::current_exception();
        }
        done.Done = true;
        lock.lock();
        slots[i % window] = std::move(done);
        return i;
    };
    auto helper = [&] {
        const TFolderCacheScope scope(cache);
        std::unique_lock lock(mutex);
        for (;;) {
            if (stop || next >= count)
                return;
            if (!canTake()) {
                ++waitingHelpers;
                room.wait(lock, [&] { return stop || next >= count || canTake(); });
                --waitingHelpers;
                continue;
            }
            if (runOne(lock) == awaited)
                ready.notify_one();
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(total - 1));
    auto finish = [&] {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        room.notify_all();
        for (std::thread& t : pool)
            t.join();
    };
    try {
        for (int t = 1; t < total; ++t)
            pool.emplace_back(helper);
        for (std::size_t i = 0; i < count; ++i) {
            TSlot slot;
            {
                std::unique_lock lock(mutex);
                while (!slots[i % window].Done) {
                    if (canTake()) {
                        runOne(lock);
                        continue;
                    }
                    awaited = i;
                    ready.wait(lock, [&] { return slots[i % window].Done; });
                    awaited = count;
                }
                slot = std::move(slots[i % window]);
                slots[i % window] = TSlot{};
            }
            if (slot.Error)
                std::rethrow_exception(slot.Error);
            emit(i, std::move(*slot.Value));
            {
                const std::lock_guard lock(mutex);
                ++emitted;
                if (waitingHelpers > 0)
                    room.notify_all();
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

} // namespace parvane
