// The exports that drive feature instances.
#include "core/base_instance.h"
#include "core/device.h"
#include "core/export_guard.h"
#include "vl_sdk_wrapper.h"

VL_API void* vl_get_decoded_frame(base_instance* instance, bool* valid)
{
    bool held = false;
    void* frame = vlsdk::export_guard("get_decoded_frame", static_cast<void*>(nullptr), [&]() -> void* {
        if (!instance)
            return nullptr;
        if (!instance->owner()) {
            held = true;
            return instance->get_decoded_frame();
        }
        return instance->owner()->get_decoded_frame(instance, &held);
    });
    if (valid)
        *valid = held;
    return frame;
}
