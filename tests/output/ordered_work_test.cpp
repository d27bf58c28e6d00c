#include "output/ordered_work.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace parvane;

namespace {

// Later items finish first now and then: the order of the results must not depend on it.
void Stagger(std::size_t i) {
    std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 300));
}

} // namespace

TEST(OrderedWork, EveryItemIsWorkedOnceAndEmittedInOrderOnTheCallingThread) {
    for (const int threads : {1, 2, 3, 6}) {
        for (const std::size_t count : {0u, 1u, 3u, 7u, 500u}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, " + std::to_string(count) + " items");
            std::vector<std::atomic<int>> worked(count);
            std::vector<std::size_t> emitted;
            std::mutex idsMutex;
            std::set<std::thread::id> workers;
            const std::thread::id caller = std::this_thread::get_id();
            bool emittedElsewhere = false;
            ForEachInOrderHelping<std::string>(
                count, threads,
                [&](std::size_t i) {
                    ++worked[i];
                    {
                        const std::lock_guard lock(idsMutex);
                        workers.insert(std::this_thread::get_id());
                    }
                    Stagger(i);
                    return std::to_string(i);
                },
                [&](std::size_t i, std::string&& text) {
                    EXPECT_EQ(text, std::to_string(i));
                    emittedElsewhere = emittedElsewhere || std::this_thread::get_id() != caller;
                    emitted.push_back(i);
                });
            ASSERT_EQ(emitted.size(), count);
            for (std::size_t i = 0; i < count; ++i) {
                EXPECT_EQ(emitted[i], i);
                EXPECT_EQ(worked[i].load(), 1) << "item " << i;
            }
            EXPECT_FALSE(emittedElsewhere);
            // The threads in all, the calling one counted, never exceed the number asked for.
            EXPECT_LE(workers.size(), static_cast<std::size_t>(threads));
        }
    }
}

TEST(OrderedWork, TheCallingThreadWorksWhileItWaits) {
    // The helper is held on its first item until the calling thread has worked on others:
    // a calling thread that only waited would never let it go.
    std::atomic<bool> callerWorked{false};
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::size_t> emitted;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    ForEachInOrderHelping<std::size_t>(
        64, 2,
        [&](std::size_t i) {
            if (std::this_thread::get_id() == caller) {
                callerWorked = true;
            } else {
                while (!callerWorked && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return i;
        },
        [&](std::size_t i, std::size_t&& value) {
            EXPECT_EQ(value, i);
            emitted.push_back(i);
        });
    EXPECT_TRUE(callerWorked);
    ASSERT_EQ(emitted.size(), 64u);
    for (std::size_t i = 0; i < emitted.size(); ++i)
        EXPECT_EQ(emitted[i], i);
}

TEST(OrderedWork, AFailureStopsWhereOneThreadWouldStop) {
    for (const int threads : {1, 2, 5}) {
        SCOPED_TRACE(threads);
        std::vector<std::size_t> emitted;
        auto work = [&](std::size_t i) {
            Stagger(i);
            if (i == 57 || i == 300)
                throw std::runtime_error("item " + std::to_string(i));
            return std::to_string(i);
        };
        try {
            ForEachInOrderHelping<std::string>(500, threads, work,
                                               [&](std::size_t i, std::string&&) {
                                                   emitted.push_back(i);
                                               });
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "item 57");
        }
        ASSERT_EQ(emitted.size(), 57u);
        for (std::size_t i = 0; i < emitted.size(); ++i)
            ASSERT_EQ(emitted[i], i);
    }
}

TEST(OrderedWork, AFailureInEmitStopsTheWorkAndLeavesNoThreadBehind) {
    std::atomic<std::size_t> worked{0};
    try {
        ForEachInOrderHelping<int>(
            100000, 3,
            [&](std::size_t i) {
                ++worked;
                return static_cast<int>(i);
            },
            [&](std::size_t i, int&&) {
                if (i == 10)
                    throw std::runtime_error("cannot write");
            });
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "cannot write");
    }
    // Only a window of items beyond the failed one was ever started.
    EXPECT_LT(worked.load(), 1000u);
}

TEST(OrderedWork, OnlyAWindowOfResultsWaits) {
    // However slow the emitting, no item starts far ahead of the last one emitted.
    std::atomic<std::size_t> emittedSoFar{0};
    std::atomic<std::size_t> furthest{0};
    ForEachInOrderHelping<int>(
        2000, 4,
        [&](std::size_t i) {
            const std::size_t ahead = i - std::min(i, emittedSoFar.load());
            std::size_t seen = furthest.load();
            while (ahead > seen && !furthest.compare_exchange_weak(seen, ahead)) {
            }
            return 0;
        },
        [&](std::size_t, int&&) {
            std::this_thread::sleep_for(std::chrono::microseconds(20));
            ++emittedSoFar;
        });
    EXPECT_LE(furthest.load(), 32u * 4u);
}
