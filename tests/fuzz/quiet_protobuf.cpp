#include "fuzz.h"

#include <google/protobuf/stubs/logging.h>

void vlfuzz::quiet_protobuf()
{
    google::protobuf::SetLogHandler(nullptr);
}
