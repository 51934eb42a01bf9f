#pragma once
// A search transport for tests: records every search started and plays its
// answers and end markers through the callbacks and user pointers it got,
// on the calling thread. A stop delivers the search's end call, as the
// libraries do; the destructor ends every search still open, so that no
// run is left waiting.
//
//   FakeSearch fake;
//   SearchTransport::ScopedInstall install(&fake);
//   page.startSearch();
//   fake.multicastAnswer(0, R"({"wired ip":"192.168.1.20","mac":"00:11:22:33:44:55"})");
//   fake.endAll();
#include "devices/DeviceTexts.h"
#include "search/SearchTransport.h"

#include <QByteArray>
#include <mutex>
#include <string>
#include <vector>

class FakeSearch : public SearchTransport
{
public:
    struct Multicast {
        QByteArray request;
        vl_json_callback callback;
        void* user;
        bool ended = false;
    };
    struct Lan {
        VLNET_SEARCH_DEV search;
        bool ended = false;
    };
    struct Onvif {
        VLONVIF_SEARCH_START start;
        bool ended = false;
    };

    std::vector<Multicast> multicast;
    std::vector<Lan> lan;
    std::vector<Onvif> onvif;
    // Starts of these kinds are refused.
    bool refuseMulticast = false;
    bool refuseLan = false;

    ~FakeSearch() override { endAll(); }

    multicast_handle* startMulticast(
        const QByteArray& request, vl_json_callback callback, void* user) override
    {
        if (refuseMulticast)
            return nullptr;
        multicast.push_back({ request, callback, user });
        return reinterpret_cast<multicast_handle*>(multicast.size());
    }
    void stopMulticast(multicast_handle* handle) override
    {
        multicastEnd(int(reinterpret_cast<std::size_t>(handle)) - 1);
    }
    bool startLanSearch(const VLNET_SEARCH_DEV& search) override
    {
        if (refuseLan)
            return false;
        lan.push_back({ search });
        return true;
    }
    VLONVIF_SEARCH_HANDLE startOnvif(const VLONVIF_SEARCH_START& start) override
    {
        onvif.push_back({ start });
        return reinterpret_cast<VLONVIF_SEARCH_HANDLE>(onvif.size());
    }
    void stopOnvif(VLONVIF_SEARCH_HANDLE handle) override
    {
        onvifEnd(int(reinterpret_cast<std::size_t>(handle)) - 1);
    }

    void multicastAnswer(int i, const std::string& json)
    {
        multicast.at(i).callback(json.c_str(), multicast.at(i).user);
    }
    void multicastEnd(int i)
    {
        Multicast& m = multicast.at(i);
        if (!m.ended) {
            m.ended = true;
            m.callback(nullptr, m.user);
        }
    }
    void lanAnswer(int i, const VLNET_SEARCH_DEV_RSP& record)
    {
        lan.at(i).search.callback(&record, lan.at(i).search.context);
    }
    void lanEnd(int i)
    {
        Lan& l = lan.at(i);
        if (!l.ended) {
            l.ended = true;
            l.search.callback(nullptr, l.search.context);
        }
    }
    void onvifAnswer(int i, const VLONVIF_SEARCH_DEV_RSP& record)
    {
        onvif.at(i).start.callback(&record, onvif.at(i).start.user);
    }
    void onvifEnd(int i)
    {
        Onvif& o = onvif.at(i);
        if (!o.ended) {
            o.ended = true;
            o.start.callback(nullptr, o.start.user);
        }
    }
    void endAll()
    {
        for (std::size_t i = 0; i < multicast.size(); ++i)
            multicastEnd(int(i));
        for (std::size_t i = 0; i < lan.size(); ++i)
            lanEnd(int(i));
        for (std::size_t i = 0; i < onvif.size(); ++i)
            onvifEnd(int(i));
    }

    // A multicast answer's text and a VLNet (ONVIF) record of a device.
    static std::string multicastJson(
        const std::string& ip, const std::string& mac, const std::string& name = "Cam")
    {
        return "{\"wired ip\":\"" + ip + "\",\"mac\":\"" + mac + "\",\"dev name\":\"" + name
            + "\",\"dev id\":\"aWQ=\",\"dev enc\":\"a2V5\",\"web port\":80,\"media port\":9000,"
              "\"wired mask\":\"255.255.255.0\",\"wired gateway\":\"192.168.1.1\",\"dhcp\":\"static\","
              "\"activated\":true}";
    }
    static VLNET_SEARCH_DEV_RSP lanRecord(
        const std::string& ip, const std::string& mac, const std::string& name = "Lan")
    {
        VLNET_SEARCH_DEV_RSP r {};
        copyRecordText(r.ip, QByteArray::fromStdString(ip));
        copyRecordText(r.mac_addr, QByteArray::fromStdString(mac));
        copyRecordText(r.device_name, QByteArray::fromStdString(name));
        copyRecordText(r.netmask, QByteArrayLiteral("255.255.255.0"));
        r.web_port = 80;
        r.media_port = 9000;
        r.network_mode = 2;
        return r;
    }
};
