// The stand-in's calls that need no device: start-up and release, the log,
// refusals of bad arguments, and a connection nobody answers (loopback).
#include "events.h"
#include "support/lab.h"
#include "vlnet.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using vltest::Events;

namespace
{

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(VLNetApi, StartIsRefusedUntilInitAndAfterTheLastRelease)
{
    Events ev;
    EXPECT_EQ(vltest::startV1(ev, "127.0.0.1", "admin", "x", 0, 1), 0) << "not initialised";

    EXPECT_EQ(VLNetInit(), 1);
    EXPECT_EQ(VLNetInit(), 1);
    EXPECT_EQ(VLNetRelease(), 1);
    // One reference left: the stand-in still runs.
    Events ev2;
    int h = vltest::startV1(ev2, "127.0.0.1", "admin", "x", 0, 1);
    EXPECT_NE(h, 0);
    VLNetConnectionStop(&h);
    EXPECT_EQ(VLNetRelease(), 1);
    Events ev3;
    EXPECT_EQ(vltest::startV1(ev3, "127.0.0.1", "admin", "x", 0, 1), 0) << "released";
    EXPECT_EQ(VLNetRelease(), 1) << "an extra release is harmless";
    // And it starts again.
    EXPECT_EQ(VLNetInit(), 1);
    Events ev4;
    h = vltest::startV1(ev4, "127.0.0.1", "admin", "x", 0, 1);
    EXPECT_NE(h, 0);
    VLNetConnectionStop(&h);
    VLNetRelease();
}

TEST(VLNetApi, ReleaseStopsForgottenConnectionsWithoutLateCallbacks)
{
    VLNetInit();
    Events ev;
    int h = vltest::startV1(ev, "127.0.0.1", "admin", "x", 0, 1);
    ASSERT_NE(h, 0);
    VLNetRelease();
    ev.stopped = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ev.late.load(), 0);
}

TEST(VLNetApi, BadArgumentsAreRefused)
{
    VLNetInit();
    Events ev;
    EXPECT_EQ(VLNetConnectionStartV1(nullptr), 0);
    EXPECT_EQ(VLNetConnectionStartEx(nullptr), 0);
    EXPECT_EQ(vltest::startV1(ev, "not an address", "admin", "x"), 0);
    EXPECT_EQ(vltest::startV1(ev, "", "admin", "x"), 0);
    int none = 0;
    EXPECT_EQ(VLNetConnectionStop(&none), 0);
    EXPECT_EQ(VLNetConnectionStop(nullptr), 0);
    int unknown = 424242;
    EXPECT_EQ(VLNetConnectionStop(&unknown), 0);
    EXPECT_EQ(unknown, 0);
    VLNET_DEVICE_INFO info;
    EXPECT_EQ(VLNetGetDevInfo(424242, &info, sizeof(info)), 0);
    EXPECT_EQ(VLNetGetDevInfo(424242, nullptr, sizeof(info)), 0);
    VLNET_HTTP_DEVICE_INFO http;
    EXPECT_EQ(VLNetGetHttpDevInfo(424242, &http, sizeof(http)), 0);
    VLNET_SIMPLE_CMD cmd { 890, 611, { 0, 0 } };
    EXPECT_EQ(VLNetSimpleCmd(424242, &cmd), 0);
    EXPECT_EQ(VLNetSimpleCmd(424242, nullptr), 0);
    EXPECT_EQ(VLNetSetEvenCheck(424242, 1), -1);
    EXPECT_EQ(VLNetResetConnection(424242), 0);
    EXPECT_EQ(VLNetInitLog(nullptr), 0);
    EXPECT_EQ(VLNetSetEncription(1), 1);
    EXPECT_EQ(VLNetEnableConsoleLog(0), 1);
    VLNET_P2P_SERVER_INFO p2p;
    std::memset(&p2p, 0, sizeof(p2p));
    EXPECT_EQ(VLNetInitP2PServerInfo(&p2p), 1);
    VLNET_PTZ_CONTROL ptz;
    std::memset(&ptz, 0, sizeof(ptz));
    EXPECT_EQ(VLNetPTZControl(424242, 1, &ptz), 0);
    EXPECT_EQ(VLNetPTZControl(424242, 1, nullptr), 0);
    VLNET_CAPTURE capture;
    std::memset(&capture, 0, sizeof(capture));
    EXPECT_EQ(VLNetCapture(424242, &capture), 0);
    EXPECT_EQ(VLNetCapture(424242, nullptr), 0);
    unsigned char record[VLNET_PARAM_PRODUCT_INFO_SIZE] = {};
    VLNET_SET_PARAM_EX set { VLNET_SET_PARAM_KIND, VLNET_PARAM_PRODUCT_INFO, record, sizeof record, 0, 0, 1 };
    EXPECT_EQ(VLNetSetParamEx(424242, &set), 0);
    EXPECT_EQ(VLNetSetParamEx(424242, nullptr), 0);
    // No upgrade runs: stopping one is harmless.
    int upgrade = 0;
    EXPECT_EQ(VLNetStopRemoteUpgrade(&upgrade), 0);
    upgrade = 424242;
    EXPECT_EQ(VLNetStopRemoteUpgrade(&upgrade), 0);
    EXPECT_EQ(VLNetStopRemoteUpgrade(nullptr), 0);
    VLNET_NEW_DEV_INFO change;
    std::memset(&change, 0, sizeof(change));
    EXPECT_EQ(VLNetSetNewDevInfoEx(nullptr), 0);
    EXPECT_EQ(VLNetSetNewDevInfoEx(&change), 0) << "no device address";
    VLNetRelease();
    change.original_ip[0] = 127;
    change.original_ip[3] = 1;
    EXPECT_EQ(VLNetSetNewDevInfoEx(&change), 0) << "not initialised";
}

