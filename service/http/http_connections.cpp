#include "http/http_connections.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <iterator>
#include <list>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <vector>

namespace seo {
namespace {

using Clock = std::chrono::steady_clock;

// One client's connection, held by the head gatherer or by the worker serving it.
struct Connection
{
    int socket = -1;
    std::string peer; // the client's address
    int peer_port = 0;
    std::string buffer; // read and not yet taken by the HTTP library, from `taken` on
    std::size_t taken = 0;
    std::size_t scanned = 0; // of the buffer, for the end of a head
    std::size_t served = 0; // requests
    bool kept = false; // answered, and no byte of its next request yet
    Clock::time_point deadline;
    std::list<Connection *>::iterator age; // while gathered

    std::string_view unread() const { return std::string_view(buffer).substr(taken); }
    void drop_taken()
    {
        buffer.erase(0, taken);
        scanned -= std::min(scanned, taken);
        taken = 0;
    }
};

// Waits until the socket is ready for `events`; false on a time-out or an error.
bool wait_for(int socket, short events, std::chrono::milliseconds timeout)
{
    pollfd ready{socket, events, 0};
    int result = 0;
    do
        result = ::poll(&ready, 1, int(timeout.count()));
    while (result < 0 && errno == EINTR);
    return result > 0 && (ready.revents & (events | POLLHUP | POLLERR));
}

// A connection as the HTTP library reads and writes it: what the gatherer has read
// first, then the socket, each wait bounded by the time-out.
class SocketStream : public httplib::Stream
{
public:
    SocketStream(Connection &connection, std::chrono::milliseconds timeout)
        : connection_(connection)
        , timeout_(timeout)
    {}

    bool is_readable() const override
    {
        return !connection_.unread().empty() || wait_for(connection_.socket, POLLIN, timeout_);
    }
    bool is_writable() const override { return wait_for(connection_.socket, POLLOUT, timeout_); }

    ssize_t read(char *ptr, size_t size) override
    {
        if (connection_.unread().empty()) {
            connection_.buffer.clear();
            connection_.taken = connection_.scanned = 0;
            if (!wait_for(connection_.socket, POLLIN, timeout_))
                return -1;
            char chunk[4096];
            const ssize_t got = ::recv(connection_.socket, chunk, sizeof chunk, MSG_DONTWAIT);
            if (got <= 0)
                return got;
            connection_.buffer.assign(chunk, std::size_t(got));
        }
        const std::size_t given = std::min(size, connection_.unread().size());
        std::memcpy(ptr, connection_.unread().data(), given);
        connection_.taken += given;
        return ssize_t(given);
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        while (true) {
            const ssize_t sent = ::send(connection_.socket, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent >= 0)
                return sent;
            if ((errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                || !wait_for(connection_.socket, POLLOUT, timeout_))
                return -1;
        }
    }

    void get_remote_ip_and_port(std::string &ip, int &port) const override
    {
        ip = connection_.peer;
        port = connection_.peer_port;
    }

    void get_local_ip_and_port(std::string &ip, int &port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(connection_.socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            ip = address_text(address, port);
    }

    socket_t socket() const override { return connection_.socket; }

    static std::string address_text(const sockaddr_storage &address, int &port)
    {
        char text[INET6_ADDRSTRLEN] = {};
        if (address.ss_family == AF_INET) {
            const auto &v4 = reinterpret_cast<const sockaddr_in &>(address);
            ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
            port = ntohs(v4.sin_port);
        } else if (address.ss_family == AF_INET6) {
            const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(address);
            ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
            port = ntohs(v6.sin6_port);
        }
        return text;
    }

private:
    Connection &connection_;
    std::chrono::milliseconds timeout_;
};

bool is_loopback(const sockaddr_storage &address)
{
    if (address.ss_family == AF_INET)
        return (ntohl(reinterpret_cast<const sockaddr_in &>(address).sin_addr.s_addr) >> 24) == 127;
    if (address.ss_family == AF_INET6) {
        const in6_addr &v6 = reinterpret_cast<const sockaddr_in6 &>(address).sin6_addr;
        return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    }
    return false;
}

// Whether the unread bytes hold a whole request head (up to its empty line).
bool head_complete(Connection &connection)
{
    const std::string_view unread = connection.unread();
    const std::size_t from = connection.scanned > 3 ? connection.scanned - 3 : 0;
    const bool complete = unread.find("\r\n\r\n", from) != std::string_view::npos
        || unread.find("\n\n", from) != std::string_view::npos;
    connection.scanned = unread.size();
    return complete;
}

} // namespace

struct HttpConnections::Impl
{
    Impl(ConnectionLimits limits, Serve serve)
        : limits(limits)
        , serve(std::move(serve))
        , epoll(::epoll_create1(EPOLL_CLOEXEC))
        , wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
        if (epoll < 0 || wake < 0)
            throw std::runtime_error("cannot watch connections");
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.ptr = nullptr; // the wake-up
        ::epoll_ctl(epoll, EPOLL_CTL_ADD, wake, &event);
        gatherer = std::thread([this] { gather(); });
    }

