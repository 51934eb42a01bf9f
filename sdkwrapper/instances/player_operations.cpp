// The player operations that take a JSON request, shared by every instance
// class with a player. Their work is not built yet: each answers vl_fail,
// never a success it did not have.
#include "core/base_instance.h"

int base_instance::start_record(const char*)
{
    return vl_fail;
}

int base_instance::manual_switch_record(const char*)
{
    return vl_fail;
}

int base_instance::capture_picture(const char*)
{
    return vl_fail;
}

int base_instance::set_video_proportion(const char*)
{
    return vl_fail;
}

int base_instance::fisheye_mouse_control(const char*)
{
    return vl_fail;
}

int base_instance::fisheye_ptz_control(const char*)
{
    return vl_fail;
}
