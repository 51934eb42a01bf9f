// Operation 16: the device's clock and time zone set to the computer's, as
// the page took them when the user started the operation. Over VLNet the
// device's own record is read, changed and written back (its other settings,
// the NTP switch among them, stay); over the web interface the device is
// asked first whether it answers at all.
#include "devices/DeviceInfo.h"
#include "operations/MaintenanceRequests.h"
#include "operations/WorkerFrame.h"

#include <cstring>

namespace
{

using MaintenanceRequests::kDateTimeFailed;
using MaintenanceRequests::kDateTimeSet;

int setOverVlnet(DeviceInfo* device)
{
    VLNET_TIME_PARAM record;
    std::memset(&record, 0, sizeof record);
    record.size = VLNET_PARAM_TIME_SIZE;
    VLNET_QUERY_PARAM_EX query;
    std::memset(&query, 0, sizeof query);
    query.command = VLNET_PARAM_TIME;
    query.buffer = &record;
    query.buffer_size = VLNET_PARAM_TIME_SIZE;
    if (VLNetQueryParamEx(device->connectionHandle, &query) == 0)
        return kDateTimeFailed;
    MaintenanceRequests::writeTimeRecord(record, device->dateTime);
    VLNET_SET_PARAM set;
    std::memset(&set, 0, sizeof set);
    set.command = VLNET_PARAM_TIME;
    set.record = &record;
    return VLNetSetParam(device->connectionHandle, &set) != 0 ? kDateTimeSet : kDateTimeFailed;
}

int setOverWeb(DeviceInfo* device)
{
    WorkerFrame::WebRun run(device);
    // Only whether the device answers counts; what it says is not read.
    if (!run.post(QByteArrayLiteral("/API/SystemConfig/DateTime/Get"), QByteArray()).httpOk)
        return kDateTimeFailed;
    const WorkerFrame::Reply reply = run.postData(QByteArrayLiteral("/API/SystemConfig/DateTime/Set"),
        MaintenanceRequests::dateTimeData(device->dateTime));
    return MaintenanceRequests::dateTimeSetStatus(reply);
}

} // namespace

void DeviceInfo::setDateTime(DeviceInfo* device)
{
    if (!device)
        return;
    int status = kDateTimeFailed;
    // Without a date-time there is nothing to set: a device must not get a
    // clock made of an empty date.
    if (device->dateTime.isValid()) {
        status = WorkerFrame::transport() == WorkerFrame::Transport::VLNet ? setOverVlnet(device)
                                                                           : setOverWeb(device);
    }
    WorkerFrame::finish(device, status, device->streamConfigPage);
}
