#include "target_server.h"

#include <unicode/ucnv.h>

#include <cctype>
#include <chrono>
#include <stdexcept>
#include <string_view>

TargetServer::TargetServer(const std::function<void(httplib::Server &)> &routes)
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

std::string TargetServer::url(const std::string &path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string unreachable_url()
{
    const TargetServer gone{[](httplib::Server &) {}};
    return gone.url("/");
}

httplib::Result get_local(int port, const std::string &path)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(20);
    return client.Get(path.c_str());
}

std::string encoded(const std::string &utf8, const char *charset)
{
    std::string out(utf8.size() * 4 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_convert(charset, "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                                        utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    out.resize(static_cast<std::size_t>(length));
    if (U_FAILURE(status))
        throw std::runtime_error(u_errorName(status));
    return out;
}
