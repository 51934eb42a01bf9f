// The exported C functions of the VLNet stand-in: argument checks and
// hand-over to the runtime and its sessions.
#include "vlnet.h"

#include "commands.h"
#include "netlog.h"
#include "runtime.h"
#include "search.h"
#include "session.h"
#include "subscription.h"
#include "web_session.h"

#include <algorithm>
#include <cstring>

namespace
{

using vlnet::Connection;
using vlnet::Runtime;
using vlnet::Search;
using vlnet::SearchConfig;
using vlnet::Session;
using vlnet::StartConfig;
using vlnet::WebSession;

std::string text(const char* p)
{
    return p ? std::string(p) : std::string();
}

// The device commands travel over a media login's session; a login of the
// HTTP kinds speaks the web interface, which has none of them.
std::shared_ptr<Session> mediaSession(int handle)
{
    return std::dynamic_pointer_cast<Session>(Runtime::instance().find(handle));
}

// What both kinds of start record give alike: where, and as whom.
template <class Start> StartConfig configOf(const Start& s)
{
    StartConfig c;
    c.address = s.address;
    c.port = std::uint16_t(s.port > 0 && s.port < 65536 ? s.port : 0);
    c.user = text(s.user);
    c.password = text(s.password);
    return c;
}

int start(StartConfig config)
{
    Runtime& rt = Runtime::instance();
    if (!rt.running()) {
        vlnet::logLine("connection refused: VLNetInit was not called");
        return 0;
    }
    boost::system::error_code ec;
    auto address = boost::asio::ip::make_address(config.address, ec);
    if (ec) {
        vlnet::logLine("connection refused: \"%s\" is no address", config.address.c_str());
        return 0;
    }
    // The handle exists before the session so that the session knows its
    // callback thread; nothing is reported until the gate opens below.
    int handle = rt.reserve();
    // The HTTP kinds log in over the device's web interface, the media kind
    // over a VLNet-protocol session.
    std::shared_ptr<Connection> session;
    if (config.web())
        session = std::make_shared<WebSession>(handle, std::move(config), rt);
    else
        session = std::make_shared<Session>(handle, std::move(config), address, rt);
    rt.attach(handle, session);
    session->begin();
    // The handle exists: callbacks may run from here on.
    session->openGate();
    return handle;
}

// What every search record gives alike; the time-out 0 means the default.
template <class Start> SearchConfig searchConfigOf(const Start& s, std::uint32_t timeoutMs)
{
    SearchConfig c;
    c.callback = s.callback;
    c.context = s.context;
    c.oemType = s.oem_type;
    c.timeoutMs
        = timeoutMs ? int(std::min<std::uint32_t>(timeoutMs, 65535)) : VLNET_SEARCH_DEFAULT_TIMEOUT_MS;
    return c;
}

// Reads a range from two address texts into `c`. False for a text that is
// no IPv4 address, a stop address before the start address, or a range
// wider than VLNET_SEARCH_MAX_RANGE.
bool setRange(SearchConfig& c, const std::string& start, const std::string& stop)
{
    boost::system::error_code ec1, ec2;
    const auto a = boost::asio::ip::make_address_v4(start, ec1);
    const auto b = boost::asio::ip::make_address_v4(stop, ec2);
    if (ec1 || ec2) {
        vlnet::logLine(
            "search refused: \"%s\" - \"%s\" is no range of IPv4 addresses", start.c_str(), stop.c_str());
        return false;
    }
    if (b.to_uint() < a.to_uint()) {
        vlnet::logLine("search refused: %s - %s is reversed", start.c_str(), stop.c_str());
        return false;
    }
    c.ranged = true;
    c.first = a.to_uint();
    c.last = b.to_uint();
    if (c.last - c.first >= VLNET_SEARCH_MAX_RANGE) {
        vlnet::logLine("search refused: %s - %s is wider than %d addresses", start.c_str(), stop.c_str(),
            VLNET_SEARCH_MAX_RANGE);
        return false;
    }
    return true;
}

// A text slot that may fill its whole width without a NUL.
template <std::size_t N> std::string slotText(const char (&slot)[N])
{
    return std::string(slot, strnlen(slot, N));
}

int startSearch(SearchConfig config)
{
    Runtime& rt = Runtime::instance();
    if (!rt.running()) {
        vlnet::logLine("search refused: VLNetInit was not called");
        return 0;
    }
    if (!config.callback)
        return 0;
    int handle = rt.reserveSearch();
    auto search = std::make_shared<Search>(handle, config, rt);
    rt.attachSearch(handle, search);
    search->begin();
    return handle;
}

// A range search that cannot run still ends through its callback, with the
// null record alone: its caller may pass what a user typed unchecked and wait
// for that end. On a callback thread of the stand-in while it runs, else on
// the caller's thread.
int endAtOnce(const SearchConfig& config)
{
    Runtime& rt = Runtime::instance();
    if (!rt.running()) {
        vlnet::logLine("search refused: VLNetInit was not called");
        config.callback(nullptr, config.context);
        return 1;
    }
    const int handle = rt.reserveSearch();
    auto search = std::make_shared<Search>(handle, config, rt);
    rt.attachSearch(handle, search);
    search->endNow();
    return 1;
}

int subscribe(int connection, vlnet::Subscription subscription)
{
    Runtime& rt = Runtime::instance();
    if (!rt.running()) {
        vlnet::logLine("face subscription refused: VLNetInit was not called");
        return 0;
    }
    if (!rt.find(connection)) {
        vlnet::logLine("face subscription refused: no connection %d", connection);
        return 0;
    }
    subscription.connection = connection;
    return rt.addSubscription(std::make_shared<vlnet::Subscription>(subscription));
}

int unsubscribe(int* handle, vlnet::Subscription::Kind kind)
{
    if (!handle || !*handle)
        return 0;
    // A handle of the other kind is left subscribed (and untouched).
    auto subscription = Runtime::instance().takeSubscription(*handle, int(kind));
    if (!subscription)
        return 0;
    *handle = 0;
    return 1;
}

} // namespace

