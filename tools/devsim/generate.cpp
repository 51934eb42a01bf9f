#include "generate.h"

#include "device_reset.h"
#include "keys.h"

#include <cctype>
#include <cstdio>
#include <random>

namespace devsim
{

namespace
{
// A small generator whose sequence does not depend on the standard library's
// distributions, so a seed means the same devices everywhere.
class Rng
{
public:
    explicit Rng(std::uint64_t seed)
        : m_engine(seed)
    {
    }
    int below(int n) { return int(m_engine() % std::uint64_t(n)); }
    bool percent(int p) { return below(100) < p; }
    std::uint32_t word() { return std::uint32_t(m_engine()); }

private:
    std::mt19937_64 m_engine;
};

std::string format(const char* fmt, int a, int b = 0, int c = 0)
{
    char buf[64];
    std::snprintf(buf, sizeof(buf), fmt, a, b, c);
    return buf;
}
} // namespace

std::string deviceIp4(int n)
{
    int host = 10 + n;
    int third = 1 + host / 250;
    int fourth = host % 250 + (host >= 250 ? 1 : 0);
    return "192.168." + std::to_string(third) + "." + std::to_string(fourth);
}

std::string deviceIp6(int n)
{
    char buf[48];
    std::snprintf(buf, sizeof(buf), "fd00:168:0:1::%x", 10 + n);
    return buf;
}

Device generateDevice(int n, const GenerateOptions& options)
{
    Rng rng(std::uint64_t(options.seed) * 1000003u + std::uint64_t(n));
    Device d;
    int pick = rng.below(100);
    d.kind = pick < 60 ? Kind::Ipc : (pick < 85 ? Kind::Nvr : Kind::Dvr);
    int channels = 1;
    switch (d.kind) {
    case Kind::Ipc: {
        static const int counts[] = { 1, 1, 1, 1, 1, 1, 2, 4 };
        channels = counts[rng.below(8)];
        d.deviceType = 4;
        d.model = format("VL-IPC-%dM%02d", 2 + rng.below(7), 10 + rng.below(40));
        d.alarmIn = 1;
        d.alarmOut = 1;
        break;
    }
    case Kind::Nvr: {
        static const int counts[] = { 4, 8, 8, 16, 16, 32 };
        channels = counts[rng.below(6)];
        d.deviceType = 3;
        d.model = format("VL-N%d%02d", 3 + rng.below(3), channels);
        d.alarmIn = 4;
        d.alarmOut = 1;
        break;
    }
    case Kind::Dvr: {
        static const int counts[] = { 4, 8, 16 };
        channels = counts[rng.below(3)];
        d.deviceType = 6;
        d.model = format("VL-D%d%02d", 5 + rng.below(3), channels);
        d.analogChannels = channels;
        d.alarmIn = 4;
        d.alarmOut = 1;
        break;
    }
    }
    // MAC from a locally administered prefix; the index keeps it unique.
    char mac[32];
    std::snprintf(mac, sizeof(mac), "02:56:4C:%02X:%02X:%02X", (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
    d.mac = mac;
    char serial[40];
    std::snprintf(serial, sizeof(serial), "VL%c%06u%06d", "IND"[int(d.kind)], rng.word() % 1000000u, n);
    d.serial = serial;
    for (auto& b : d.devId)
        b = std::uint8_t(rng.word());
    d.deviceId = rng.word();
    d.firmware = format("V%d.%d.%d", 8 + rng.below(2), rng.below(5), rng.below(20))
        + format(".%d-20%02d%02d", 1 + rng.below(9), 23 + rng.below(3), 1 + rng.below(12)) + "15";
    d.hardware = format("HW-%d.%d", 1 + rng.below(3), rng.below(10));
    d.productCode = format("P%05d", rng.below(100000));
    d.name = std::string(kindName(d.kind)) + format("-%04d", n);
    for (auto& c : d.name)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    d.p2pId = format("VLP%08d", int(rng.word() % 100000000u));
    d.videoFormat = rng.percent(20) ? 1 : 0;
    for (int c = 0; c < channels; ++c) {
        Channel ch;
        ch.name = format("CH%d", c + 1);
        ch.online = d.kind == Kind::Ipc || rng.percent(85);
        d.channels.push_back(ch);
    }

    d.activated = !rng.percent(options.inactivePercent);
    User admin;
    admin.name = "admin";
    admin.admin = true;
    admin.password = d.activated ? options.password : std::string();
    d.users.push_back(admin);
    User second = admin;
    second.name = options.defaultUser;
    d.users.push_back(second);
    if (d.activated && d.kind != Kind::Ipc && rng.percent(50)) {
        User op;
        op.name = "operator";
        op.password = "Oper_123";
        op.rights.backup = false;
        op.rights.ptz = false;
        op.rights.settings = false;
        d.users.push_back(op);
    }

    d.net.ip = deviceIp4(n);
    d.net.mask = "255.255.0.0";
    d.net.gateway = "192.168.0.1";
    d.net.dns1 = "192.168.0.1";
    d.net.dhcp = rng.percent(10);
    d.net.ipv6 = deviceIp6(n);
    d.net.httpsPort = rng.percent(80) ? 443 : 0;
    d.keys = makeKeyPair();
    d.onvif = (n + 1) * options.onvifPercent / 100 != n * options.onvifPercent / 100;
    d.reset = defaultResetProfile(d.kind, n, d.net);
    return d;
}

} // namespace devsim
