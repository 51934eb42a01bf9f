#pragma once
// Generated devices: a deterministic mix of cameras and recorders.
#include "device.h"

#include <cstdint>
#include <string>

namespace devsim
{

struct GenerateOptions {
    int count = 0;
    std::uint32_t seed = 1;
    int inactivePercent = 10; // devices that still wait for their first password
    // ONVIF-capable devices: exactly count * P / 100 of the first `count`
    // devices, spread evenly (device n is one when (n + 1) * P / 100 steps up).
    int onvifPercent = 10;
    std::string password = "Admin_123"; // the password of both administrators of activated devices
    // The second administrator beside "admin": the program's default user
    // (GKAppSetting::kDefaultUser of edition 0), so that the program's own
    // default credentials log in where the password is the program's too.
    std::string defaultUser = "tavik";
};

// The n-th device address of the lab's device subnets: 192.168.1.10 + n,
// skipping .0 and the addresses above .250 of each /24 as the lab's helper
// does (tests/support/lab.h, Lab::deviceIp4).
std::string deviceIp4(int n);
// fd00:168:0:1::<10 + n>
std::string deviceIp6(int n);

// Device `n` of the set that `options` describes. The same options give the
// same devices on every run (the key pair excepted: it is always fresh).
Device generateDevice(int n, const GenerateOptions& options);

} // namespace devsim
