#include "devices/DeviceInfo.h"

namespace
{
constexpr int kParallelUploads = 30;
constexpr int kSerialUploads = 1;
} // namespace

std::atomic<int> DeviceInfo::maxUpgradingCount { 0 };

void DeviceInfo::enableParallelUpgrade()
{
    maxUpgradingCount.store(kParallelUploads);
}

void DeviceInfo::disableParallelUpgrade()
{
    maxUpgradingCount.store(kSerialUploads);
}

void DeviceInfo::setUploadLimitForProtocol(int protocol)
{
    if (protocol == 0)
        enableParallelUpgrade();
    else if (protocol == 1)
        disableParallelUpgrade();
}
