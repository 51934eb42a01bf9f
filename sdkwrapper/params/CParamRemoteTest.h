#pragma once
// The remote-test runner of one device (each device owns one; it is not a
// parameter page and not in the registry). It turns a test command and its
// JSON into the command's data block, sends it to the device, and later
// hands the device's reply as JSON to device::notify_param_report (type 7).
//
// The tests themselves are not built yet: RemoteTest answers -1, so
// vl_remote_test answers vl_fail. Tests derive from it to stand in for it
// (device::replace_remote_test_runner).
#include <json/value.h>

struct device;

class CParamRemoteTest
{
public:
    explicit CParamRemoteTest(device* dev);
    virtual ~CParamRemoteTest();
    CParamRemoteTest(const CParamRemoteTest&) = delete;
    CParamRemoteTest& operator=(const CParamRemoteTest&) = delete;

    // 1 or more when the test was sent; its results come later.
    virtual int RemoteTest(int command, const Json::Value& request);

    device* Device() const { return m_device; }

protected:
    device* const m_device;
    int m_asyncHandle = 0; // of the last asynchronous test, to stop it
};
