// The hand-off of work to the main thread, on a queue of the test's own.

#include "MLMainThreadQueue.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ranges>
#include <string>
#include <thread>
#include <vector>

namespace {

// An item that runs a nested event loop (a modal alert) must not hold up the
// items queued behind it, nor those posted while it waits.
TEST(MainThreadQueueTest, ItemsStillRunInsideANestedEventLoop)
{
    MLMainThreadQueue queue;
    QEventLoop nested;
    std::vector<std::string> ran;
    queue.post([&] {
        ran.push_back("outer begins");
        QTimer::singleShot(3000, &nested, &QEventLoop::quit); // should the item never come
        nested.exec();
        ran.push_back("outer ends");
    });
    queue.post([&] {
        ran.push_back("queued behind");
        queue.post([&] {
            ran.push_back("posted meanwhile");
            nested.quit();
        });
    });
    ASSERT_TRUE(mltest::waitUntil([&] { return std::ranges::find(ran, "outer ends") != ran.end(); }));
    EXPECT_EQ(ran,
              std::vector<std::string>({"outer begins", "queued behind", "posted meanwhile", "outer ends"}));
}

// Many posts from many threads at once, drained while they come: nothing is
// lost and each thread's order is kept. Under ThreadSanitizer this also checks
// every hand-off for races.
TEST(MainThreadQueueTest, ManyThreadsPostingAtOnceLoseNothingAndKeepEachThreadsOrder)
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 2000;
    MLMainThreadQueue queue;
    std::vector<std::vector<int>> ran(kThreads);
    int offMainThread = 0;
    int total = 0;
    std::atomic<bool> go{false};
    std::vector<std::jthread> threads; // joined when the test ends
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < kPerThread; ++i) {
                queue.post([&, t, i] {
                    offMainThread += QThread::currentThread() != QCoreApplication::instance()->thread();
                    ran[size_t(t)].push_back(i);
                    ++total;
                });
            }
        });
    go = true;
    ASSERT_TRUE(mltest::waitUntil([&] { return total == kThreads * kPerThread; }, 20000)) << total;
    EXPECT_EQ(offMainThread, 0);
    for (const auto &items : ran)
        EXPECT_TRUE(std::ranges::equal(items, std::views::iota(0, kPerThread)));
}

} // namespace
