#include "store.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdlib>

namespace devsim
{

std::string canonicalIp(const std::string& text)
{
    in_addr a4 {};
    if (inet_pton(AF_INET, text.c_str(), &a4) == 1) {
        char buf[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &a4, buf, sizeof(buf));
        return buf;
    }
    in6_addr a6 {};
    if (inet_pton(AF_INET6, text.c_str(), &a6) == 1) {
        if (IN6_IS_ADDR_V4MAPPED(&a6)) {
            char buf[INET_ADDRSTRLEN];
            inet_ntop(AF_INET, &a6.s6_addr[12], buf, sizeof(buf));
            return buf;
        }
        char buf[INET6_ADDRSTRLEN];
        inet_ntop(AF_INET6, &a6, buf, sizeof(buf));
        return buf;
    }
    return {};
}

int DeviceStore::add(Device device)
{
    std::lock_guard<std::mutex> hold(m_lock);
    int id = int(m_devices.size());
    device.index = id;
    device.net.ip = canonicalIp(device.net.ip);
    if (!device.net.ipv6.empty())
        device.net.ipv6 = canonicalIp(device.net.ipv6);
    indexAdd(device.net.ip, id);
    indexAdd(device.net.ipv6, id);
    m_devices.push_back(std::move(device));
    return id;
}

int DeviceStore::size() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return int(m_devices.size());
}

std::vector<int> DeviceStore::ids() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<int> out(m_devices.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int(i);
    return out;
}

void DeviceStore::indexAdd(const std::string& ip, int id)
{
    if (!ip.empty())
        m_byIp[ip].push_back(id);
}

void DeviceStore::indexRemove(const std::string& ip, int id)
{
    auto it = m_byIp.find(ip);
    if (it == m_byIp.end())
        return;
    auto& v = it->second;
    v.erase(std::remove(v.begin(), v.end(), id), v.end());
    if (v.empty())
        m_byIp.erase(it);
}

std::optional<int> DeviceStore::findByIp(const std::string& ip) const
{
    std::string key = canonicalIp(ip);
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = m_byIp.find(key);
    if (it == m_byIp.end() || it->second.empty())
        return std::nullopt;
    // Two devices on one address (a conflict a user can make): the one that
    // is on the network answers, as the first to answer ARP would.
    for (int id : it->second)
        if (m_devices[size_t(id)].online())
            return id;
    return it->second.front();
}

std::optional<int> DeviceStore::find(const std::string& selector) const
{
    if (selector.empty())
        return std::nullopt;
    if (std::all_of(selector.begin(), selector.end(), [](unsigned char c) { return std::isdigit(c); })
        && selector.size() < 7) {
        int id = std::atoi(selector.c_str());
        if (id < size())
            return id;
        return std::nullopt;
    }
    if (auto byIp = findByIp(selector))
        return byIp;
    auto lower = [](std::string s) {
        for (auto& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::string want = lower(selector);
    std::lock_guard<std::mutex> hold(m_lock);
    for (const auto& d : m_devices)
        if (lower(d.mac) == want || d.serial == selector)
            return d.index;
    return std::nullopt;
}

bool DeviceStore::setNetwork(int id, const Network& net, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    std::string ip = canonicalIp(net.ip);
    if (ip.empty() || ip.find(':') != std::string::npos)
        return fail("not an IPv4 address: " + net.ip);
    // No device takes the unspecified address (a change whose address did
    // not parse arrives as 0.0.0.0).
    if (ip == "0.0.0.0")
        return fail("not a host address: " + net.ip);
    std::string ipv6;
    if (!net.ipv6.empty()) {
        ipv6 = canonicalIp(net.ipv6);
        if (ipv6.empty() || ipv6.find(':') == std::string::npos)
            return fail("not an IPv6 address: " + net.ipv6);
    }
    if (net.mediaPort == 0 || net.webPort == 0)
        return fail("a port is 0");
    StoreEvent e;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (id < 0 || id >= int(m_devices.size()))
            return fail("no such device");
        std::string clash = portClashLocked(id, net);
        if (!clash.empty())
            return fail(clash);
        Device& d = m_devices[size_t(id)];
        e.kind = StoreEvent::Moved;
        e.id = id;
        e.oldIp = d.net.ip;
        e.newIp = ip;
        indexRemove(d.net.ip, id);
        indexRemove(d.net.ipv6, id);
        d.net = net;
        d.net.ip = ip;
        d.net.ipv6 = ipv6;
        indexAdd(d.net.ip, id);
        indexAdd(d.net.ipv6, id);
    }
    notify(e);
    return true;
}

bool DeviceStore::setFaults(int id, const Faults& faults)
{
    StoreEvent e;
    e.id = id;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (id < 0 || id >= int(m_devices.size()))
            return false;
        Device& d = m_devices[size_t(id)];
        bool was = d.online();
        d.faults = faults;
        bool now = d.online();
        e.kind = was == now ? StoreEvent::Changed : (now ? StoreEvent::CameOnline : StoreEvent::WentOffline);
        e.oldIp = e.newIp = d.net.ip;
        if (!now)
            d.webSessions.clear();
    }
    notify(e);
    return true;
}

