// The downloads' pause and resume. The stand-in runs no downloads yet: it
// notes each call in its log and finds no download to pause or resume.
#include "netlog.h"
#include "vlnet.h"

namespace
{

int note(const char* what, const int* handle)
{
    if (!handle || *handle == 0) {
        vlnet::logLine("download %s refused: no handle", what);
        return 0;
    }
    vlnet::logLine("download %d: %s asked, no such download runs", *handle, what);
    return 0;
}

} // namespace

extern "C" {

int VLNET_CALL VLNetPauseDownloadFile(int* handle)
{
    return note("pause", handle);
}

int VLNET_CALL VLNetResumeDownloadFile(int* handle)
{
    return note("resume", handle);
}

} // extern "C"
