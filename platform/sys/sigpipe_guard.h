#pragma once
// A write to a connection that the peer (or a cancel) has closed raises
// SIGPIPE in the writing thread, which ends the whole program unless the
// program ignores it; a library must not rely on that. While a guard lives,
// the signal is held back in its thread, and a SIGPIPE of the thread's own
// is taken off before the thread's mask is restored. Windows has no SIGPIPE:
// there the guard does nothing.
#if !defined(_WIN32)
#include <csignal>
#include <ctime>
#include <pthread.h>
#endif

namespace vlsys
{

#if !defined(_WIN32)
class SigpipeGuard
{
public:
    SigpipeGuard()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        m_ok = pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old) == 0;
    }
    ~SigpipeGuard()
    {
        if (!m_ok)
            return;
        sigset_t pending;
        sigpending(&pending);
        if (!m_wasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec none { 0, 0 };
            sigtimedwait(&m_pipe, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_old;
    bool m_wasPending = false;
    bool m_ok = false;
};
#else
class SigpipeGuard
{
};
#endif

} // namespace vlsys
