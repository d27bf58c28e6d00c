#pragma once
// Per-page work of a build (reading, rewriting links, templating, writing) on several
// threads, with everything the build reports or appends handed back in page order on the
// calling thread: the output and the progress lines are the same as with one thread.

#include "model/folder_cache.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace parvane {

// The threads to use for `requested` (0: one per core), never more than there is work for.
int PageThreads(int requested, std::size_t work);

// Runs work(i) for every i below count on up to `threads` threads (see PageThreads) and
// calls emit(i, result) on the calling thread for i = 0, 1, 2, ... in order. At most a
// window of results waits to be emitted, so memory stays bounded however many pages there
// are. An exception from work(i) is thrown from here when i's turn to be emitted comes,
// as it would be with one thread; the pages after it are not emitted. The calling thread's
// folder cache serves the workers too.
template <typename Result, typename Work, typename Emit>
void ForEachPageInOrder(std::size_t count, int threads, Work work, Emit emit) {
    const int workers = PageThreads(threads, count);
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            emit(i, work(i));
        return;
    }
    const std::size_t window = 32 * static_cast<std::size_t>(workers);
    struct TSlot {
        std::optional<Result> Value;
        std::exception_ptr Error;
        bool Done = false;
    };
    std::vector<TSlot> slots(window);
    std::mutex mutex;
    // Each side is woken only when the other waits for it: pages of little work would
    // otherwise cost more in wake-ups than in work.
    std::condition_variable slotReady, roomFree;
    bool emitterWaiting = false;
    int workersWaiting = 0;
    std::size_t next = 0;    // the next index a worker takes
    std::size_t emitted = 0; // results handed to emit so far
    bool stop = false;
    TFolderCache* cache = TFolderCache::Active();

    auto worker = [&] {
        const TFolderCacheScope scope(cache);
        std::unique_lock lock(mutex);
        for (;;) {
            while (!stop && next < count && next >= emitted + window) {
                ++workersWaiting;
                roomFree.wait(lock);
                --workersWaiting;
            }
            if (stop || next >= count)
                return;
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
            if (emitterWaiting && i == emitted)
                slotReady.notify_one();
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(workers));
    for (int t = 0; t < workers; ++t)
        pool.emplace_back(worker);
    auto finish = [&] {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        roomFree.notify_all();
        for (std::thread& t : pool)
            t.join();
    };
    try {
        for (std::size_t i = 0; i < count; ++i) {
            TSlot slot;
            {
                std::unique_lock lock(mutex);
                while (!slots[i % window].Done) {
                    emitterWaiting = true;
                    slotReady.wait(lock);
                    emitterWaiting = false;
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
                if (workersWaiting > 0)
                    roomFree.notify_all();
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

} // namespace parvane
