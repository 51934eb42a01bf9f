#pragma once
// All simulated devices of one process behind one lock, and the one place
// where a device changes its address or goes on or off the network, so that
// every transport (VLNet sessions, probe, multicast, web interface) sees the
// same device at the same place.
//
// Observers are told of changes after the lock is released, on the thread
// that made the change; a transport posts to its own executor from there.
#include "device.h"

#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace devsim
{

struct StoreEvent {
    enum Kind {
        Moved, // the address or a port changed: oldIp -> newIp
        WentOffline,
        CameOnline,
        Changed, // anything else (users, names, faults)
    };
    Kind kind = Changed;
    int id = 0;
    std::string oldIp;
    std::string newIp;
};

class DeviceStore
{
public:
    using Observer = std::function<void(const StoreEvent&)>;
    // Runs `fn` once after `ms` milliseconds (the simulator's timer service).
    using Scheduler = std::function<void(int ms, std::function<void()> fn)>;

    DeviceStore() = default;
    DeviceStore(const DeviceStore&) = delete;
    DeviceStore& operator=(const DeviceStore&) = delete;

    // Adds a device; its index becomes its id. Returns the id.
    int add(Device device);
    int size() const;
    std::vector<int> ids() const;

    // Reads a device under the lock: fn(const Device&). False for a bad id.
    template <class F> bool read(int id, F&& fn) const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (id < 0 || id >= int(m_devices.size()))
            return false;
        fn(static_cast<const Device&>(m_devices[size_t(id)]));
        return true;
    }

    // Changes a device under the lock: fn(Device&). Must not change the
    // network settings or the online state (use setNetwork, reboot,
    // setFaults). Observers get a Changed event.
    template <class F> bool modify(int id, F&& fn)
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (id < 0 || id >= int(m_devices.size()))
                return false;
            fn(m_devices[size_t(id)]);
        }
        StoreEvent e;
        e.kind = StoreEvent::Changed;
        e.id = id;
        notify(e);
        return true;
    }

    // The device that owns `ip` (IPv4 or IPv6 text), online or not.
    std::optional<int> findByIp(const std::string& ip) const;
    // By index ("3"), IP, MAC (any case) or serial number.
    std::optional<int> find(const std::string& selector) const;

    // Moves a device: new address, mask, ports... Refuses (false, `error`) an
    // address text that does not parse, 0.0.0.0, a zero port, or a port that
    // would then serve two kinds of TCP connections (portClash).
    bool setNetwork(int id, const Network& net, std::string* error);
    // Every TCP port has one listener for all devices, so it serves one kind
    // of connection: VLNet sessions (media port), HTTP (web port) or HTTPS
    // (HTTPS port). What `net` for device `id` would clash with (empty:
    // nothing), and the first clash among the devices' own settings.
    std::string portClash(int id, const Network& net) const;
    std::string portClash() const;
    // The web ports and, with `https`, the HTTPS ports of all devices.
    std::set<std::uint16_t> webPorts(bool https) const;
    // Switches the fault modes; going offline or back is announced.
    bool setFaults(int id, const Faults& faults);
    // Takes the device off the network for `ms`; web sessions end.
    bool reboot(int id, int ms);

    // Every port on which some device takes VLNet-protocol sessions.
    std::set<std::uint16_t> mediaPorts() const;

    // Notes a received request (kept: the last 256 per device).
    void noteReceived(int id, Received r);

    void subscribe(Observer observer);
    void setScheduler(Scheduler scheduler);
    // Runs `fn` once after `ms` milliseconds through the scheduler (at once
    // without one), as a device does what it does after its answer has left.
    void after(int ms, std::function<void()> fn);

    // A copy of every device (for saving).
    std::vector<Device> snapshot() const;

private:
    void notify(const StoreEvent& e);
    std::string portClashLocked(int id, const Network& net) const;
    void indexAdd(const std::string& ip, int id);
    void indexRemove(const std::string& ip, int id);

    mutable std::mutex m_lock;
    std::vector<Device> m_devices;
    std::unordered_map<std::string, std::vector<int>> m_byIp;
    std::mutex m_observerLock;
    std::vector<Observer> m_observers;
    Scheduler m_scheduler;
};

// Canonical text of an IPv4 or IPv6 address (IPv4-mapped IPv6 becomes IPv4);
// empty when the text is no address.
std::string canonicalIp(const std::string& text);

} // namespace devsim
