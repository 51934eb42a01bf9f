#pragma once
// The process-wide pool of worker threads on which every batch operation runs
// one task per device, so that many devices are configured at once while the
// GUI thread stays free.
//
// Threads are made once, by the constructor. A submitted task goes straight to
// an idle thread; only when every thread is busy does it wait in one of two
// lists, and the priority list is always served before the normal one. A task
// is never left waiting while a thread sits idle.
//
// Contract for tasks: they run on a pool thread with no lock of the pool held,
// must not throw, and may submit further tasks. After stop() no new task
// starts; tasks already running finish.
//
// A task submitted for a device (either submit form that takes a DeviceInfo*)
// counts on that device from the moment the pool accepts it until it has
// returned, or until stop() drops it unrun (deviceTaskCount): a device with
// a count is busy (DeviceInfo::isBusy), and the search page does not delete
// it under the task. The pool never looks into the device. Tasks that a
// submit hook takes are the hook's and are not counted.
#include <QAtomicInt>
#include <QList>
#include <QMutex>
#include <QThread>
#include <QVector>
#include <QWaitCondition>
#include <cstddef>
#include <functional>

class DeviceInfo;
class WorkPool;

// One unit of work: a function and the pointer it is called with. Device tasks
// take the device record; the plain form takes any pointer.
struct WorkTask {
    using Function = void (*)(void*);
    using DeviceFunction = void (*)(DeviceInfo*);

    Function function = nullptr;
    DeviceFunction deviceFunction = nullptr;
    void* argument = nullptr;
    // The device whose pool-task count this task holds; null for tasks of
    // no device.
    DeviceInfo* countedDevice = nullptr;

    bool isSet() const { return function != nullptr || deviceFunction != nullptr; }
    void run() const;
    // The task has run or was dropped: lowers its device's count.
    void release() const;
};

class WorkThread : public QThread
{
public:
    explicit WorkThread(WorkPool* pool, QObject* parent = nullptr);

protected:
    void run() override;

private:
    friend class WorkPool;

    // Hands a task to this thread and wakes it; the thread runs it next.
    void giveTask(const WorkTask& task);
    // Wakes the thread without a task, so that it sees the pool stopping.
    void wakeForStop();

    QWaitCondition m_wake;
    QMutex m_mutex; // guards m_task and the wait
    WorkPool* m_pool;
    WorkTask m_task;
};

class WorkPool
{
public:
    enum Queue { NormalQueue = 0, PriorityQueue = 1 };

    // Makes `threadCount` threads (0: twice the number of logical processors
    // plus 2) and starts them idle.
    explicit WorkPool(int threadCount = 0);
    // Stops the pool and waits, without a bound, for every thread to end. The
    // process-wide pool is never destroyed; this serves pools made by tests.
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // The process-wide pool, made with 30 threads on the first call. The
    // first call belongs to the program's start-up, before any page exists.
    static WorkPool* instance();

    // The thread count that a count of 0 stands for.
    static int defaultThreadCount();

    // Queues a task or hands it to an idle thread at once; `queue` 1 is the
    // priority list. Callable from any thread. After stop() the task is
    // dropped. Always returns true.
    // The device forms count the task on the device (see the top).
    bool submit(WorkTask::DeviceFunction function, DeviceInfo* device, int queue);
    bool submit(WorkTask::Function function, DeviceInfo* device, int queue);
    bool submit(WorkTask::Function function, void* argument, int queue);
    bool submit(WorkTask::Function function, std::nullptr_t, int queue)
    {
        return submit(function, static_cast<void*>(nullptr), queue);
    }

    // Sees every task submitted to any pool, with its queue, before the pool
    // takes it; returns true when it has taken the task itself (the pool
    // then neither queues nor runs it), false to let the pool go on as
    // usual. For tests that check what was handed to the pool, and that run
    // the tasks themselves or not at all. An empty hook removes it. Any
    // thread; the hook is called on the submitting thread, without a lock of
    // the pool held.
    using SubmitHook = std::function<bool(const WorkTask& task, int queue)>;
    static void setSubmitHook(SubmitHook hook);

    // The tasks of `device` queued or running in any pool. Any thread.
    static int deviceTaskCount(const DeviceInfo* device);

    // Raises the stop counter, drops every queued task and lets idle threads
    // end. Running tasks finish; does not wait for them.
    void stop();

    // stop(), then waits up to `timeoutMs` for the running tasks to finish and
    // every thread to end. Returns true when all threads ended in time; on
    // false the tasks still running go on, and the pool must stay alive.
    bool stopAndWait(int timeoutMs);

    bool isStopping() const { return m_stopCount.loadAcquire() != 0; }
    int threadCount() const { return m_threadCount; }

    // A consistent picture of the pool, taken under both locks (for tests and
    // diagnostics).
    struct Snapshot {
        int idle = 0;
        int busy = 0;
        int queuedNormal = 0;
        int queuedPriority = 0;
    };
    Snapshot snapshot();

private:
    friend class WorkThread;

    bool submitTask(const WorkTask& task, int queue);
    // Called by a thread after each run: gives it the next queued task or
    // makes it idle.
    void takeNextTask(WorkThread* thread);

    int m_threadCount;
    QAtomicInt m_stopCount;

    QMutex m_taskMutex; // guards both lists; taken after m_threadMutex
    QList<WorkTask> m_normalTasks;
    QList<WorkTask> m_priorityTasks;

    QMutex m_threadMutex; // guards the idle and busy collections
    QVector<WorkThread*> m_idleThreads; // the last one added is taken first
    QList<WorkThread*> m_busyThreads;

    QVector<WorkThread*> m_threads; // every thread, for the waiting stop
};
