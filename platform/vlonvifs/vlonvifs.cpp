// The exported C functions of the VLOnvifs stand-in: argument checks, the
// tables of live searches and connections, and the hand-over to them.
#include "vlonvifs.h"

#include "connection.h"
#include "messages.h"
#include "runtime.h"
#include "search.h"
#include "vlnet.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

// The program copies ONVIF and VLNet search records alike into the head of
// its own search record: the two layouts must be one, field by field.
#define VLONVIF_SAME_FIELD(mine, theirs)                                                                     \
    static_assert(offsetof(VLONVIF_SEARCH_DEV_RSP, mine) == offsetof(VLNET_SEARCH_DEV_RSP, theirs)           \
            && sizeof(VLONVIF_SEARCH_DEV_RSP::mine) == sizeof(VLNET_SEARCH_DEV_RSP::theirs),                 \
        "VLONVIF_SEARCH_DEV_RSP." #mine)
static_assert(sizeof(VLONVIF_SEARCH_DEV_RSP) == sizeof(VLNET_SEARCH_DEV_RSP), "VLONVIF_SEARCH_DEV_RSP");
VLONVIF_SAME_FIELD(ip, ip);
VLONVIF_SAME_FIELD(host_name, host_name);
VLONVIF_SAME_FIELD(netmask, netmask);
VLONVIF_SAME_FIELD(gateway, gateway);
VLONVIF_SAME_FIELD(dns1, dns1);
VLONVIF_SAME_FIELD(dns2, dns2);
VLONVIF_SAME_FIELD(media_port, media_port);
VLONVIF_SAME_FIELD(web_port, web_port);
VLONVIF_SAME_FIELD(network_mode, network_mode);
VLONVIF_SAME_FIELD(device_type, device_type);
VLONVIF_SAME_FIELD(dev_type_l, dev_type_l);
VLONVIF_SAME_FIELD(dev_type_h, dev_type_h);
VLONVIF_SAME_FIELD(device_version, device_version);
VLONVIF_SAME_FIELD(device_id, device_id);
VLONVIF_SAME_FIELD(device_name, device_name);
VLONVIF_SAME_FIELD(mac_addr, mac_addr);
VLONVIF_SAME_FIELD(channel_number, channel_number);
VLONVIF_SAME_FIELD(version, version);
VLONVIF_SAME_FIELD(net_interface, net_interface);
VLONVIF_SAME_FIELD(p2p_id, p2p_id);
VLONVIF_SAME_FIELD(manufacture, manufacture);
VLONVIF_SAME_FIELD(rtsp_port, rtsp_port);
VLONVIF_SAME_FIELD(analog_channel_num, analog_channel_num);
VLONVIF_SAME_FIELD(year, system_time.year);
VLONVIF_SAME_FIELD(month, system_time.month);
VLONVIF_SAME_FIELD(day, system_time.day);
VLONVIF_SAME_FIELD(hour, system_time.hour);
VLONVIF_SAME_FIELD(minute, system_time.minute);
VLONVIF_SAME_FIELD(second, system_time.second);
VLONVIF_SAME_FIELD(is_first_login, is_first_login);
VLONVIF_SAME_FIELD(input_pin_count, input_pin_count);
VLONVIF_SAME_FIELD(output_pin_count, output_pin_count);
VLONVIF_SAME_FIELD(support_two_way_talk, support_two_way_talk);
VLONVIF_SAME_FIELD(http_api_version, http_api_version);
VLONVIF_SAME_FIELD(https_port, https_port);
VLONVIF_SAME_FIELD(support_http_api_config_net, support_http_api_config_net);
VLONVIF_SAME_FIELD(sys_channel_num, sys_channel_num);
VLONVIF_SAME_FIELD(serialnum, serialnum);
VLONVIF_SAME_FIELD(ipv6, ipv6);
#undef VLONVIF_SAME_FIELD
static_assert(offsetof(VLONVIF_NETWORK_PARAM, web_port) == 20, "VLONVIF_NETWORK_PARAM");
static_assert(offsetof(VLONVIF_NETWORK_PARAM, address_mode) == 24, "VLONVIF_NETWORK_PARAM");

namespace
{

using vlonvif::Connection;
using vlonvif::logLine;
using vlonvif::Search;

struct Library {
    std::mutex lock;
    int refs = 0;
    int nextConnection = 1; // handles are never reused
    std::uintptr_t nextSearch = 1;
    std::map<int, std::shared_ptr<Connection>> connections;
    std::map<std::uintptr_t, std::shared_ptr<Search>> searches;
};

Library& library()
{
    static Library* lib = new Library; // never destroyed: release may come late in exit
    return *lib;
}

bool running()
{
    Library& lib = library();
    std::lock_guard<std::mutex> hold(lib.lock);
    return lib.refs > 0;
}

std::shared_ptr<Connection> findConnection(int handle)
{
    Library& lib = library();
    std::lock_guard<std::mutex> hold(lib.lock);
    auto it = lib.connections.find(handle);
    return it == lib.connections.end() ? nullptr : it->second;
}

} // namespace

extern "C" {

int VLONVIFS_CALL VLOnvifInit(void)
{
    Library& lib = library();
    std::lock_guard<std::mutex> hold(lib.lock);
    if (lib.refs++ == 0)
        logLine("started");
    return 1;
}

bool VLONVIFS_CALL VLOnvifSetSearchTimeout(int probe, int match, int answer)
{
    const char* fail = std::getenv("VLONVIFS_FAIL_SEARCH_TIMEOUT");
    if (fail && std::strcmp(fail, "1") == 0)
        return false;
    return vlonvif::setTimes({ probe, match, answer });
}

int VLONVIFS_CALL VLOnvifRelease(void)
{
    Library& lib = library();
    std::map<int, std::shared_ptr<Connection>> connections;
    std::map<std::uintptr_t, std::shared_ptr<Search>> searches;
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        if (lib.refs == 0 || --lib.refs > 0)
            return 1;
        connections.swap(lib.connections);
        searches.swap(lib.searches);
    }
    // What the caller left open ends here, so no callback outlives us.
    for (auto& [id, s] : searches)
        s->stop();
    for (auto& [handle, c] : connections)
        c->stop();
    vlonvif::workers().joinAll();
    logLine("stopped");
    return 1;
}

VLONVIF_SEARCH_HANDLE VLONVIFS_CALL VLOnvifSearchDevStart(const VLONVIF_SEARCH_START* start)
{
    if (!start || !start->callback) {
        logLine("search refused: no start record or callback");
        return nullptr;
    }
    Library& lib = library();
    std::shared_ptr<Search> search;
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        if (lib.refs == 0) {
            logLine("search refused: VLOnvifInit was not called");
            return nullptr;
        }
        search = std::make_shared<Search>(lib.nextSearch++, start->callback, start->user);
    }
    std::string error;
    if (!search->open(&error)) {
        logLine("search refused: %s", error.c_str());
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        lib.searches[search->id()] = search;
    }
    search->begin();
    search->openGate();
    return reinterpret_cast<VLONVIF_SEARCH_HANDLE>(search->id());
}

