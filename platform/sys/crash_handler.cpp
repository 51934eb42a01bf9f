#include "sys/crash_handler.h"

#include <cstdint>
#include <cstring>
#include <mutex>

#if !defined(_WIN32)
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>
#endif

namespace vlsys
{
namespace crash
{

namespace
{

long long floorDiv(long long a, long long b)
{
    long long q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Appends to a fixed buffer; remembers when something did not fit.
class TextBuffer
{
public:
    TextBuffer(char* out, size_t size)
        : m_out(out)
        , m_size(size)
    {
    }

    void text(const char* s)
    {
        while (*s)
            put(*s++);
    }
    void dec(long long v, int width, char pad)
    {
        char digits[24];
        int n = 0;
        bool negative = v < 0;
        unsigned long long u
            = negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        do {
            digits[n++] = char('0' + u % 10);
            u /= 10;
        } while (u != 0);
        if (negative)
            digits[n++] = '-';
        for (int i = n; i < width; ++i)
            put(pad);
        while (n > 0)
            put(digits[--n]);
    }
    // NUL-terminates; returns the length, or 0 when the text did not fit.
    size_t finish()
    {
        if (m_overflow || m_len >= m_size)
            return 0;
        m_out[m_len] = '\0';
        return m_len;
    }

private:
    void put(char c)
    {
        if (m_len + 1 < m_size)
            m_out[m_len++] = c;
        else
            m_overflow = true;
    }

    char* m_out;
    size_t m_size;
    size_t m_len = 0;
    bool m_overflow = false;
};

} // namespace

CivilTime civilTime(long long utcSeconds, long utcOffsetSeconds)
{
    // Days since 1970-01-01 to a proleptic Gregorian date, without the C
    // library: localtime is not allowed in a signal handler.
    long long t = utcSeconds + utcOffsetSeconds;
    long long days = floorDiv(t, 86400);
    long long rem = t - days * 86400;
    long long z = days + 719468;
    long long era = floorDiv(z, 146097);
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long d = doy - (153 * mp + 2) / 5 + 1;
    long long m = mp < 10 ? mp + 3 : mp - 9;
    long long y = yoe + era * 400 + (m <= 2 ? 1 : 0);

    CivilTime c;
    c.year = int(y);
    c.month = int(m);
    c.day = int(d);
    c.hour = int(rem / 3600);
    c.minute = int(rem % 3600 / 60);
    c.second = int(rem % 60);
    return c;
}

size_t formatDumpPath(char* out, size_t size, const char* folder, const char* name, const CivilTime& t)
{
    if (!out || size == 0)
        return 0;
    TextBuffer b(out, size);
    b.text(folder);
    b.text(name);
    b.text("_");
    b.dec(t.year, 4, ' ');
    const int rest[] = { t.month, t.day, t.hour, t.minute, t.second };
    for (int v : rest) {
        b.text("_");
        b.dec(v, 2, '0');
    }
    b.text(".dmp");
    size_t n = b.finish();
    if (n == 0)
        out[0] = '\0';
    return n;
}

} // namespace crash

#if defined(_WIN32)

// The Windows build writes its dumps through the system's own debugging
// library; that writer is not part of this build yet.
bool installCrashHandler(const CrashHandlerConfig&)
{
    return false;
}
void uninstallCrashHandler()
{
}
bool crashHandlerInstalled()
{
    return false;
}

#else

namespace
{

constexpr int kSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT };
constexpr int kSignalCount = int(sizeof(kSignals) / sizeof(kSignals[0]));
constexpr size_t kAltStackSize = 64 * 1024;
constexpr int kMaxFrames = 128;

// Everything the handler reads, fixed at install.
struct HandlerState {
    char folder[PATH_MAX] = {};
    char name[256] = {};
    char title[256] = {};
    long utcOffset = 0;
    bool debugOutput = false;
    struct sigaction previous[kSignalCount] = {};
    void* altStack = nullptr;
};

HandlerState g_state;
std::mutex g_installMutex; // install and uninstall only, never the handler
bool g_installed = false;
std::atomic<bool> g_armed { false };
// An alternate stack that could not be taken back (uninstalled from another
// thread); kept so that it is not lost.
void* g_strayAltStack = nullptr;
// Thread id of the one thread that writes the dump; 0 while none does.
std::atomic<long> g_writer { 0 };
void* g_frames[kMaxFrames];

long currentThreadId()
{
    return long(syscall(SYS_gettid));
}

// Buffered writes to a file descriptor with the first error kept.
class FdWriter
{
public:
    explicit FdWriter(int fd)
        : m_fd(fd)
    {
    }
    ~FdWriter() { flush(); }

