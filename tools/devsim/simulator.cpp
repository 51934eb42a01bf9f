#include "simulator.h"

#include "common/hex.h"
#include "common/json.h"
#include "control_server.h"
#include "custom_factory.h"
#include "device_config.h"
#include "device_reset.h"
#include "multicast_server.h"
#include "onvif_discovery.h"
#include "onvif_service.h"
#include "probe_server.h"
#include "records.h"
#include "schedules.h"
#include "session_server.h"
#include "state_json.h"
#include "stream_osd.h"
#include "user_records.h"
#include "web_login.h"
#include "web_reboot_time.h"
#include "web_reset.h"
#include "web_secrets.h"
#include "web_server.h"
#include "wire.h"

#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <sys/stat.h>

namespace devsim
{

namespace asio = boost::asio;

const char* usage()
{
    return "usage: devsim [options]\n"
           "  --generate N          play N generated devices (mixed cameras and recorders)\n"
           "  --seed S              seed of the generated devices (default 1)\n"
           "  --inactive-percent P  share of generated devices not yet activated (default 10)\n"
           "  --onvif-percent P     share of generated devices that speak ONVIF (default 10)\n"
           "  --password TEXT       password of the two administrators of generated activated devices\n"
           "                        (default Admin_123)\n"
           "  --user NAME           second administrator of generated devices, beside admin (default tavik)\n"
           "  --devices FILE        play the devices of a JSON file\n"
           "  --state FILE          resume from FILE when it exists; save the state there on exit\n"
           "  --control PATH        UNIX socket of the control channel\n"
           "  --session-port P      port of VLNet-protocol sessions on every device (default 9000)\n"
           "  --probe-port P        UDP port of the probe (default 9610)\n"
           "  --reboot-seconds S    time a rebooting device stays off the network (default 30)\n"
           "  --multicast-port P    UDP port of the multicast discovery (default 9555, 0 = off)\n"
           "  --nonce-seconds S     how long a nonce of a multicast update stays valid (default 30)\n"
           "  --discovery-port P    UDP port of ONVIF's WS-Discovery (default 3702, 0 = off)\n"
           "  --web-port P          HTTP port of the web interface of generated devices (default 80)\n"
           "  --https-port P        HTTPS port of generated devices that have HTTPS (default 443, 0 = "
           "none)\n"
           "  --login-lock-after N  wrong web-login passwords in a row that lock an account (default 5, 0 = "
           "never)\n"
           "  --login-lock-seconds S  how long such a lock lasts (default 60)\n";
}

bool parseOptions(int argc, char** argv, Options* o, std::string* error, bool* help)
{
    *help = false;
    auto number = [&](const char* text, long lo, long hi, long* out) {
        char* end = nullptr;
        long v = std::strtol(text, &end, 10);
        if (!*text || *end || v < lo || v > hi) {
            *error = std::string("not a number from ") + std::to_string(lo) + " to " + std::to_string(hi)
                + ": " + text;
            return false;
        }
        *out = v;
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            *help = true;
            return false;
        }
        if (i + 1 >= argc) {
            *error = "missing value after " + a;
            return false;
        }
        const char* v = argv[++i];
        long n = 0;
        if (a == "--generate") {
            if (!number(v, 1, 100000, &n))
                return false;
            o->generate.count = int(n);
        } else if (a == "--seed") {
            if (!number(v, 0, 0x7FFFFFFF, &n))
                return false;
            o->generate.seed = std::uint32_t(n);
        } else if (a == "--inactive-percent") {
            if (!number(v, 0, 100, &n))
                return false;
            o->generate.inactivePercent = int(n);
        } else if (a == "--onvif-percent") {
            if (!number(v, 0, 100, &n))
                return false;
            o->generate.onvifPercent = int(n);
        } else if (a == "--password") {
            o->generate.password = v;
        } else if (a == "--user") {
            if (!*v || std::string(v) == "admin") {
                *error = std::string("--user needs a name other than admin: ") + v;
                return false;
            }
            o->generate.defaultUser = v;
        } else if (a == "--login-lock-after") {
            if (!number(v, 0, 1000, &n))
                return false;
            o->loginLockAfter = int(n);
        } else if (a == "--login-lock-seconds") {
            if (!number(v, 0, 86400, &n))
                return false;
            o->loginLockMs = int(n * 1000);
        } else if (a == "--devices") {
            o->devicesFile = v;
        } else if (a == "--state") {
            o->stateFile = v;
        } else if (a == "--control") {
            o->controlPath = v;
        } else if (a == "--session-port") {
            if (!number(v, 1, 65535, &n))
                return false;
            o->sessionPort = std::uint16_t(n);
        } else if (a == "--probe-port") {
            if (!number(v, 1, 65535, &n))
                return false;
            o->probePort = std::uint16_t(n);
        } else if (a == "--reboot-seconds") {
            if (!number(v, 0, 3600, &n))
                return false;
            o->rebootMs = int(n * 1000);
        } else if (a == "--multicast-port") {
            if (!number(v, 0, 65535, &n))
                return false;
            o->multicastPort = std::uint16_t(n);
        } else if (a == "--web-port") {
            if (!number(v, 1, 65535, &n))
                return false;
            o->webPort = int(n);
        } else if (a == "--https-port") {
            if (!number(v, 0, 65535, &n))
                return false;
            o->httpsPort = int(n);
        } else if (a == "--nonce-seconds") {
            if (!number(v, 1, 3600, &n))
                return false;
            o->nonceMs = int(n * 1000);
        } else if (a == "--discovery-port") {
            if (!number(v, 0, 65535, &n))
                return false;
            o->discoveryPort = std::uint16_t(n);
        } else {
            *error = "unknown option " + a;
            return false;
        }
    }
    if (o->generate.count == 0 && o->devicesFile.empty() && o->stateFile.empty()) {
        *error = "no devices: give --generate N, --devices FILE or --state FILE";
        return false;
    }
    return true;
}

