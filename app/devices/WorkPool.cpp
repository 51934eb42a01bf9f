#include "devices/WorkPool.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QMutexLocker>

namespace
{
QMutex hookMutex;

// The pool tasks of each device, by its address; only devices with tasks
// have an entry.
QMutex countMutex;
QHash<const DeviceInfo*, int>& deviceCounts()
{
    static QHash<const DeviceInfo*, int> counts;
    return counts;
}
void countTask(const DeviceInfo* device, int change)
{
    QMutexLocker lock(&countMutex);
    int& n = deviceCounts()[device];
    n += change;
    if (n <= 0)
        deviceCounts().remove(device);
}
WorkPool::SubmitHook& submitHook()
{
    static WorkPool::SubmitHook hook;
    return hook;
}
} // namespace

void WorkTask::run() const
{
    if (deviceFunction)
        deviceFunction(static_cast<DeviceInfo*>(argument));
    else if (function)
        function(argument);
}

void WorkTask::release() const
{
    if (countedDevice)
        countTask(countedDevice, -1);
}

// --- WorkThread ---

WorkThread::WorkThread(WorkPool* pool, QObject* parent)
    : QThread(parent)
    , m_pool(pool)
{
}

void WorkThread::giveTask(const WorkTask& task)
{
    QMutexLocker lock(&m_mutex);
    m_task = task;
    m_wake.wakeOne();
}

void WorkThread::wakeForStop()
{
    // Under the own mutex: the thread either sees the stop counter before it
    // starts to wait, or is already waiting and gets this wake-up.
    QMutexLocker lock(&m_mutex);
    m_wake.wakeOne();
}

void WorkThread::run()
{
    while (!m_pool->isStopping()) {
        WorkTask task;
        {
            QMutexLocker lock(&m_mutex);
            // A task handed over before the wait begins is found here, so no
            // hand-over can be lost.
            while (!m_task.isSet() && !m_pool->isStopping())
                m_wake.wait(&m_mutex);
            task = m_task;
            m_task = WorkTask();
        }
        // A task handed over was accepted by submit: it runs even when the
        // pool began to stop meanwhile. No lock is held while it runs.
        if (task.isSet()) {
            task.run();
            task.release();
        }
        m_pool->takeNextTask(this);
    }
}

// --- WorkPool ---

WorkPool::WorkPool(int threadCount)
    : m_threadCount(threadCount > 0 ? threadCount : defaultThreadCount())
{
    m_threads.reserve(m_threadCount);
    m_idleThreads.reserve(m_threadCount);
    for (int i = 0; i < m_threadCount; ++i) {
        auto* thread = new WorkThread(this, nullptr);
        m_threads.append(thread);
        {
            QMutexLocker lock(&m_threadMutex);
            m_idleThreads.append(thread);
        }
        thread->start(QThread::InheritPriority);
    }
}

WorkPool::~WorkPool()
{
    stop();
    for (WorkThread* thread : qAsConst(m_threads)) {
        thread->wait();
        delete thread;
    }
}

WorkPool* WorkPool::instance()
{
    // Made once and never deleted: its threads may still be finishing a task
    // while the process exits.
    static WorkPool* pool = new WorkPool(30);
    return pool;
}

int WorkPool::defaultThreadCount()
{
    return 2 * QThread::idealThreadCount() + 2;
}

bool WorkPool::submit(WorkTask::DeviceFunction function, DeviceInfo* device, int queue)
{
    WorkTask task;
    task.deviceFunction = function;
    task.argument = device;
    task.countedDevice = device;
    return submitTask(task, queue);
}

bool WorkPool::submit(WorkTask::Function function, DeviceInfo* device, int queue)
{
    WorkTask task;
    task.function = function;
    task.argument = device;
    task.countedDevice = device;
    return submitTask(task, queue);
}

bool WorkPool::submit(WorkTask::Function function, void* argument, int queue)
{
    WorkTask task;
    task.function = function;
    task.argument = argument;
    return submitTask(task, queue);
}

int WorkPool::deviceTaskCount(const DeviceInfo* device)
{
    QMutexLocker lock(&countMutex);
    return deviceCounts().value(device, 0);
}

void WorkPool::setSubmitHook(SubmitHook hook)
{
    QMutexLocker lock(&hookMutex);
    submitHook() = std::move(hook);
}

bool WorkPool::submitTask(const WorkTask& submitted, int queue)
{
    WorkTask task = submitted;
    SubmitHook hook;
    {
        QMutexLocker lock(&hookMutex);
        hook = submitHook();
    }
    if (hook && hook(task, queue))
        return true;
    if (isStopping() || !task.isSet())
        return true;
    // Counted before any thread can see the task, so that its release never
    // comes first.
    if (task.countedDevice)
        countTask(task.countedDevice, 1);

    QMutexLocker threadLock(&m_threadMutex);
    if (!m_idleThreads.isEmpty()) {
        WorkThread* thread = m_idleThreads.takeLast();
        m_busyThreads.append(thread);
        threadLock.unlock();
        thread->giveTask(task);
        return true;
    }
    // Still under the thread mutex: deciding that no thread is idle and
    // queuing the task are one step, so no thread can turn idle in between
    // and leave this task waiting.
    QMutexLocker taskLock(&m_taskMutex);
    if (queue == PriorityQueue)
        m_priorityTasks.append(task);
    else
        m_normalTasks.append(task);
    return true;
}

void WorkPool::takeNextTask(WorkThread* thread)
{
    QMutexLocker threadLock(&m_threadMutex);
    WorkTask task;
    {
        QMutexLocker taskLock(&m_taskMutex);
        if (!m_priorityTasks.isEmpty())
            task = m_priorityTasks.takeFirst();
        else if (!m_normalTasks.isEmpty())
            task = m_normalTasks.takeFirst();
    }
    if (task.isSet()) {
        threadLock.unlock();
        thread->giveTask(task);
        return;
    }
    if (!isStopping()) {
        // A thread not found among the busy ones stays where it is.
        if (m_busyThreads.removeOne(thread))
            m_idleThreads.append(thread);
    }
}

void WorkPool::stop()
{
    m_stopCount.ref();
    QList<WorkTask> dropped;
    {
        QMutexLocker taskLock(&m_taskMutex);
        dropped = m_priorityTasks + m_normalTasks;
        m_priorityTasks.clear();
        m_normalTasks.clear();
    }
    // Dropped tasks never run: their devices are no longer busy with them.
    for (const WorkTask& task : qAsConst(dropped))
        task.release();
    QVector<WorkThread*> idle;
    {
        QMutexLocker threadLock(&m_threadMutex);
        idle.swap(m_idleThreads);
    }
    for (WorkThread* thread : qAsConst(idle))
        thread->wakeForStop();
}

bool WorkPool::stopAndWait(int timeoutMs)
{
    stop();
    QDeadlineTimer deadline(qMax(0, timeoutMs));
    bool allEnded = true;
    for (WorkThread* thread : qAsConst(m_threads)) {
        if (!thread->wait(deadline))
            allEnded = false;
    }
    return allEnded;
}

WorkPool::Snapshot WorkPool::snapshot()
{
    QMutexLocker threadLock(&m_threadMutex);
    QMutexLocker taskLock(&m_taskMutex);
    Snapshot s;
    s.idle = m_idleThreads.size();
    s.busy = m_busyThreads.size();
    s.queuedNormal = m_normalTasks.size();
    s.queuedPriority = m_priorityTasks.size();
    return s;
}