    FdWriter& text(const char* s)
    {
        while (*s)
            put(*s++);
        return *this;
    }
    FdWriter& dec(long long v, int width = 0, char pad = ' ')
    {
        char tmp[32];
        crash::TextBuffer b(tmp, sizeof(tmp));
        b.dec(v, width, pad);
        if (b.finish() != 0)
            text(tmp);
        return *this;
    }
    FdWriter& raw(const char* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            put(p[i]);
        return *this;
    }
    FdWriter& hex(uintptr_t v)
    {
        char digits[2 * sizeof(uintptr_t)];
        for (int i = int(sizeof(digits)) - 1; i >= 0; --i) {
            digits[i] = "0123456789abcdef"[v & 0xf];
            v >>= 4;
        }
        put('0');
        put('x');
        for (char c : digits)
            put(c);
        return *this;
    }
    void flush()
    {
        size_t done = 0;
        while (done < m_len) {
            ssize_t n = write(m_fd, m_buf + done, m_len - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (m_error == 0)
                    m_error = n < 0 ? errno : EIO;
                break;
            }
            done += size_t(n);
        }
        m_len = 0;
    }
    void noteError(int error)
    {
        if (m_error == 0)
            m_error = error;
    }
    int error() const { return m_error; }

private:
    void put(char c)
    {
        if (m_len == sizeof(m_buf))
            flush();
        m_buf[m_len++] = c;
    }