    ~Impl()
    {
        stop();
        ::close(epoll);
        ::close(wake);
    }

    // ---- all threads ----

    void accept(int socket)
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        if (::getpeername(socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            connection->peer = SocketStream::address_text(address, connection->peer_port);
        ::fcntl(socket, F_SETFL, ::fcntl(socket, F_GETFL) | O_NONBLOCK);
        const int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        {
            const std::lock_guard lock(mutex);
            std::size_t &held = by_peer[connection->peer];
            const bool capped = limits.cap_loopback_peers || !is_loopback(address);
            if (stopping || (capped && held >= limits.max_per_peer)) {
                if (held == 0)
                    by_peer.erase(connection->peer);
                ::close(socket);
                return;
            }
            ++held;
            ++open;
            inbox.push_back(std::move(connection));
        }
        wake_gatherer();
    }

    void close_connection(std::unique_ptr<Connection> connection)
    {
        ::shutdown(connection->socket, SHUT_RDWR);
        ::close(connection->socket);
        const std::lock_guard lock(mutex);
        if (--by_peer[connection->peer] == 0)
            by_peer.erase(connection->peer);
        --open;
    }

    void wake_gatherer()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake, &one, sizeof one);
    }

    void stop()
    {
        {
            const std::lock_guard lock(mutex);
            if (stopped)
                return;
            stopping = true;
            stopped = true;
            work_ready.notify_all();
        }
        wake_gatherer();
        gatherer.join();
        std::list<std::thread> ending;
        {
            const std::lock_guard lock(mutex);
            ending.swap(workers);
        }
        for (std::thread &worker : ending)
            worker.join();
        // Connections handed back after the gatherer ended, or left waiting for a worker.
        std::deque<std::unique_ptr<Connection>> left;
        {
            const std::lock_guard lock(mutex);
            left.swap(inbox);
            std::move(ready.begin(), ready.end(), std::back_inserter(left));
            ready.clear();
        }
        for (std::unique_ptr<Connection> &connection : left)
            close_connection(std::move(connection));
    }

    // ---- the gatherer ----

