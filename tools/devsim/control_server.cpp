#include "control_server.h"

#include "common/json.h"

#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>
#include <unistd.h>

namespace devsim
{

namespace asio = boost::asio;
using local = asio::local::stream_protocol;

class ControlServer::Client : public std::enable_shared_from_this<Client>
{
public:
    Client(ControlServer& server, local::socket socket)
        : m_server(server)
        , m_socket(std::move(socket))
        , m_in(1 << 20)
    {
    }

    void read()
    {
        auto self = shared_from_this();
        asio::async_read_until(
            m_socket, m_in, '\n', [this, self](boost::system::error_code ec, std::size_t n) {
                if (ec)
                    return;
                std::string line(
                    asio::buffers_begin(m_in.data()), asio::buffers_begin(m_in.data()) + std::ptrdiff_t(n));
                m_in.consume(n);
                Json::Value request, answer;
                std::string errs;
                if (!vljson::parse(line, request, vljson::syntax::lenient, &errs) || !request.isObject()) {
                    answer["ok"] = false;
                    answer["error"] = "not a JSON object: " + errs;
                } else {
                    try {
                        answer = m_server.m_handler(request);
                    } catch (const std::exception& e) {
                        answer = Json::Value(Json::objectValue);
                        answer["ok"] = false;
                        answer["error"] = e.what();
                    }
                }
                m_out = vljson::write_compact(answer) + "\n";
                asio::async_write(
                    m_socket, asio::buffer(m_out), [this, self](boost::system::error_code ec2, std::size_t) {
                        if (!ec2)
                            read();
                    });
            });
    }

private:
    ControlServer& m_server;
    local::socket m_socket;
    asio::streambuf m_in;
    std::string m_out;
};

ControlServer::ControlServer(asio::io_context& io, std::string path, Handler handler, EventLog& log)
    : m_io(io)
    , m_path(std::move(path))
    , m_handler(std::move(handler))
    , m_log(log)
    , m_acceptor(io)
{
}

ControlServer::~ControlServer()
{
    stop();
}

void ControlServer::start()
{
    ::unlink(m_path.c_str());
    m_acceptor.open(local());
    m_acceptor.bind(local::endpoint(m_path));
    m_acceptor.listen();
    accept();
}

void ControlServer::stop()
{
    if (!m_acceptor.is_open())
        return;
    boost::system::error_code ec;
    m_acceptor.close(ec);
    ::unlink(m_path.c_str());
}

void ControlServer::accept()
{
    m_acceptor.async_accept([this](boost::system::error_code ec, local::socket socket) {
        if (ec)
            return;
        std::make_shared<Client>(*this, std::move(socket))->read();
        accept();
    });
}

} // namespace devsim
