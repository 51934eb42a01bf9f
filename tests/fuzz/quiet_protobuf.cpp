// Linked into the targets that parse protocol buffers: the runtime logs every
// message it cannot parse, and fuzzing makes millions of those.
#include <google/protobuf/stubs/logging.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    google::protobuf::SetLogHandler(nullptr);
    return 0;
}
