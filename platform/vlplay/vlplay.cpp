#include "vlplay.h"

#include <atomic>

namespace {
std::atomic<int> g_refs{0};
} // namespace

extern "C" {

int VLPLAY_CALL VLPlayInitPlayLib(int, int, const char*)
{
    ++g_refs;
    return 1;
}

int VLPLAY_CALL VLPlayDeinitPlayLib(void)
{
    int n = g_refs.load();
    while (n > 0 && !g_refs.compare_exchange_weak(n, n - 1)) {
    }
    return 1;
}

int VLPLAY_CALL VLPlaySetMaxHardwareDecodeNumber(int) { return 1; }
int VLPLAY_CALL VLPlayRegisterPlayInfo(VLPLAY_PLAY_INFO*) { return 1; }
int VLPLAY_CALL VLPlayInitMoreInfo(VLPLAY_MORE_INFO*) { return 1; }
int VLPLAY_CALL VLPlayInitLog(VLPLAY_LOG_INFO* info) { return info ? 1 : 0; }
int VLPLAY_CALL VLPlayEnableConsoleLog(int) { return 1; }

} // extern "C"