extern "C" {

int VLNET_CALL VLNetInit(void)
{
    Runtime::instance().init();
    return 1;
}

int VLNET_CALL VLNetRelease(void)
{
    Runtime::instance().release();
    return 1;
}

int VLNET_CALL VLNetSetEncription(int enable)
{
    vlnet::logLine("encryption %s", enable ? "on" : "off");
    return 1;
}

int VLNET_CALL VLNetInitLog(VLNET_LOG_INFO* info)
{
    if (!info)
        return 0;
    char path[sizeof(info->file_path) + 1];
    std::memcpy(path, info->file_path, sizeof(info->file_path));
    path[sizeof(info->file_path)] = 0;
    vlnet::logOpen(path);
    vlnet::logLine("log opened (net %d, main loop %d, p2p %d, http %d)", info->net_log, info->main_loop_log,
        info->p2p_log, info->http_log);
    return 1;
}

int VLNET_CALL VLNetInitP2PServerInfo(VLNET_P2P_SERVER_INFO* info)
{
    if (info)
        vlnet::logLine("P2P server set-up accepted (no P2P in the stand-in)");
    return 1;
}

int VLNET_CALL VLNetEnableConsoleLog(int enable)
{
    vlnet::logConsole(enable != 0);
    return 1;
}

int VLNET_CALL VLNetConnectionStartV1(const VLNET_CONNECTION_START_V1* s)
{
    if (!s || !s->address)
        return 0;
    StartConfig c = configOf(*s);
    c.protocolFlags = s->protocol_flags;
    c.statusText = s->status_text_callback;
    c.statusRecord = s->status_record_callback;
    c.message = s->message_callback;
    c.context = s->context;
    return start(std::move(c));
}

int VLNET_CALL VLNetConnectionStartEx(const VLNET_CONNECTION_START_EX* s)
{
    if (!s || !s->address)
        return 0;
    StartConfig c = configOf(*s);
    c.protocolFlags = VLNET_PROTOCOL_MEDIA;
    c.exStatus = s->status_callback;
    c.exMessage = s->message_callback;
    c.user_data = s->user_data;
    return start(std::move(c));
}

int VLNET_CALL VLNetConnectionStop(int* handle)
{
    if (!handle || !*handle)
        return 0;
    auto session = Runtime::instance().take(*handle);
    *handle = 0;
    if (!session)
        return 0;
    session->stop();
    return 1;
}

int VLNET_CALL VLNetGetDevInfo(int handle, VLNET_DEVICE_INFO* info, int size)
{
    if (!info || size < int(sizeof(VLNET_DEVICE_INFO)))
        return 0;
    auto session = Runtime::instance().find(handle);
    return session && session->deviceInfo(info) ? 1 : 0;
}

int VLNET_CALL VLNetGetHttpDevInfo(int handle, VLNET_HTTP_DEVICE_INFO* info, int size)
{
    if (!info || size < int(sizeof(VLNET_HTTP_DEVICE_INFO)))
        return 0;
    auto session = Runtime::instance().find(handle);
    return session && session->httpInfo(info) ? 1 : 0;
}

int VLNET_CALL VLNetSimpleCmd(int handle, const VLNET_SIMPLE_CMD* cmd)
{
    if (!cmd)
        return 0;
    auto session = Runtime::instance().find(handle);
    return session && session->simpleCommand(*cmd) ? 1 : 0;
}

int VLNET_CALL VLNetResetConnection(int handle)
{
    auto session = Runtime::instance().find(handle);
    if (!session)
        return 0;
    session->reset();
    return 1;
}

int VLNET_CALL VLNetSetEvenCheck(int handle, int data)
{
    auto session = Runtime::instance().find(handle);
    return session && session->evenCheck(data) ? 0 : -1;
}

int VLNET_CALL VLNetSearchDev(const VLNET_SEARCH_DEV* s)
{
    if (!s)
        return 0;
    return startSearch(searchConfigOf(*s, s->recv_timeout_ms)) ? 1 : 0;
}

int VLNET_CALL VLNetSearchDevPoint2Point(const VLNET_SEARCH_DEV_POINT2POINT* s)
{
    if (!s)
        return 0;
    SearchConfig c = searchConfigOf(*s, s->recv_timeout_ms);
    if (!c.callback)
        return 0;
    if (!setRange(c, slotText(s->start_ip), slotText(s->stop_ip)))
        return endAtOnce(c);
    if (!Runtime::instance().running())
        return endAtOnce(c);
    return startSearch(c) ? 1 : 0;
}

int VLNET_CALL VLNetStartSearchDevice(const VLNET_START_SEARCH_DEVICE* s)
{
    if (!s)
        return 0;
    SearchConfig c = searchConfigOf(*s, s->recv_timeout_ms);
    c.repeat = true;
    const std::string start = text(s->start_ip);
    const std::string stop = text(s->stop_ip);
    if (!start.empty() && !stop.empty() && !setRange(c, start, stop))
        return 0;
    return startSearch(c);
}

int VLNET_CALL VLNetStopSearchDevice(int* handle)
{
    if (!handle || !*handle)
        return 0;
    auto search = Runtime::instance().takeSearch(*handle);
    *handle = 0;
    if (!search)
        return 0;
    search->stop();
    return 1;
}

int VLNET_CALL VLNetStartAlarmRequestInfo(int handle, const VLNET_ALARM_REQUEST_INFO* info)
{
    if (!info)
        return 0;
    vlnet::Subscription s;
    s.kind = vlnet::Subscription::Kind::reports;
    s.report = info->report_callback;
    s.status = info->status_callback;
    s.context = info->context;
    return subscribe(handle, s);
}

int VLNET_CALL VLNetStartAlarmParamInfo(int handle, const VLNET_ALARM_PARAM_INFO* info)
{
    if (!info)
        return 0;
    vlnet::Subscription s;
    s.kind = vlnet::Subscription::Kind::params;
    s.param = info->param_callback;
    s.status = info->status_callback;
    s.context = info->context;
    return subscribe(handle, s);
}

int VLNET_CALL VLNetStopAlarmRequestInfo(int* handle)
{
    return unsubscribe(handle, vlnet::Subscription::Kind::reports);
}

int VLNET_CALL VLNetStopAlarmParamInfo(int* handle)
{
    return unsubscribe(handle, vlnet::Subscription::Kind::params);
}

int VLNET_CALL VLNetSetNewDevInfoEx(const VLNET_NEW_DEV_INFO* info)
{
    Runtime& rt = Runtime::instance();
    if (!rt.running()) {
        vlnet::logLine("network change refused: VLNetInit was not called");
        return 0;
    }
    if (!info)
        return 0;
    return vlnet::setNewDevInfo(*info, rt.settings());
}

int VLNET_CALL VLNetCapture(int handle, const VLNET_CAPTURE* capture)
{
    if (!capture)
        return 0;
    auto session = mediaSession(handle);
    return session ? vlnet::capture(*session, *capture) : 0;
}

int VLNET_CALL VLNetPTZControl(int handle, int command, const VLNET_PTZ_CONTROL* control)
{
    if (!control)
        return 0;
    auto session = mediaSession(handle);
    return session ? vlnet::ptzControl(*session, command, *control) : 0;
}

int VLNET_CALL VLNetSetParamEx(int handle, const VLNET_SET_PARAM_EX* request)
{
    if (!request)
        return 0;
    auto session = mediaSession(handle);
    return session ? vlnet::setParam(*session, *request) : 0;
}

int VLNET_CALL VLNetQueryParam(int handle, const VLNET_QUERY_PARAM* request)
{
    if (!request)
        return 0;
    auto session = mediaSession(handle);
    return session ? vlnet::queryParam(*session, *request) : 0;
}

int VLNET_CALL VLNetQueryParamEx(int handle, const VLNET_QUERY_PARAM_EX* request)
{
    if (!request)
        return 0;
    auto session = mediaSession(handle);
    return session ? vlnet::queryParamEx(*session, *request) : 0;
}

int VLNET_CALL VLNetSetParam(int handle, const VLNET_SET_PARAM* request)
{
    if (!request)
        return 0;
    auto session = mediaSession(handle);
    return session ? vlnet::setParam(*session, *request) : 0;
}

int VLNET_CALL VLNetRemoteTest(int handle, const VLNET_REMOTE_TEST* request)
{
    if (!request)
        return 0;
    auto session = mediaSession(handle);
    return session ? vlnet::remoteTest(*session, *request) : 0;
}

int VLNET_CALL VLNetStopRemoteUpgrade(int* handle)
{
    // No remote upgrade runs in the stand-in yet: there is nothing to stop,
    // and no callback of one can come.
    if (!handle || *handle == 0)
        return 0;
    vlnet::logLine("upgrade %d: no such upgrade runs", *handle);
    return 0;
}

} // extern "C"
