#include "vlonvifs.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace
{
std::mutex g_lock;
int g_refs = 0;
} // namespace

extern "C" {

int VLONVIFS_CALL VLOnvifInit(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_refs;
    return 1;
}

bool VLONVIFS_CALL VLOnvifSetSearchTimeout(int, int, int)
{
    const char* fail = std::getenv("VLONVIFS_FAIL_SEARCH_TIMEOUT");
    return !(fail && std::strcmp(fail, "1") == 0);
}

int VLONVIFS_CALL VLOnvifRelease(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_refs > 0)
        --g_refs;
    return 1;
}

} // extern "C"