bool DeviceStore::reboot(int id, int ms)
{
    Scheduler scheduler;
    StoreEvent e;
    e.id = id;
    e.kind = StoreEvent::WentOffline;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (id < 0 || id >= int(m_devices.size()) || m_devices[size_t(id)].rebooting)
            return false;
        Device& d = m_devices[size_t(id)];
        d.rebooting = true;
        d.webSessions.clear();
        e.oldIp = e.newIp = d.net.ip;
        scheduler = m_scheduler;
    }
    notify(e);
    auto back = [this, id] {
        StoreEvent up;
        up.id = id;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            Device& d = m_devices[size_t(id)];
            d.rebooting = false;
            ++d.boots;
            up.kind = d.online() ? StoreEvent::CameOnline : StoreEvent::Changed;
            up.oldIp = up.newIp = d.net.ip;
        }
        notify(up);
    };
    if (scheduler)
        scheduler(ms, back);
    else
        back();
    return true;
}

namespace
{

struct PortRole {
    std::uint16_t port;
    const char* role;
};

std::vector<PortRole> portRoles(const Network& n)
{
    std::vector<PortRole> out { { n.mediaPort, "VLNet sessions" }, { n.webPort, "HTTP" } };
    if (n.httpsPort != 0)
        out.push_back({ n.httpsPort, "HTTPS" });
    return out;
}

} // namespace

std::string DeviceStore::portClashLocked(int id, const Network& net) const
{
    auto mine = portRoles(net);
    for (size_t i = 0; i < mine.size(); ++i)
        for (size_t j = i + 1; j < mine.size(); ++j)
            if (mine[i].port == mine[j].port)
                return "port " + std::to_string(mine[i].port) + " cannot serve both " + mine[i].role + " and "
                    + mine[j].role;
    for (const auto& d : m_devices) {
        if (d.index == id)
            continue;
        for (const auto& theirs : portRoles(d.net))
            for (const auto& m : mine)
                if (m.port == theirs.port && std::string(m.role) != theirs.role)
                    return "port " + std::to_string(m.port) + " serves " + theirs.role + " on device "
                        + std::to_string(d.index) + ", it cannot serve " + m.role + " as well";
    }
    return {};
}

std::string DeviceStore::portClash(int id, const Network& net) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return portClashLocked(id, net);
}

std::string DeviceStore::portClash() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (const auto& d : m_devices) {
        std::string clash = portClashLocked(d.index, d.net);
        if (!clash.empty())
            return "device " + std::to_string(d.index) + ": " + clash;
    }
    return {};
}

std::set<std::uint16_t> DeviceStore::webPorts(bool https) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    std::set<std::uint16_t> out;
    for (const auto& d : m_devices) {
        std::uint16_t port = https ? d.net.httpsPort : d.net.webPort;
        if (port != 0)
            out.insert(port);
    }
    return out;
}

std::set<std::uint16_t> DeviceStore::mediaPorts() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    std::set<std::uint16_t> out;
    for (const auto& d : m_devices)
        out.insert(d.net.mediaPort);
    return out;
}

void DeviceStore::noteReceived(int id, Received r)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (id < 0 || id >= int(m_devices.size()))
        return;
    auto& q = m_devices[size_t(id)].received;
    q.push_back(std::move(r));
    while (q.size() > 256)
        q.pop_front();
}

void DeviceStore::subscribe(Observer observer)
{
    std::lock_guard<std::mutex> hold(m_observerLock);
    m_observers.push_back(std::move(observer));
}

void DeviceStore::setScheduler(Scheduler scheduler)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_scheduler = std::move(scheduler);
}

void DeviceStore::after(int ms, std::function<void()> fn)
{
    Scheduler scheduler;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        scheduler = m_scheduler;
    }
    if (scheduler)
        scheduler(ms, std::move(fn));
    else
        fn();
}

std::vector<Device> DeviceStore::snapshot() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_devices;
}

void DeviceStore::notify(const StoreEvent& e)
{
    std::vector<Observer> observers;
    {
        std::lock_guard<std::mutex> hold(m_observerLock);
        observers = m_observers;
    }
    for (auto& o : observers)
        o(e);
}

} // namespace devsim
