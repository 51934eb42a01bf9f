#pragma once
// Holder of a process-wide object that is created on first use, from any
// thread, and deleted when the process exits (the holder is a static object).
//
//   static ProcessSingleton<Foo> g_foo;
//   Foo* Foo::instance() { return g_foo.get([] { return new Foo; }); }
#include <QMutex>
#include <QMutexLocker>
#include <atomic>

template <typename T> class ProcessSingleton
{
public:
    ProcessSingleton() = default;
    ~ProcessSingleton() { delete m_object.exchange(nullptr); }
    ProcessSingleton(const ProcessSingleton&) = delete;
    ProcessSingleton& operator=(const ProcessSingleton&) = delete;

    // The object, made by `make` on the first call; later calls skip the lock.
    template <typename Make> T* get(Make make)
    {
        T* object = m_object.load(std::memory_order_acquire);
        if (object)
            return object;
        QMutexLocker lock(&m_mutex);
        object = m_object.load(std::memory_order_relaxed);
        if (!object) {
            object = make();
            m_object.store(object, std::memory_order_release);
        }
        return object;
    }

    // Puts `next` (or nothing) in place and deletes the previous object. For
    // tests: no other thread may be using the object.
    void replace(T* next)
    {
        QMutexLocker lock(&m_mutex);
        delete m_object.exchange(next);
    }

private:
    QMutex m_mutex;
    std::atomic<T*> m_object { nullptr };
};
