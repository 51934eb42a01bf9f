#include "vlonvifs.h"

#include <cstdlib>
#include <cstring>

extern "C" {

int VLONVIFS_CALL VLOnvifInit(void) { return 1; }

bool VLONVIFS_CALL VLOnvifSetSearchTimeout(int, int, int)
{
    const char* fail = std::getenv("VLONVIFS_FAIL_SEARCH_TIMEOUT");
    return !(fail && std::strcmp(fail, "1") == 0);
}

int VLONVIFS_CALL VLOnvifRelease(void) { return 1; }

} // extern "C"
