#pragma once

#include "http/server.h"
#include "http/site_service.h"

#include <thread>

// The whole site, served on 127.0.0.1 with a free port for the lifetime of the object.
class RunningSite
{
public:
    explicit RunningSite(seo::SiteSettings settings = {}, seo::ServerSettings server = {});
    ~RunningSite();
    RunningSite(const RunningSite &) = delete;
    RunningSite &operator=(const RunningSite &) = delete;

    int port() const { return port_; }

private:
    seo::SiteService service_;
    seo::SiteServer server_;
    int port_;
    std::thread thread_;
};
