#pragma once

#include "http/http_connections.h"
#include "http/site_service.h"

#include <memory>
#include <string>
#include <vector>

namespace seo {

struct ServerSettings
{
    ConnectionLimits connections;
    // Names the service answers to besides its own addresses (127.0.0.1, localhost, [::1]
    // and the address it listens on): those a deployment serves it under. A request for
    // any other name is refused, so a web page cannot reach the service through a name it
    // has pointed at 127.0.0.1 (DNS rebinding).
    std::vector<std::string> server_names;
};

// The HTTP face of the site: maps the routes onto a SiteService and logs one line per
// request to stderr (method, path, status, time; nothing the user asked about).
class SiteServer
{
public:
    SiteServer(SiteService &service, const ServerSettings &settings = {});
    ~SiteServer();
    SiteServer(const SiteServer &) = delete;
    SiteServer &operator=(const SiteServer &) = delete;

    // Binds the listening socket; port 0 picks a free one. The bound port, or -1.
    int bind(const std::string &host, int port);
    // Serves until stop() is called; false when the server could not run.
    bool run();
    // Stops accepting connections and closes those that wait for a request; run() returns
    // once the requests under way have been answered.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace seo
