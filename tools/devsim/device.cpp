#include "device.h"

namespace devsim
{

const char* kindName(Kind kind)
{
    switch (kind) {
    case Kind::Ipc:
        return "ipc";
    case Kind::Nvr:
        return "nvr";
    case Kind::Dvr:
        return "dvr";
    }
    return "ipc";
}

bool kindFromName(const std::string& name, Kind* out)
{
    if (name == "ipc")
        *out = Kind::Ipc;
    else if (name == "nvr")
        *out = Kind::Nvr;
    else if (name == "dvr")
        *out = Kind::Dvr;
    else
        return false;
    return true;
}

bool* alarmFlag(ChannelAlarms& a, const std::string& type)
{
    if (type == "motion")
        return &a.motion;
    if (type == "io")
        return &a.io;
    if (type == "pir")
        return &a.pir;
    if (type == "smart")
        return &a.smart;
    if (type == "cover")
        return &a.cover;
    if (type == "video_loss")
        return &a.videoLoss;
    if (type == "sound")
        return &a.sound;
    return nullptr;
}

int defaultDeviceType(Kind kind)
{
    switch (kind) {
    case Kind::Ipc:
        return 4;
    case Kind::Nvr:
        return 3;
    case Kind::Dvr:
        return 6;
    }
    return 4;
}

const User* Device::findUser(const std::string& userName) const
{
    for (const auto& u : users)
        if (u.name == userName)
            return &u;
    return nullptr;
}

User* Device::findUser(const std::string& userName)
{
    for (auto& u : users)
        if (u.name == userName)
            return &u;
    return nullptr;
}

} // namespace devsim
