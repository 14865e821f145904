#pragma once

#include "base/percent_encoding.h"

#include <httplib.h>

#include <functional>
#include <string>
#include <thread>

// A web server on 127.0.0.1 with a free port, running in its own thread for the
// lifetime of the object: the target pages the service fetches in tests.
class TargetServer
{
public:
    explicit TargetServer(const std::function<void(httplib::Server &)> &routes);
    ~TargetServer();
    TargetServer(const TargetServer &) = delete;
    TargetServer &operator=(const TargetServer &) = delete;

    int port() const { return port_; }
    std::string url(const std::string &path) const;

private:
    httplib::Server http_;
    int port_ = -1;
    std::thread thread_;
};

// An address on 127.0.0.1 where a server was and no longer is: connections to it fail.
std::string unreachable_url();

// GET a path from a server on 127.0.0.1.
httplib::Result get_local(int port, const std::string &path);

// Query values are sent escaped as the desktop tool sends them.
using seo::percent_encoded;

// `utf8` in another character set, as a page in that encoding would hold it.
std::string encoded(const std::string &utf8, const char *charset);