Simulator::Simulator(Options options, EventLog& log)
    : m_options(std::move(options))
    , m_log(log)
{
    m_store.setScheduler([this](int ms, std::function<void()> fn) {
        asio::post(m_io, [this, ms, fn = std::move(fn)] {
            auto timer = std::make_shared<asio::steady_timer>(m_io, std::chrono::milliseconds(ms));
            timer->async_wait([timer, fn](boost::system::error_code ec) {
                if (!ec)
                    fn();
            });
        });
    });
    m_schedules = std::make_unique<Schedules>(m_io, [this](const Json::Value& r) { return control(r); });
    m_store.subscribe([this](const StoreEvent& e) {
        if (e.kind == StoreEvent::Moved)
            m_log.device(e.id, e.newIp, "moved from " + e.oldIp);
        else if (e.kind == StoreEvent::WentOffline)
            m_log.device(e.id, e.newIp, "off the network");
        else if (e.kind == StoreEvent::CameOnline)
            m_log.device(e.id, e.newIp, "back on the network");
    });
}

Simulator::~Simulator() = default;

void Simulator::load()
{
    std::vector<Device> devices;
    struct stat st;
    if (!m_options.stateFile.empty() && ::stat(m_options.stateFile.c_str(), &st) == 0) {
        devices = loadDevices(m_options.stateFile);
        m_log.line("resumed " + std::to_string(devices.size()) + " devices from " + m_options.stateFile);
    } else if (!m_options.devicesFile.empty()) {
        devices = loadDevices(m_options.devicesFile);
        m_log.line("loaded " + std::to_string(devices.size()) + " devices from " + m_options.devicesFile);
    } else {
        for (int n = 0; n < m_options.generate.count; ++n) {
            devices.push_back(generateDevice(n, m_options.generate));
            Network& net = devices.back().net;
            if (m_options.webPort > 0)
                net.webPort = std::uint16_t(m_options.webPort);
            if (m_options.httpsPort >= 0 && net.httpsPort != 0)
                net.httpsPort = std::uint16_t(m_options.httpsPort);
        }
        m_log.line("generated " + std::to_string(devices.size()) + " devices (seed "
            + std::to_string(m_options.generate.seed) + ")");
    }
    if (devices.empty())
        throw std::runtime_error("no devices to play");
    for (auto& d : devices)
        m_store.add(std::move(d));
}

