#pragma once
// The result record of one device of a video-format run: the video-format
// page makes one per device and run and keeps it in the device's
// DeviceInfo::videoFormatRecord slot, which fails it when the device's flow
// fails.
#include "upgrade/SearchDeviceInfo.h"

class VideoFormatDeviceInfo : public SearchDeviceInfo
{
    Q_OBJECT

public:
    using SearchDeviceInfo::SearchDeviceInfo;
};
