#pragma once
// One LAN search of the stand-in: probes (PROTOCOL.md, "Probe") sent as
// broadcasts from every local IPv4 address, or to every address of a range,
// the answers read into search records and handed to the caller's callback.
//
// Network work runs on the runtime's I/O thread. Records and the final null
// record are posted, in order, to one of the runtime's callback threads, so
// results never arrive on the caller's thread and never two at once.
#include "runtime.h"
#include "vlnet.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vlnet
{

struct SearchConfig {
    VLNET_SEARCH_CALLBACK callback = nullptr;
    void* context = nullptr;
    std::uint8_t oemType = 0; // passed on in the probe
    std::string p2pId; // when not empty, only the device with this P2P id answers
    int timeoutMs = VLNET_SEARCH_DEFAULT_TIMEOUT_MS; // one round's listening time
    bool repeat = false; // rounds follow each other until stop()
    bool ranged = false; // probe first..last (host order) instead of broadcasting
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

class Search : public std::enable_shared_from_this<Search>
{
public:
    Search(int handle, SearchConfig config, Runtime& runtime);
    ~Search();

    void begin();
    // Ends the search: answers heard so far are still reported, then the
    // null record. Waits until that has been delivered, except on the
    // search's own callback thread (it would wait for itself).
    void stop();

private:
    struct Socket {
        explicit Socket(boost::asio::io_context& io)
            : socket(io)
        {
        }
        boost::asio::ip::udp::socket socket;
        boost::asio::ip::udp::endpoint peer;
        std::vector<std::uint8_t> buffer;
    };

    // I/O thread.
    void open();
    std::unique_ptr<Socket> openSocket(const boost::asio::ip::udp::endpoint& local, bool broadcast);
    void round();
    void sendRange(std::uint32_t next);
    void listen();
    void receive(Socket& s);
    void onAnswer(const boost::asio::ip::udp::endpoint& from, std::size_t size, const std::uint8_t* data);
    void close();

    // Any thread.
    void report(const VLNET_SEARCH_DEV_RSP& record);
    void end();

    const int m_handle;
    const SearchConfig m_config;
    const std::uint16_t m_probePort;
    Runtime& m_runtime;
    boost::asio::io_context& m_io;
    CallbackThread& m_callbacks;
    const std::uint32_t m_sequence;
    const std::vector<std::uint8_t> m_probe;

    // I/O thread only.
    std::vector<std::unique_ptr<Socket>> m_sockets;
    boost::asio::steady_timer m_timer;
    bool m_closed = false;
    int m_rounds = 0;
    // What was reported, by answering address and MAC, with the device's
    // clock cleared: a device is reported again only when its answer changed.
    std::map<std::string, VLNET_SEARCH_DEV_RSP> m_reported;

    // Guarded by m_lock.
    std::mutex m_lock;
    std::condition_variable m_done;
    bool m_ended = false; // the null record is on its way
    bool m_delivered = false; // and has been delivered
    int m_found = 0;
};

} // namespace vlnet
