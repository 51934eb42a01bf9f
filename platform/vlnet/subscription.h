#pragma once
// A face subscription on a connection (VLNetStartAlarmRequestInfo,
// VLNetStartAlarmParamInfo): the handlers and context the caller gave. The
// simulated devices send no face reports yet, so nothing calls them; the
// subscription only holds its handle until it is stopped.
#include "vlnet.h"

namespace vlnet
{

struct Subscription {
    enum class Kind { reports, params };
    Kind kind = Kind::reports;
    int connection = 0; // the login handle it was made on
    VLNET_ALARM_REPORT_CALLBACK report = nullptr;
    VLNET_ALARM_PARAM_CALLBACK param = nullptr;
    VLNET_ALARM_STATUS_CALLBACK status = nullptr;
    void* context = nullptr;
};

} // namespace vlnet
