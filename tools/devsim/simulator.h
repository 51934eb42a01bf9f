#pragma once
// One simulator process: the device store, the transports that serve it on
// one I/O thread, and the control channel for tests.
#include "generate.h"
#include "log.h"
#include "store.h"

#include <boost/asio/io_context.hpp>
#include <cstdint>
#include <json/value.h>
#include <memory>
#include <string>

namespace devsim
{

class SessionServer;
class ProbeServer;
class ControlServer;
class MulticastServer;
class OnvifDiscovery;
class OnvifService;
class Schedules;
class WebServer;
class WebLogin;
class WebSecrets;
class WebReset;
class WebRebootTime;
class CustomFactory;

struct Options {
    std::string devicesFile; // --devices: devices to play
    std::string stateFile; // --state: resume from it when it exists; saved on exit
    std::string controlPath; // --control: UNIX socket of the control channel
    GenerateOptions generate; // --generate N (count > 0), --seed S, ...
    std::uint16_t sessionPort = 9000;
    std::uint16_t probePort = 9610;
    int rebootMs = 30000; // a reboot's time off the network unless the command says
    std::uint16_t multicastPort = 9555; // multicast discovery; 0: not served
    int nonceMs = 30000; // how long an update nonce stays valid
    std::uint16_t discoveryPort = 3702; // ONVIF's WS-Discovery; 0: not served
    int webPort = 0; // --web-port: web port of generated devices (0: their own, 80)
    int httpsPort
        = -1; // --https-port: HTTPS port of generated devices with HTTPS (0: none; -1: their own, 443)
    int loginLockAfter = 5; // --login-lock-after: wrong web-login passwords that lock an account (0: never)
    int loginLockMs = 60000; // --login-lock-seconds: how long the lock lasts
};

// Parses the command line. False with a message in `error` (or the usage
// text for --help, with `help` set).
bool parseOptions(int argc, char** argv, Options* options, std::string* error, bool* help);
const char* usage();

class Simulator
{
public:
    Simulator(Options options, EventLog& log);
    ~Simulator();

    // Loads or generates the devices. Throws with a message on failure.
    void load();
    // Opens every transport and the control channel, then runs until
    // stop() or SIGINT/SIGTERM; saves the state file on the way out.
    void run();
    // From any thread.
    void stop();

    // One control command (JSON object) -> answer. Runs on the I/O thread.
    Json::Value control(const Json::Value& request);

    DeviceStore& store() { return m_store; }
    boost::asio::io_context& io() { return m_io; }

private:
    std::optional<int> select(const Json::Value& request, Json::Value* error);
    void save(const std::string& path);

    Options m_options;
    EventLog& m_log;
    boost::asio::io_context m_io;
    DeviceStore m_store;
    std::unique_ptr<SessionServer> m_sessions;
    std::unique_ptr<ProbeServer> m_probe;
    std::unique_ptr<ControlServer> m_control;
    std::unique_ptr<MulticastServer> m_multicast;
    std::unique_ptr<OnvifDiscovery> m_discovery;
    std::unique_ptr<OnvifService> m_onvif;
    std::unique_ptr<Schedules> m_schedules;
    std::unique_ptr<WebServer> m_web;
    std::unique_ptr<WebLogin> m_webLogin;
    std::unique_ptr<WebSecrets> m_webSecrets;
    std::unique_ptr<WebReset> m_webReset;
    std::unique_ptr<WebRebootTime> m_webRebootTime;
    std::unique_ptr<CustomFactory> m_customFactory;
};

} // namespace devsim
