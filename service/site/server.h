#pragma once

#include "site/site_service.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace seo {

struct ServerLimits
{
    // Connections served at once, each on its own thread (most of them only wait).
    std::size_t max_connections = 256;
    // A thread without a connection for this long ends.
    std::chrono::seconds idle_thread_time{10};
    int io_timeout_seconds = 5; // per read or write, against slow clients
    // Request body; the HTTP library caps the request line and headers at 8 KiB itself.
    std::size_t max_request_bytes = 8 * 1024;
};

// The HTTP face of the site: maps the routes onto a SiteService and logs one line per
// request to stderr (method, path, status, time; nothing the user asked about).
class SiteServer
{
public:
    SiteServer(SiteService &service, ServerLimits limits = {});
    ~SiteServer();
    SiteServer(const SiteServer &) = delete;
    SiteServer &operator=(const SiteServer &) = delete;

    // Binds the listening socket; port 0 picks a free one. The bound port, or -1.
    int bind(const std::string &host, int port);
    // Serves until stop() is called; false when the server could not run.
    bool run();
    // Stops accepting connections; run() returns once those under way have ended.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace seo