    void gather()
    {
        std::vector<epoll_event> events(64);
        while (true) {
            int timeout = -1;
            if (!ages.empty()) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(ages.front()->deadline - Clock::now());
                timeout = int(std::clamp<std::int64_t>(left.count(), 0, 60'000));
            }
            const int ready = ::epoll_wait(epoll, events.data(), int(events.size()), timeout);
            for (int i = 0; i < ready; ++i) {
                if (events[std::size_t(i)].data.ptr == nullptr) {
                    std::uint64_t count = 0;
                    [[maybe_unused]] const ssize_t read = ::read(wake, &count, sizeof count);
                } else {
                    read_from(*static_cast<Connection *>(events[std::size_t(i)].data.ptr));
                }
            }
            {
                const std::lock_guard lock(mutex);
                if (stopping)
                    break;
            }
            take_inbox();
            const Clock::time_point now = Clock::now();
            while (!ages.empty() && ages.front()->deadline <= now)
                drop(*ages.front());
        }
        while (!gathered.empty())
            drop(*gathered.begin()->second);
    }

    void take_inbox()
    {
        std::deque<std::unique_ptr<Connection>> arrived;
        std::size_t over = 0;
        {
            const std::lock_guard lock(mutex);
            arrived.swap(inbox);
            over = open > limits.max_connections ? open - limits.max_connections : 0;
        }
        for (std::unique_ptr<Connection> &connection : arrived) {
            Connection &held = *connection;
            held.deadline = Clock::now() + limits.head_deadline;
            held.kept = held.served > 0 && held.unread().empty();
            ages.push_back(&held);
            held.age = std::prev(ages.end());
            gathered.emplace(held.socket, std::move(connection));
            epoll_event event{};
            event.events = EPOLLIN | EPOLLRDHUP;
            event.data.ptr = &held;
            ::epoll_ctl(epoll, EPOLL_CTL_ADD, held.socket, &event);
            // Answered and kept open with the next request already read.
            if (!held.unread().empty() && head_complete(held))
                dispatch(held);
        }
        for (; over > 0 && !gathered.empty(); --over)
            drop(oldest_to_close());
    }

    // The connection kept open longest after an answer, else the one whose request has
    // been longest coming.
    Connection &oldest_to_close()
    {
        const auto kept = std::find_if(ages.begin(), ages.end(), [](const Connection *c) { return c->kept; });
        return kept != ages.end() ? **kept : *ages.front();
    }

    void read_from(Connection &connection)
    {
        char chunk[16 * 1024];
        while (true) {
            const ssize_t got = ::recv(connection.socket, chunk, sizeof chunk, MSG_DONTWAIT);
            if (got > 0) {
                connection.buffer.append(chunk, std::size_t(got));
                connection.kept = false;
                if (connection.unread().size() >= limits.max_head_bytes)
                    break;
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            if (got < 0 && errno == EINTR)
                continue;
            drop(connection); // closed by the client, or broken
            return;
        }
        if (head_complete(connection) || connection.unread().size() >= limits.max_head_bytes)
            dispatch(connection);
    }

    std::unique_ptr<Connection> release(Connection &connection)
    {
        ::epoll_ctl(epoll, EPOLL_CTL_DEL, connection.socket, nullptr);
        ages.erase(connection.age);
        const auto found = gathered.find(connection.socket);
        std::unique_ptr<Connection> owned = std::move(found->second);
        gathered.erase(found);
        return owned;
    }

    void drop(Connection &connection) { close_connection(release(connection)); }

    void dispatch(Connection &connection)
    {
        std::unique_ptr<Connection> owned = release(connection);
        const std::lock_guard lock(mutex);
        join_finished();
        ready.push_back(std::move(owned));
        if (idle_workers < ready.size() && workers.size() < limits.max_workers)
            workers.emplace_back([this] { work(); });
        work_ready.notify_one();
    }

    // ---- the workers ----

    void work()
    {
        std::unique_lock lock(mutex);
        while (true) {
            ++idle_workers;
            work_ready.wait_for(lock, limits.idle_worker_time, [this] { return stopping || !ready.empty(); });
            --idle_workers;
            if (stopping || ready.empty())
                break; // idle for too long, or what waits is closed by stop()
            std::unique_ptr<Connection> connection = std::move(ready.front());
            ready.pop_front();
            ++busy;
            lock.unlock();
            serve_one(std::move(connection));
            lock.lock();
            --busy;
        }
        // Joined by the next dispatch or by stop(): by then this thread has let go of the
        // lock, which is all it still does.
        finished.push_back(std::this_thread::get_id());
    }

    void serve_one(std::unique_ptr<Connection> connection)
    {
        SocketStream stream(*connection, limits.io_timeout);
        const bool last = ++connection->served >= limits.max_requests_per_connection;
        bool keep = false;
        try {
            keep = serve(stream, last) && !last;
        } catch (...) {
            keep = false; // the server answers what it can; a connection it could not is closed
        }
        {
            const std::lock_guard lock(mutex);
            keep = keep && !stopping;
            if (keep) {
                connection->drop_taken();
                inbox.push_back(std::move(connection));
            }
        }
        if (keep)
            wake_gatherer();
        else
            close_connection(std::move(connection));
    }

    // With the lock held.
    void join_finished()
    {
        for (const std::thread::id id : finished) {
            const auto worker = std::find_if(workers.begin(), workers.end(),
                                             [id](const std::thread &t) { return t.get_id() == id; });
            if (worker != workers.end()) {
                worker->join();
                workers.erase(worker);
            }
        }
        finished.clear();
    }

    const ConnectionLimits limits;
    const Serve serve;
    const int epoll;
    const int wake;

    // The gatherer's own.
    std::unordered_map<int, std::unique_ptr<Connection>> gathered; // by socket
    std::list<Connection *> ages; // gathered, by deadline

    mutable std::mutex mutex;
    std::condition_variable work_ready;
    std::deque<std::unique_ptr<Connection>> inbox; // for the gatherer: accepted, or answered and kept
    std::deque<std::unique_ptr<Connection>> ready; // heads come whole, for a worker
    std::unordered_map<std::string, std::size_t> by_peer;
    std::size_t open = 0;
    std::size_t busy = 0;
    std::size_t idle_workers = 0;
    std::list<std::thread> workers;
    std::vector<std::thread::id> finished;
    bool stopping = false;
    bool stopped = false;
    std::thread gatherer;
};

HttpConnections::HttpConnections(ConnectionLimits limits, Serve serve)
    : impl_(std::make_unique<Impl>(limits, std::move(serve)))
{}

HttpConnections::~HttpConnections() = default;

void HttpConnections::accept(int socket)
{
    impl_->accept(socket);
}

void HttpConnections::close_all()
{
    impl_->stop();
}

std::size_t HttpConnections::open() const
{
    const std::lock_guard lock(impl_->mutex);
    return impl_->open;
}

std::size_t HttpConnections::serving() const
{
    const std::lock_guard lock(impl_->mutex);
    return impl_->busy;
}

std::size_t HttpConnections::waiting() const
{
    const std::lock_guard lock(impl_->mutex);
    return impl_->open - impl_->busy - impl_->ready.size();
}

} // namespace seo