int VLONVIFS_CALL VLOnvifSearchDevStop(VLONVIF_SEARCH_HANDLE* handle)
{
    if (!handle || !*handle)
        return 0;
    Library& lib = library();
    std::shared_ptr<Search> search;
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        auto it = lib.searches.find(reinterpret_cast<std::uintptr_t>(*handle));
        if (it == lib.searches.end())
            return 0;
        search = it->second;
        lib.searches.erase(it);
    }
    *handle = nullptr;
    search->stop();
    return 1;
}

int VLONVIFS_CALL VLOnvifConnectionStart(const VLONVIF_CONNECTION_START* start)
{
    if (!start || !start->ip || !start->status_callback) {
        logLine("connection refused: no start record, IP or callback");
        return 0;
    }
    if (!vlonvif::ipv4Bytes(start->ip) || start->port < 1 || start->port > 65535) {
        logLine("connection refused: \"%s\" port %d", start->ip, start->port);
        return 0;
    }
    vlonvif::Target target { start->ip, start->port, vlonvif::servicePath(start->ip, start->port) };
    Library& lib = library();
    std::shared_ptr<Connection> connection;
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        if (lib.refs == 0) {
            logLine("connection refused: VLOnvifInit was not called");
            return 0;
        }
        if (lib.nextConnection == INT_MAX) {
            logLine("connection refused: no handle left");
            return 0;
        }
        const int handle = lib.nextConnection++;
        connection = std::make_shared<Connection>(handle, std::move(target), start->user ? start->user : "",
            start->password ? start->password : "", start->status_callback, start->user_data);
        lib.connections[handle] = connection;
    }
    logLine("#%d login to %s:%d", connection->handle(), start->ip, start->port);
    connection->begin();
    // The status may go out once the caller has its handle.
    connection->openGate();
    return connection->handle();
}

int VLONVIFS_CALL VLOnvifConnectionStop(int* handle)
{
    if (!handle || *handle == 0)
        return 0;
    Library& lib = library();
    std::shared_ptr<Connection> connection;
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        auto it = lib.connections.find(*handle);
        if (it == lib.connections.end())
            return 0;
        connection = it->second;
        lib.connections.erase(it);
    }
    *handle = 0;
    connection->stop();
    return 1;
}

int VLONVIFS_CALL VLOnvifQueryParamEx(int handle, VLONVIF_QUERY_PARAM_EX* request)
{
    if (!request || request->command != VLONVIF_CMD_NETWORK || !request->buffer
        || request->buffer_size < int(sizeof(VLONVIF_NETWORK_PARAM))) {
        logLine("#%d query refused: not a command 511 with a 460-byte record", handle);
        return 0;
    }
    auto connection = running() ? findConnection(handle) : nullptr;
    if (!connection)
        return 0;
    return connection->query(static_cast<VLONVIF_NETWORK_PARAM*>(request->buffer)) ? 1 : 0;
}

int VLONVIFS_CALL VLOnvifSetParam(int handle, const VLONVIF_SET_PARAM* request)
{
    if (!request || request->command != VLONVIF_CMD_NETWORK || !request->record) {
        logLine("#%d set refused: not a command 511 with a record", handle);
        return 0;
    }
    auto connection = running() ? findConnection(handle) : nullptr;
    if (!connection)
        return 0;
    VLONVIF_NETWORK_PARAM record;
    std::memcpy(&record, request->record, sizeof record);
    return connection->set(record) ? 1 : 0;
}

} // extern "C"
