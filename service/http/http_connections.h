#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

namespace httplib {
class Stream;
}

namespace seo {

struct ConnectionLimits
{
    // Requests served at once, each on a worker thread of its own.
    std::size_t max_workers = 256;
    // A worker without a request for this long ends.
    std::chrono::seconds idle_worker_time{10};
    // Open connections; past it the idle ones are closed first, then the oldest.
    std::size_t max_connections = 4096;
    // Connections of one client address at once; more are closed on arrival. Loopback
    // clients (the desktop tool, a browser on this machine, a proxy in front) share one
    // address, so they are not held to it unless told.
    std::size_t max_per_peer = 64;
    bool cap_loopback_peers = false;
    // From a connection's turn to send a request to the end of the request's head: a new
    // connection, or one that has been answered and is kept open.
    std::chrono::milliseconds head_deadline{10'000};
    // A head larger than this is handed on as it is, for the HTTP library to refuse.
    std::size_t max_head_bytes = 16 * 1024;
    // Per read or write of a worker, which only waits for a client that stops reading.
    std::chrono::milliseconds io_timeout{5000};
    std::size_t max_requests_per_connection = 100;
};

// The open connections of the HTTP server. A connection holds no thread while its client
// sends a request: one thread gathers request heads for all of them, and only a
// connection whose head has come whole gets a worker, which serves that one request and
// hands the connection back. So slow or idle clients, however many, cost a socket and a
// few kilobytes each, never a worker: a head must come within its deadline, one client
// address holds at most its share of connections, and when connections run short the
// idle ones are closed first.
class HttpConnections
{
public:
    // Serves the one request whose head `stream` begins with; `last` says the connection
    // closes after it. Whether the connection may be kept open for another.
    using Serve = std::function<bool(httplib::Stream &stream, bool last)>;

    HttpConnections(ConnectionLimits limits, Serve serve);
    ~HttpConnections();
    HttpConnections(const HttpConnections &) = delete;
    HttpConnections &operator=(const HttpConnections &) = delete;

    // Takes an accepted socket, closing it at once when its client holds its share.
    void accept(int socket);
    // Closes every connection that waits for a request, and each other one once its
    // request has been answered; returns when every worker has ended.
    void close_all();

    // Connections open, those whose request a worker serves, and those that wait for a
    // request: for tests.
    std::size_t open() const;
    std::size_t serving() const;
    std::size_t waiting() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace seo