void Simulator::run()
{
    m_sessions = std::make_unique<SessionServer>(m_io, m_store, m_log, m_options.sessionPort);
    m_sessions->setRebootMs(m_options.rebootMs);
    m_sessions->start();
    m_probe = std::make_unique<ProbeServer>(m_io, m_store, m_log, m_options.probePort);
    m_probe->start();
    if (m_options.multicastPort != 0) {
        m_multicast = std::make_unique<MulticastServer>(m_io, m_store, m_log, m_options.multicastPort);
        m_multicast->responder().setNonceValidityMs(m_options.nonceMs);
        m_multicast->start();
    }
    if (m_options.discoveryPort != 0) {
        m_discovery = std::make_unique<OnvifDiscovery>(m_io, m_store, m_log, m_options.discoveryPort);
        m_discovery->start();
    }
    m_web = std::make_unique<WebServer>(m_store, m_log, m_options.rebootMs);
    m_onvif = std::make_unique<OnvifService>(m_io, m_store, m_log);
    m_onvif->addTo(*m_web);
    m_webLogin = std::make_unique<WebLogin>(m_store, m_log, m_options.loginLockAfter, m_options.loginLockMs);
    m_webLogin->addTo(*m_web);
    m_webSecrets = std::make_unique<WebSecrets>(m_store, m_log);
    m_webSecrets->addTo(*m_web);
    m_webReset = std::make_unique<WebReset>(m_store, m_log, m_options.rebootMs);
    setResetRebootMs(m_options.rebootMs);
    m_webReset->addTo(*m_web);
    m_webRebootTime = std::make_unique<WebRebootTime>(m_store, m_log, m_options.rebootMs);
    m_webRebootTime->addTo(*m_web);
    m_customFactory
        = std::make_unique<CustomFactory>(m_store, m_log, m_options.generate.defaultUser, m_options.rebootMs);
    m_customFactory->addTo(*m_web);
    addStreamOsdPaths(*m_web, m_store);
    addConfigPaths(*m_web);
    addUserPaths(*m_web, *m_webSecrets);
    m_web->start();
    auto signals = std::make_unique<asio::signal_set>(m_io, SIGINT, SIGTERM);
    signals->async_wait([this](boost::system::error_code ec, int) {
        if (!ec)
            stop();
    });
    // The control channel opens last: once a test can connect, every device
    // answers.
    if (!m_options.controlPath.empty()) {
        m_control = std::make_unique<ControlServer>(
            m_io, m_options.controlPath, [this](const Json::Value& r) { return control(r); }, m_log);
        m_control->start();
    }
    m_log.line("ready: " + std::to_string(m_store.size()) + " devices, session port "
        + std::to_string(m_options.sessionPort) + ", probe port " + std::to_string(m_options.probePort)
        + (m_options.controlPath.empty() ? std::string() : ", control " + m_options.controlPath));
    // Each transport drops what it cannot handle; anything that still
    // escapes a handler is logged and the simulator serves on.
    for (;;) {
        try {
            m_io.run();
            break;
        } catch (const std::exception& e) {
            m_log.line(std::string("handler failed: ") + e.what());
        }
    }
    // A stop request often comes as more than one signal (a test's stop sends
    // one to the process group and one to the process). The signal set puts
    // the default action back when it goes, and a late SIGTERM would then end
    // the process by the signal instead of a clean exit; block them first
    // (this is the only thread) and ignore them from here on.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signals.reset();
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    if (!m_options.stateFile.empty())
        save(m_options.stateFile);
    m_log.line("stopped");
}

void Simulator::stop()
{
    asio::post(m_io, [this] {
        if (m_control)
            m_control->stop();
        if (m_probe)
            m_probe->stop();
        if (m_multicast)
            m_multicast->stop();
        if (m_discovery)
            m_discovery->stop();
        if (m_sessions)
            m_sessions->stop();
        m_schedules->stop();
        if (m_web)
            m_web->stop();
        m_io.stop();
    });
}

void Simulator::save(const std::string& path)
{
    saveDevices(path, m_store.snapshot());
    m_log.line("saved " + std::to_string(m_store.size()) + " devices to " + path);
}

std::optional<int> Simulator::select(const Json::Value& request, Json::Value* error)
{
    const Json::Value& sel = request["device"];
    std::string text = sel.isIntegral() ? std::to_string(sel.asLargestInt())
        : sel.isString()                ? sel.asString()
                                        : "";
    auto id = m_store.find(text);
    if (!id) {
        (*error)["ok"] = false;
        (*error)["error"] = "no such device: " + (text.empty() ? std::string("(none given)") : text);
    }
    return id;
}

