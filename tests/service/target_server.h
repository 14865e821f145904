#pragma once

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

// GET a path from a server on 127.0.0.1.
httplib::Result get_local(int port, const std::string &path);

// `text` with every byte outside A-Z a-z 0-9 - . _ ~ written as %XX, as the desktop
// tool sends query values.
std::string percent_encoded(const std::string &text);

// `utf8` in another character set, as a page in that encoding would hold it.
std::string encoded(const std::string &utf8, const char *charset);
