#pragma once
// The control channel: a UNIX stream socket; each line in is one JSON
// command, each line out its answer.
#include "log.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/local/stream_protocol.hpp>
#include <functional>
#include <json/value.h>
#include <memory>
#include <string>

namespace devsim
{

class ControlServer
{
public:
    using Handler = std::function<Json::Value(const Json::Value&)>;
    ControlServer(boost::asio::io_context& io, std::string path, Handler handler, EventLog& log);
    ~ControlServer();
    // Throws when the socket cannot be made.
    void start();
    void stop();

private:
    class Client;
    void accept();

    boost::asio::io_context& m_io;
    std::string m_path;
    Handler m_handler;
    EventLog& m_log;
    boost::asio::local::stream_protocol::acceptor m_acceptor;
};

} // namespace devsim
