// The work pool: which task runs when, that no thread idles while tasks wait,
// and that stopping drops queued work and waits (boundedly) for running work.
#include "devices/WorkPool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

// A door that tasks wait at until the test opens it.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool open = false;
    int waiting = 0;

    void pass()
    {
        std::unique_lock<std::mutex> lock(mutex);
        ++waiting;
        cv.notify_all();
        cv.wait(lock, [this] { return open; });
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        cv.notify_all();
    }
    bool waitForWaiting(int n, int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return waiting >= n; });
    }
};

struct Blocker {
    Gate* gate;
    std::atomic<bool> finished { false };
};

void blockTask(void* arg)
{
    auto* b = static_cast<Blocker*>(arg);
    b->gate->pass();
    b->finished = true;
}

// Records the order in which tasks ran.
struct Journal {
    std::mutex mutex;
    std::string order;
};

struct Named {
    Journal* journal;
    char name;
};

void recordTask(void* arg)
{
    auto* n = static_cast<Named*>(arg);
    std::lock_guard<std::mutex> lock(n->journal->mutex);
    n->journal->order += n->name;
}

template <typename Pred> bool waitUntil(Pred pred, int timeoutMs = 5000)
{
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(WorkPool, PriorityListIsServedFirstThenArrivalOrder)
{
    WorkPool pool(2);
    Gate first, second;
    Blocker b1 { &first }, b2 { &second };
    pool.submit(blockTask, &b1, 0);
    pool.submit(blockTask, &b2, 0);
    ASSERT_TRUE(first.waitForWaiting(1));
    ASSERT_TRUE(second.waitForWaiting(1));

    Journal journal;
    Named a { &journal, 'A' }, b { &journal, 'B' }, c { &journal, 'C' }, d { &journal, 'D' };
    pool.submit(recordTask, &a, 0);
    pool.submit(recordTask, &b, 1);
    pool.submit(recordTask, &c, 0);
    pool.submit(recordTask, &d, 1);
    WorkPool::Snapshot s = pool.snapshot();
    EXPECT_EQ(s.idle, 0);
    EXPECT_EQ(s.busy, 2);
    EXPECT_EQ(s.queuedNormal, 2);
    EXPECT_EQ(s.queuedPriority, 2);

    // One thread frees up and works through the lists alone.
    first.release();
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard<std::mutex> lock(journal.mutex);
        return journal.order.size() == 4;
    }));
    EXPECT_EQ(journal.order, "BDAC");
    second.release();
    ASSERT_TRUE(waitUntil([&] { return pool.snapshot().idle == 2; }));
}

struct FakeDeviceSlot {
    std::atomic<DeviceInfo*> seen { nullptr };
};
FakeDeviceSlot g_deviceSlot;

void deviceTask(DeviceInfo* device)
{
    g_deviceSlot.seen = device;
}

TEST(WorkPool, DeviceTasksGetTheirDevicePointer)
{
    WorkPool pool(1);
    int marker = 0;
    // The pool only passes the pointer on; it never looks at the device.
    auto* device = reinterpret_cast<DeviceInfo*>(&marker);
    EXPECT_TRUE(pool.submit(deviceTask, device, WorkPool::PriorityQueue));
    ASSERT_TRUE(waitUntil([&] { return g_deviceSlot.seen.load() == device; }));
}

TEST(WorkPool, SubmitHookSeesEveryTaskAndMayTakeIt)
{
    WorkPool pool(1);
    struct Seen {
        WorkTask::Function function;
        WorkTask::DeviceFunction deviceFunction;
        void* argument;
        int queue;
    };
    std::vector<Seen> seen;
    bool take = true;
    WorkPool::setSubmitHook([&](const WorkTask& task, int queue) {
        seen.push_back({ task.function, task.deviceFunction, task.argument, queue });
        return take;
    });
    int marker = 0;
    auto* device = reinterpret_cast<DeviceInfo*>(&marker);
    g_deviceSlot.seen = nullptr;
    EXPECT_TRUE(pool.submit(deviceTask, device, WorkPool::PriorityQueue));
    std::atomic<int> runs { 0 };
    auto count = [](void* p) { static_cast<std::atomic<int>*>(p)->fetch_add(1); };
    EXPECT_TRUE(pool.submit(count, &runs, WorkPool::NormalQueue));
    // Taken tasks never reach a thread.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(runs.load(), 0);
    EXPECT_NE(g_deviceSlot.seen.load(), device);

    // A hook that lets the task pass still sees it.
    take = false;
    EXPECT_TRUE(pool.submit(count, &runs, WorkPool::NormalQueue));
    EXPECT_TRUE(waitUntil([&] { return runs.load() == 1; }));
    WorkPool::setSubmitHook({});
    EXPECT_TRUE(pool.submit(count, &runs, WorkPool::NormalQueue));
    EXPECT_TRUE(waitUntil([&] { return runs.load() == 2; }));

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].deviceFunction, &deviceTask);
    EXPECT_EQ(seen[0].argument, device);
    EXPECT_EQ(seen[0].queue, WorkPool::PriorityQueue);
    EXPECT_EQ(seen[1].function, static_cast<WorkTask::Function>(count));
    EXPECT_EQ(seen[1].queue, WorkPool::NormalQueue);
    EXPECT_EQ(seen[2].argument, &runs);
}