TEST(VLNetApi, ConnectionNobodyAnswersReportsConnectingThenLost)
{
    VLNetInit();
    vltest::TempDir dir;
    VLNET_LOG_INFO log;
    std::memset(&log, 0, sizeof(log));
    std::string path = dir.file("VLNet.txt");
    std::snprintf(log.file_path, sizeof(log.file_path), "%s", path.c_str());
    log.net_log = 1;
    ASSERT_EQ(VLNetInitLog(&log), 1);

    Events ev;
    // Port 1 of loopback: refused at once.
    int h = vltest::startV1(ev, "127.0.0.1", "admin", "secret", VLNET_PROTOCOL_MEDIA, 1);
    ASSERT_NE(h, 0);
    ASSERT_TRUE(ev.waitStatus(3));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, 3 })) << "a first login that fails is not retried";
    VLNET_DEVICE_INFO info;
    EXPECT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 0);
    VLNetConnectionStop(&h);

    std::string text = readFile(path);
    EXPECT_NE(text.find("127.0.0.1:1 failed"), std::string::npos) << text;
    EXPECT_EQ(text.find("secret"), std::string::npos) << "the log never shows a password";
    VLNET_LOG_INFO off;
    std::memset(&off, 0, sizeof(off));
    VLNetInitLog(&off); // empty path: the log file is closed
    VLNetRelease();
}

// Face subscriptions ride on a connection; nothing reports through them
// yet, and their handles are never 0 and never one still in use.
std::atomic<int> g_faceCalls { 0 };
void VLNET_CALL onFaceReport(const void*, int32_t, const uint8_t*, void*)
{
    ++g_faceCalls;
}
void VLNET_CALL onFaceParam(const void*, int32_t, void*)
{
    ++g_faceCalls;
}
void VLNET_CALL onFaceStatus(int32_t, void*)
{
    ++g_faceCalls;
}

TEST(VLNetApi, FaceSubscriptions)
{
    VLNET_ALARM_REQUEST_INFO reports;
    std::memset(&reports, 0, sizeof(reports));
    reports.report_callback = &onFaceReport;
    reports.status_callback = &onFaceStatus;
    VLNET_ALARM_PARAM_INFO params;
    std::memset(&params, 0, sizeof(params));
    params.param_callback = &onFaceParam;
    params.status_callback = &onFaceStatus;
    EXPECT_EQ(VLNetStartAlarmRequestInfo(1, &reports), 0) << "not initialised";

    VLNetInit();
    Events ev;
    int connection = vltest::startV1(ev, "127.0.0.1", "admin", "x", VLNET_PROTOCOL_MEDIA, 1);
    ASSERT_NE(connection, 0);
    EXPECT_EQ(VLNetStartAlarmRequestInfo(connection, nullptr), 0);
    EXPECT_EQ(VLNetStartAlarmParamInfo(connection, nullptr), 0);
    EXPECT_EQ(VLNetStartAlarmRequestInfo(424242, &reports), 0) << "no such connection";

    int report = VLNetStartAlarmRequestInfo(connection, &reports);
    int param = VLNetStartAlarmParamInfo(connection, &params);
    int param2 = VLNetStartAlarmParamInfo(connection, &params);
    ASSERT_NE(report, 0);
    ASSERT_NE(param, 0);
    EXPECT_NE(param, report);
    EXPECT_NE(param2, param);

    int wrongKind = report;
    EXPECT_EQ(VLNetStopAlarmParamInfo(&wrongKind), 0) << "a report subscription is not a parameter channel";
    EXPECT_EQ(wrongKind, report) << "and stays as it was";
    int unknown = 424242;
    EXPECT_EQ(VLNetStopAlarmRequestInfo(&unknown), 0);
    EXPECT_EQ(VLNetStopAlarmRequestInfo(nullptr), 0);
    const int stoppedHandle = report;
    EXPECT_EQ(VLNetStopAlarmRequestInfo(&report), 1);
    EXPECT_EQ(report, 0);
    EXPECT_EQ(VLNetStopAlarmRequestInfo(&report), 0) << "a cleared handle";
    int again = stoppedHandle;
    EXPECT_EQ(VLNetStopAlarmRequestInfo(&again), 0) << "a handle is stopped once";
    EXPECT_EQ(VLNetStopAlarmParamInfo(&param), 1);

    int next = VLNetStartAlarmRequestInfo(connection, &reports);
    EXPECT_NE(next, 0);
    EXPECT_NE(next, stoppedHandle) << "handles are not reused";
    EXPECT_NE(next, param2);
    VLNetConnectionStop(&connection);

    // Release ends what is left.
    VLNetRelease();
    VLNetInit();
    EXPECT_EQ(VLNetStopAlarmParamInfo(&param2), 0);
    EXPECT_EQ(VLNetStopAlarmRequestInfo(&next), 0);
    VLNetRelease();
    EXPECT_EQ(g_faceCalls.load(), 0);
}

} // namespace