Json::Value Simulator::control(const Json::Value& request)
{
    Json::Value out(Json::objectValue);
    out["ok"] = true;
    std::string cmd = request.get("cmd", "").asString();
    auto fail = [&](const std::string& why) {
        out["ok"] = false;
        out["error"] = why;
        return out;
    };

    if (cmd == "ping") {
        out["devices"] = m_store.size();
        out["session_port"] = m_options.sessionPort;
        out["probe_port"] = m_options.probePort;
        out["multicast_port"] = m_options.multicastPort;
        out["discovery_port"] = m_options.discoveryPort;
        Json::Value web(Json::arrayValue), https(Json::arrayValue);
        for (auto port : m_web ? m_web->ports(false) : std::set<std::uint16_t>())
            web.append(port);
        for (auto port : m_web ? m_web->ports(true) : std::set<std::uint16_t>())
            https.append(port);
        out["web_ports"] = web;
        out["https_ports"] = https;
        return out;
    }
    if (cmd == "multicast") {
        if (!m_multicast)
            return fail("multicast discovery is off (--multicast-port 0)");
        return m_multicast->control(request);
    }
    if (cmd == "list") {
        Json::Value list(Json::arrayValue);
        for (int id : m_store.ids())
            m_store.read(id, [&](const Device& d) {
                Json::Value e(Json::objectValue);
                e["index"] = d.index;
                e["ip"] = d.net.ip;
                e["ipv6"] = d.net.ipv6;
                e["mac"] = d.mac;
                e["serial"] = d.serial;
                e["kind"] = kindName(d.kind);
                e["device_type"] = d.deviceType;
                e["model"] = d.model;
                e["channels"] = int(d.channels.size());
                e["activated"] = d.activated;
                e["onvif"] = d.onvif;
                e["online"] = d.online();
                e["sessions"] = d.sessions;
                e["media_port"] = d.net.mediaPort;
                e["web_port"] = d.net.webPort;
                e["https_port"] = d.net.httpsPort;
                list.append(e);
            });
        out["devices"] = list;
        return out;
    }
    if (cmd == "save") {
        std::string path = request.get("path", m_options.stateFile).asString();
        if (path.empty())
            return fail("no path: give \"path\" or start with --state");
        save(path);
        out["path"] = path;
        return out;
    }
    if (cmd == "quit") {
        stop();
        return out;
    }

    Json::Value error(Json::objectValue);
    auto id = select(request, &error);
    if (!id)
        return error;
    out["device"] = *id;

    if (cmd == "get") {
        m_store.read(*id, [&](const Device& d) { out["state"] = deviceToJson(d, true); });
        return out;
    }
    if (cmd == "set") {
        const Json::Value& state = request["state"];
        if (!state.isObject())
            return fail("\"state\" must be an object");
        Json::Value rest = state;
        rest.removeMember("network");
        rest.removeMember("faults");
        rest.removeMember("index");
        std::string why;
        bool ok = true;
        m_store.modify(*id, [&](Device& d) {
            Device copy = d;
            ok = applyDeviceJson(copy, rest, &why);
            if (ok)
                d = std::move(copy);
        });
        if (!ok)
            return fail(why);
        if (state.isMember("network")) {
            Network net;
            m_store.read(*id, [&](const Device& d) { net = d.net; });
            if (!applyNetworkJson(net, state["network"], &why) || !m_store.setNetwork(*id, net, &why))
                return fail(why);
        }
        if (state.isMember("faults")) {
            Faults f;
            m_store.read(*id, [&](const Device& d) { f = d.faults; });
            if (!applyFaultsJson(f, state["faults"], &why))
                return fail(why);
            m_store.setFaults(*id, f);
        }
        m_store.read(*id, [&](const Device& d) { out["state"] = deviceToJson(d, true); });
        return out;
    }
    if (cmd == "fault") {
        Faults f;
        m_store.read(*id, [&](const Device& d) { f = d.faults; });
        if (request.get("clear", false).asBool())
            f = Faults {};
        std::string why;
        if (!applyFaultsJson(f, request, &why))
            return fail(why);
        m_store.setFaults(*id, f);
        out["faults"] = faultsToJson(f);
        std::string text = vljson::write_compact(out["faults"]);
        m_store.read(*id, [&](const Device& d) { m_log.device(*id, d.net.ip, "faults " + text); });
        return out;
    }
    if (cmd == "reboot") {
        int ms = m_options.rebootMs;
        if (request.isMember("seconds")) {
            // At most a day: a larger count would not fit the milliseconds.
            const Json::Value& seconds = request["seconds"];
            if (!seconds.isNumeric() || !(seconds.asDouble() >= 0) || seconds.asDouble() > 86400)
                return fail("\"seconds\" must be a number from 0 to 86400");
            ms = int(seconds.asDouble() * 1000);
        }
        if (!m_store.reboot(*id, ms))
            return fail("the device is rebooting already");
        out["ms"] = ms;
        return out;
    }
    if (cmd == "push") {
        if (!request["id"].isIntegral())
            return fail("\"id\" must be a message number");
        int msg = request["id"].asInt();
        std::vector<std::uint8_t> data;
        if (request.isMember("hex")) {
            auto bytes
                = request["hex"].isString() ? vlhex::from_hex(request["hex"].asString()) : std::nullopt;
            if (!bytes)
                return fail("\"hex\" must be hex digits");
            data = *bytes;
        } else if (request.isMember("text")) {
            std::string t = request["text"].asString();
            data.assign(t.begin(), t.end());
        } else if (msg == VLNET_MSG_DEV_ALL_STATUS || msg == VLNET_MSG_REMOTE_CH_STATUS) {
            m_store.read(*id, [&](const Device& d) {
                data = msg == VLNET_MSG_DEV_ALL_STATUS ? allStatusMessage(d) : channelStatusMessage(d);
            });
        }
        out["sessions"] = m_sessions ? m_sessions->push(*id, msg, data) : 0;
        return out;
    }
    if (cmd == "alarm") {
        // The channel's alarm goes on or off, and the device reports it.
        vljson::reader r(request, vljson::policy::exact);
        long long channel = -1;
        std::string type;
        bool on = true;
        std::uint32_t smartType = 0;
        r.read("channel", channel);
        r.read("type", type);
        r.read("on", on);
        r.read("smart_type", smartType);
        const bool withSmartType = r.found();
        if (!r.ok())
            return fail(r.error());
        std::optional<DeviceMessage> message;
        m_store.modify(*id, [&](Device& d) {
            const long long c = channel;
            if (c < 0 || c >= static_cast<long long>(d.channels.size()))
                return;
            ChannelAlarms& alarms = d.channels[std::size_t(c)].alarms;
            bool* flag = alarmFlag(alarms, type);
            if (!flag)
                return;
            *flag = on;
            if (withSmartType)
                alarms.smartType = smartType;
            message = alarmMessage(d, int(c), type);
        });
        if (!message)
            return fail(
                "no such channel, or \"type\" is none of motion, io, pir, smart, cover, video_loss, sound");
        out["id"] = message->id;
        out["sessions"] = m_sessions ? m_sessions->push(*id, message->id, message->data) : 0;
        return out;
    }
    if (cmd == "schedule")
        return m_schedules->control(*id, request);
    if (cmd == "web") {
        std::string why;
        Json::Value answer = m_web ? m_web->control(*id, request, &why) : Json::Value();
        if (!m_web)
            return fail("the web interface is not running");
        if (!why.empty())
            return fail(why);
        for (const auto& key : answer.getMemberNames())
            out[key] = answer[key];
        return out;
    }
    if (cmd == "received") {
        Json::Value list(Json::arrayValue);
        bool clear = request.get("clear", false).asBool();
        m_store.modify(*id, [&](Device& d) {
            for (const auto& r : d.received) {
                Json::Value e = r.detail;
                e["t"] = Json::Int64(r.timeMs);
                e["transport"] = r.transport;
                e["session"] = r.session;
                e["what"] = r.what;
                list.append(e);
            }
            if (clear)
                d.received.clear();
        });
        out["received"] = list;
        return out;
    }
    return fail("unknown command: " + cmd);
}

} // namespace devsim