TEST(WorkPool, ThreadCountZeroMeansTwicePerProcessorPlusTwo)
{
    EXPECT_EQ(WorkPool::defaultThreadCount(), 2 * QThread::idealThreadCount() + 2);
    WorkPool pool(0);
    EXPECT_EQ(pool.threadCount(), WorkPool::defaultThreadCount());
    EXPECT_EQ(pool.snapshot().idle, pool.threadCount());
}

TEST(WorkPool, InstanceIsOneProcessWidePoolOfThirtyThreads)
{
    WorkPool* pool = WorkPool::instance();
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool, WorkPool::instance());
    EXPECT_EQ(pool->threadCount(), 30);
    EXPECT_FALSE(pool->isStopping());
}

// Many submitters against few threads: every task runs exactly once, and at no
// moment is a thread idle while a task waits in a list.
struct StressTask {
    std::atomic<int>* runs;
    std::atomic<int> count { 0 };
};

void stressTask(void* arg)
{
    auto* t = static_cast<StressTask*>(arg);
    t->count.fetch_add(1);
    t->runs->fetch_add(1);
    // A little work now and then, so that lists fill and drain.
    if ((reinterpret_cast<uintptr_t>(arg) >> 4) % 7 == 0)
        std::this_thread::yield();
}

TEST(WorkPool, StressNoThreadIdlesWhileTasksWait)
{
    constexpr int kThreads = 6;
    constexpr int kSubmitters = 4;
    constexpr int kPerSubmitter = 20000;
    WorkPool pool(kThreads);
    std::atomic<int> runs { 0 };
    std::vector<StressTask> tasks(kSubmitters * kPerSubmitter);
    for (auto& t : tasks)
        t.runs = &runs;

    std::atomic<bool> done { false };
    std::atomic<int> violations { 0 };
    std::atomic<int> samples { 0 };
    std::atomic<int> samplesWithQueue { 0 };
    std::thread checker([&] {
        while (!done) {
            WorkPool::Snapshot s = pool.snapshot();
            if (s.idle > 0 && s.queuedNormal + s.queuedPriority > 0)
                violations.fetch_add(1);
            if (s.idle + s.busy != kThreads)
                violations.fetch_add(1);
            if (s.queuedNormal + s.queuedPriority > 0)
                samplesWithQueue.fetch_add(1);
            samples.fetch_add(1);
        }
    });

    std::vector<std::thread> submitters;
    for (int i = 0; i < kSubmitters; ++i) {
        submitters.emplace_back([&, i] {
            for (int k = 0; k < kPerSubmitter; ++k)
                pool.submit(stressTask, &tasks[size_t(i * kPerSubmitter + k)], k % 3 == 0 ? 1 : 0);
        });
    }
    for (auto& t : submitters)
        t.join();
    bool allRan = waitUntil([&] { return runs.load() == int(tasks.size()); }, 30000);
    ASSERT_TRUE(waitUntil([&] { return pool.snapshot().idle == kThreads; }));
    done = true;
    checker.join();

    ASSERT_TRUE(allRan) << runs.load() << " of " << tasks.size();
    int wrong = 0;
    for (auto& t : tasks)
        wrong += t.count.load() != 1;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(violations.load(), 0);
    EXPECT_GT(samples.load(), 0);
    // The run must have had tasks waiting, or it proved nothing.
    EXPECT_GT(samplesWithQueue.load(), 0);
    WorkPool::Snapshot s = pool.snapshot();
    EXPECT_EQ(s.busy, 0);
    EXPECT_EQ(s.queuedNormal + s.queuedPriority, 0);
}