TEST(VLNetApi, RecordedCallsAndTheirRefusals)
{
    char small[4];
    VLNetStandInCalls(nullptr, 0, 1);
    EXPECT_EQ(VLNetInitP2P(nullptr, 2, 0), -1);
    EXPECT_EQ(VLNetNetworkStatusChanged(nullptr), -1);
    EXPECT_EQ(VLNetInitP2P("tutk", 2, 0), 0);
    EXPECT_EQ(VLNetStandInCalls(small, sizeof small, 0), -1) << "a text that does not fit is not cut";

    // Asynchronous requests need a connection whose login has answered.
    VLNET_ASYNC_JSON_QUERY query;
    std::memset(&query, 0, sizeof query);
    query.request.words[0] = 429;
    EXPECT_EQ(VLNetAsyncStartQueryParamJson(12345, &query), 0);
    EXPECT_EQ(VLNetAsyncStartQueryParamJson(12345, nullptr), 0);
    EXPECT_EQ(VLNetAsyncStopQueryParamJson(12345, 1), 0);

    // A transfer on a connection that does not exist fails, with no
    // handler call.
    VLNET_EXPORT_BACKUP request { nullptr, nullptr };
    EXPECT_EQ(VLNetExportBackupNew(12345, &request), 0);

    // A check without VLNetInit cannot probe: refused, status untouched.
    VLNET_P2P_CHECK check;
    std::memset(&check, 0, sizeof check);
    std::snprintf(check.p2p_id, sizeof check.p2p_id, "VLP1");
    check.timeout_ms = 100;
    int status = 7;
    EXPECT_EQ(VLNetCheckP2POnlineStatus(&check, &status), -1);
    EXPECT_EQ(status, 7);
    EXPECT_EQ(VLNetCheckP2POnlineStatus(nullptr, &status), -1);

    std::vector<char> out(4096);
    ASSERT_GT(VLNetStandInCalls(out.data(), int(out.size()), 1), 0);
    const std::string calls(out.data());
    EXPECT_EQ(calls.find("VLNetInitP2P tutk 2 0\n"), 0u);
    EXPECT_NE(calls.find("VLNetAsyncStartQueryParamJson 12345 refused\n"), std::string::npos);
    EXPECT_NE(calls.find("VLNetAsyncStopQueryParamJson 12345 1 (not running)\n"), std::string::npos);
    EXPECT_EQ(VLNetStandInCalls(out.data(), int(out.size()), 0), 0) << "cleared";
}

TEST(VLNetApi, DownloadPauseAndResumeAreNotedAndFindNoDownload)
{
    vltest::TempDir dir;
    VLNET_LOG_INFO log;
    std::memset(&log, 0, sizeof(log));
    const std::string path = dir.file("VLNet.txt");
    std::snprintf(log.file_path, sizeof(log.file_path), "%s", path.c_str());
    ASSERT_EQ(VLNetInitLog(&log), 1);

    int handle = 4711;
    EXPECT_EQ(VLNetPauseDownloadFile(&handle), 0) << "no download runs in the stand-in";
    EXPECT_EQ(VLNetResumeDownloadFile(&handle), 0);
    EXPECT_EQ(handle, 4711) << "the handle is left as it is";
    int none = 0;
    EXPECT_EQ(VLNetPauseDownloadFile(&none), 0);
    EXPECT_EQ(VLNetResumeDownloadFile(nullptr), 0);

    const std::string text = readFile(path);
    EXPECT_NE(text.find("download 4711: pause asked"), std::string::npos) << text;
    EXPECT_NE(text.find("download 4711: resume asked"), std::string::npos) << text;
    EXPECT_NE(text.find("download pause refused: no handle"), std::string::npos) << text;
    EXPECT_NE(text.find("download resume refused: no handle"), std::string::npos) << text;
    VLNET_LOG_INFO off;
    std::memset(&off, 0, sizeof(off));
    VLNetInitLog(&off);
}
