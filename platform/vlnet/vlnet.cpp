#include "vlnet.h"

#include <mutex>

namespace {
std::mutex g_lock;
int g_refs = 0;
} // namespace

extern "C" {

int VLNET_CALL VLNetInit(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_refs;
    return 1;
}

int VLNET_CALL VLNetRelease(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_refs > 0)
        --g_refs;
    return 1;
}

int VLNET_CALL VLNetSetEncription(int) { return 1; }
int VLNET_CALL VLNetInitLog(VLNET_LOG_INFO* info) { return info ? 1 : 0; }
int VLNET_CALL VLNetInitP2PServerInfo(VLNET_P2P_SERVER_INFO*) { return 1; }
int VLNET_CALL VLNetEnableConsoleLog(int) { return 1; }

} // extern "C"
