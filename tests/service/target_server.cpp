#include "target_server.h"

#include <cctype>
#include <chrono>
#include <stdexcept>

TargetServer::TargetServer(const std::function<void(httplib::Server&)>& routes)
{
    routes(http_);
    port_ = http_.bind_to_any_port("127.0.0.1");
    if (port_ < 0)
        throw std::runtime_error("test target server cannot bind");
    thread_ = std::thread([this] { http_.listen_after_bind(); });
    // A stop before the server listens would be lost.
    while (!http_.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TargetServer::~TargetServer()
{
    http_.stop();
    thread_.join();
}

std::string TargetServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

httplib::Result get_local(int port, const std::string& path)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(20);
    return client.Get(path.c_str());
}

std::string percent_encoded(const std::string& text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}
