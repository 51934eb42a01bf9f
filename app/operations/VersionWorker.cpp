// Operation 10: the device's version text, read over VLNet, for the upgrade
// page's comparison with the version the user chose (upgradeMatchText).
#include "devices/DeviceInfo.h"
#include "operations/MaintenanceRequests.h"

#include <array>
#include <cstring>

namespace
{
constexpr int kVersionRead = 24;
constexpr int kVersionNotRead = 25;
} // namespace

void DeviceInfo::queryUpgradeMatchText()
{
    std::array<unsigned char, VLNET_PARAM_VERSION_SIZE> record {};
    const int32_t size = VLNET_PARAM_VERSION_SIZE;
    std::memcpy(record.data(), &size, sizeof size);
    VLNET_QUERY_PARAM_EX request;
    std::memset(&request, 0, sizeof request);
    request.command = VLNET_PARAM_VERSION;
    request.buffer = record.data();
    request.buffer_size = size;
    if (VLNetQueryParamEx(connectionHandle, &request) == 0) {
        // The text of an earlier query stays: its comparison still shows.
        setStatus(kVersionNotRead);
        return;
    }
    queriedVersion = MaintenanceRequests::versionText(record.data(), int(record.size()));
    setStatus(kVersionRead);
}