    int m_fd;
    char m_buf[512];
    size_t m_len = 0;
    int m_error = 0;
};

const char* signalName(int sig)
{
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

// The failure texts are those of the product on every platform; the error
// number is the system's own (errno here).
void reportFailure(const char* what, const char* path, int error)
{
    if (!g_state.debugOutput)
        return;
    FdWriter out(STDERR_FILENO);
    out.text("-----------MiniDumper-----------\n").text(what).text(" '").text(path).text("' (error ");
    out.dec(error).text(")\n");
}

uintptr_t instructionPointer(const void* context)
{
    if (!context)
        return 0;
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return uintptr_t(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
    return uintptr_t(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
    return uintptr_t(uc->uc_mcontext.pc);
#else
    (void)uc;
    return 0;
#endif
}

void copyFile(const char* path, FdWriter& out)
{
    int in = open(path, O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        out.text("(unreadable: error ").dec(errno).text(")\n");
        return;
    }
    char buf[1024];
    for (;;) {
        ssize_t n = read(in, buf, sizeof(buf));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.raw(buf, size_t(n));
    }
    close(in);
}

void writeDump(int sig, const siginfo_t* info, const void* context, long thread)
{
    struct timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    crash::CivilTime t = crash::civilTime(now.tv_sec, g_state.utcOffset);

    char path[PATH_MAX + 64];
    if (crash::formatDumpPath(path, sizeof(path), g_state.folder, g_state.name, t) == 0) {
        reportFailure("Failed to create the mini-dump file", g_state.folder, ENAMETOOLONG);
        return;
    }
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        reportFailure("Failed to create the mini-dump file", path, errno);
        return;
    }

    int error = 0;
    {
        FdWriter out(fd);
        out.text(g_state.title).text("\n");
        out.text("time: ").dec(t.year, 4, '0').text("-").dec(t.month, 2, '0').text("-").dec(t.day, 2, '0');
        out.text(" ").dec(t.hour, 2, '0').text(":").dec(t.minute, 2, '0').text(":").dec(t.second, 2, '0');
        long offsetMinutes = g_state.utcOffset / 60;
        out.text(" (UTC").text(offsetMinutes < 0 ? "-" : "+");
        long absMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
        out.dec(absMinutes / 60, 2, '0').text(":").dec(absMinutes % 60, 2, '0').text(")\n");
        out.text("process: ").dec(getpid()).text("\n");
        out.text("thread: ").dec(thread).text("\n");
        out.text("signal: ").dec(sig).text(" ").text(signalName(sig));
        if (info) {
            out.text(" (code ").dec(info->si_code).text(")\n");
            if (info->si_code <= 0) {
                // Sent by a process (kill, raise, abort), not raised by a fault.
                out.text("sender: ").dec(info->si_pid).text("\n");
            } else if (sig != SIGABRT) {
                out.text("address: ").hex(uintptr_t(info->si_addr)).text("\n");
            }
        } else {
            out.text("\n");
        }
        if (uintptr_t ip = instructionPointer(context))
            out.text("instruction: ").hex(ip).text("\n");

        out.text("\nbacktrace:\n");
        out.flush();
        int frames = backtrace(g_frames, kMaxFrames);
        backtrace_symbols_fd(g_frames, frames, fd);

        out.text("\nmemory map:\n");
        copyFile("/proc/self/maps", out);
        out.flush();
        error = out.error();
    }
    if (close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error != 0)
        reportFailure("Failed to save the mini-dump file to", path, error);
}

// Ends the process by `sig` itself, so that its parent sees the crash.
[[noreturn]] void dieBy(int sig)
{
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    // Only reached when the signal could not end the process.
    _exit(128 + sig);
}

void onFatalSignal(int sig, siginfo_t* info, void* context)
{
    // The guard comes first: a second crashing thread must not write into
    // the same dump or end the process before the dump is whole.
    long self = currentThreadId();
    long expected = 0;
    if (!g_writer.compare_exchange_strong(expected, self)) {
        if (expected == self)
            dieBy(sig); // the writer itself crashed: give up on the dump
        // Another thread writes the dump and then ends the process. Should it
        // hang, end the process after a while anyway.
        for (int i = 0; i < 3000; ++i) {
            struct timespec pause = { 0, 10 * 1000 * 1000 };
            nanosleep(&pause, nullptr);
        }
        dieBy(sig);
    }
    if (g_armed.load())
        writeDump(sig, info, context, self);
    dieBy(sig);
}

bool copyText(char* out, size_t size, const std::string& text)
{
    if (text.size() >= size || text.find('\0') != std::string::npos)
        return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

bool installCrashHandler(const CrashHandlerConfig& config)
{
    std::lock_guard<std::mutex> lock(g_installMutex);
    if (g_installed)
        return false;

    HandlerState& s = g_state;
    if (!copyText(s.folder, sizeof(s.folder), config.folder)
        || !copyText(s.name, sizeof(s.name), config.programName)
        || !copyText(s.title, sizeof(s.title), config.title))
        return false;
    s.debugOutput = config.debugOutput;

    time_t now = time(nullptr);
    struct tm local = {};
    s.utcOffset = localtime_r(&now, &local) ? local.tm_gmtoff : 0;

    // The unwinder loads its support library on first use, which allocates:
    // do that now, not in the handler.
    void* warm[4];
    backtrace(warm, 4);

    // A stack of its own for the handler on this thread, unless it has one
    // already, so that a stack overflow can still be reported.
    stack_t current = {};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE)) {
        void* mem = std::malloc(kAltStackSize);
        stack_t ss = {};
        ss.ss_sp = mem;
        ss.ss_size = kAltStackSize;
        ss.ss_flags = 0;
        if (mem && sigaltstack(&ss, nullptr) == 0)
            s.altStack = mem;
        else
            std::free(mem);
    }

    g_writer.store(0);
    g_armed.store(true);

    struct sigaction sa = {};
    sa.sa_sigaction = onFatalSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
        if (sigaction(kSignals[i], &sa, &s.previous[i]) != 0) {
            for (int k = 0; k < i; ++k)
                sigaction(kSignals[k], &s.previous[k], nullptr);
            g_armed.store(false);
            return false;
        }
    }
    g_installed = true;
    return true;
}

void uninstallCrashHandler()
{
    std::lock_guard<std::mutex> lock(g_installMutex);
    if (!g_installed)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &g_state.previous[i], nullptr);
    g_armed.store(false);
    g_installed = false;

    if (g_state.altStack) {
        // Only the thread that installed it can take it away; elsewhere the
        // little memory stays with the process.
        stack_t current = {};
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == g_state.altStack
            && !(current.ss_flags & SS_ONSTACK)) {
            stack_t off = {};
            off.ss_flags = SS_DISABLE;
            if (sigaltstack(&off, nullptr) == 0) {
                std::free(g_state.altStack);
                g_state.altStack = nullptr;
            }
        }
        if (g_state.altStack) {
            if (!g_strayAltStack)
                g_strayAltStack = g_state.altStack;
            g_state.altStack = nullptr;
        }
    }
}

bool crashHandlerInstalled()
{
    std::lock_guard<std::mutex> lock(g_installMutex);
    return g_installed;
}

#endif

} // namespace vlsys