TEST(WorkPool, StopDropsQueuedTasksAndWaitsForRunningOnes)
{
    WorkPool pool(2);
    Gate gate;
    Blocker b1 { &gate }, b2 { &gate };
    pool.submit(blockTask, &b1, 0);
    pool.submit(blockTask, &b2, 1);
    ASSERT_TRUE(gate.waitForWaiting(2));

    std::atomic<int> queuedRuns { 0 };
    std::vector<StressTask> queued(10);
    for (auto& t : queued) {
        t.runs = &queuedRuns;
        pool.submit(stressTask, &t, &t - &queued[0] < 5 ? 0 : 1);
    }
    EXPECT_EQ(pool.snapshot().queuedNormal + pool.snapshot().queuedPriority, 10);

    std::atomic<bool> waitResult { false };
    std::atomic<bool> waitReturned { false };
    auto started = Clock::now();
    std::thread stopper([&] {
        waitResult = pool.stopAndWait(5000);
        waitReturned = true;
    });
    ASSERT_TRUE(waitUntil([&] { return pool.isStopping(); }));
    ASSERT_TRUE(waitUntil([&] {
        WorkPool::Snapshot s = pool.snapshot();
        return s.queuedNormal + s.queuedPriority == 0;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(waitReturned.load()) << "stop must wait for running tasks";
    gate.release();
    stopper.join();
    auto waited = Clock::now() - started;

    EXPECT_TRUE(waitResult.load());
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_TRUE(b1.finished.load());
    EXPECT_TRUE(b2.finished.load());
    EXPECT_EQ(queuedRuns.load(), 0);

    // After the stop, submit still answers true but runs nothing.
    StressTask late;
    late.runs = &queuedRuns;
    EXPECT_TRUE(pool.submit(stressTask, &late, 0));
    EXPECT_TRUE(pool.submit(stressTask, &late, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(late.count.load(), 0);
    WorkPool::Snapshot s = pool.snapshot();
    EXPECT_EQ(s.queuedNormal + s.queuedPriority, 0);
}

TEST(WorkPool, StopWithIdleThreadsEndsAllAtOnce)
{
    WorkPool pool(8);
    auto started = Clock::now();
    EXPECT_TRUE(pool.stopAndWait(5000));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(pool.snapshot().idle, 0);
}

TEST(WorkPool, StopGivesUpAfterItsTimeOut)
{
    auto pool = std::make_unique<WorkPool>(2);
    Gate gate;
    Blocker stuck { &gate };
    pool->submit(blockTask, &stuck, 0);
    ASSERT_TRUE(gate.waitForWaiting(1));

    auto started = Clock::now();
    EXPECT_FALSE(pool->stopAndWait(200));
    auto waited = Clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(190));
    EXPECT_LT(waited, std::chrono::seconds(3));
    EXPECT_FALSE(stuck.finished.load());

    // The task goes on after the time-out and ends normally.
    gate.release();
    pool.reset();
    EXPECT_TRUE(stuck.finished.load());
}

} // namespace

// A device's tasks count from the submit until they have returned, or until
// a stop drops them unrun; tasks of no device and tasks a hook takes do not.
TEST(WorkPool, DeviceTasksCountUntilTheyReturnOrAreDropped)
{
    int first = 0;
    int second = 0;
    auto* a = reinterpret_cast<DeviceInfo*>(&first);
    auto* b = reinterpret_cast<DeviceInfo*>(&second);
    {
        WorkPool pool(1);
        Gate gate;
        Blocker blocker { &gate };
        pool.submit(blockTask, &blocker, 0);
        ASSERT_TRUE(gate.waitForWaiting(1));
        pool.submit([](DeviceInfo*) {}, a, 0);
        pool.submit([](void*) {}, a, 1);
        pool.submit([](void*) {}, static_cast<void*>(b), 0); // not a device task
        EXPECT_EQ(WorkPool::deviceTaskCount(a), 2);
        EXPECT_EQ(WorkPool::deviceTaskCount(b), 0);
        gate.release();
        ASSERT_TRUE(waitUntil([&] { return WorkPool::deviceTaskCount(a) == 0; }));

        Gate second;
        Blocker again { &second };
        pool.submit(blockTask, &again, 0);
        ASSERT_TRUE(second.waitForWaiting(1));
        pool.submit([](DeviceInfo*) {}, b, 0);
        EXPECT_EQ(WorkPool::deviceTaskCount(b), 1);
        pool.stop(); // drops the queued task
        EXPECT_EQ(WorkPool::deviceTaskCount(b), 0);
        second.release();
    }
    WorkPool::setSubmitHook([](const WorkTask&, int) { return true; });
    WorkPool pool(1);
    pool.submit([](DeviceInfo*) {}, a, 0);
    EXPECT_EQ(WorkPool::deviceTaskCount(a), 0);
    WorkPool::setSubmitHook({});
}
