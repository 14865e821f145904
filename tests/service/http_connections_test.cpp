// Connections of the HTTP server under slow, idle and crowding clients: a client that
// takes its time costs no worker, and a crowd cannot keep a normal client out.
#include "http/http_connections.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

sockaddr_in ipv4(const char *host, int port = 0)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    ::inet_pton(AF_INET, host, &address.sin_addr);
    return address;
}

// A listening socket on 127.0.0.1 whose connections go to HttpConnections; each request
// is answered "ok" after its head has been read.
struct Server
{
    explicit Server(seo::ConnectionLimits limits)
        : connections(limits, [](httplib::Stream &stream, bool) {
            std::string head;
            char c = 0;
            while (!head.ends_with("\r\n\r\n") && stream.read(&c, 1) == 1)
                head += c;
            const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
            return stream.write(answer.data(), answer.size()) == ssize_t(answer.size());
        })
    {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = ipv4("127.0.0.1");
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr *>(&address), length);
        ::listen(listener, SOMAXCONN);
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
        acceptor = std::thread([this] {
            while (true) {
                const int client = ::accept(listener, nullptr, nullptr);
                if (client < 0)
                    return;
                connections.accept(client);
            }
        });
    }

    ~Server()
    {
        ::shutdown(listener, SHUT_RDWR);
        acceptor.join();
        ::close(listener);
        connections.close_all();
    }

    seo::HttpConnections connections;
    int listener = -1;
    int port = 0;
    std::thread acceptor;
};

// A client socket from `source` (any 127.x.y.z is this machine).
class Client
{
public:
    Client(int port, const char *source = "127.0.0.1")
        : socket_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        const sockaddr_in from = ipv4(source), to = ipv4("127.0.0.1", port);
        ::bind(socket_, reinterpret_cast<const sockaddr *>(&from), sizeof from);
        ::connect(socket_, reinterpret_cast<const sockaddr *>(&to), sizeof to);
    }
    ~Client() { ::close(socket_); }
    Client(const Client &) = delete; // kept in a deque, which never moves them

    void send(const std::string &bytes) const { ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

    // Whether a whole request it sends is answered "ok" within `patience`.
    bool gets_answer(std::chrono::milliseconds patience = 20s) const
    {
        send("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        std::string answer;
        while (!answer.ends_with("\r\n\r\nok") && readable(patience)) {
            char chunk[256];
            const ssize_t got = ::recv(socket_, chunk, sizeof chunk, 0);
            if (got <= 0)
                break;
            answer.append(chunk, std::size_t(got));
        }
        return answer.starts_with("HTTP/1.1 200 OK") && answer.ends_with("ok");
    }

    // Whether the server closes the connection (or never took it) within `patience`.
    bool closed_within(std::chrono::milliseconds patience) const
    {
        char byte = 0;
        return readable(patience) && ::recv(socket_, &byte, 1, 0) <= 0;
    }

private:
    bool readable(std::chrono::milliseconds patience) const
    {
        pollfd ready{socket_, POLLIN, 0};
        return ::poll(&ready, 1, int(patience.count())) > 0;
    }

    int socket_;
};

// Waits for a state the server reaches on its own threads.
template<typename Condition>
bool eventually(Condition condition)
{
    for (int i = 0; i < 2000 && !condition(); ++i)
        std::this_thread::sleep_for(5ms);
    return condition();
}

TEST(HttpConnections, ClientsThatSendSlowlyHoldNoWorker)
{
    const Server server({.max_workers = 2});
    std::deque<Client> slow;
    for (int i = 0; i < 300; ++i) {
        slow.emplace_back(server.port);
        slow.back().send("GET / HTTP/1.1\r\nHo"); // and nothing more
    }
    ASSERT_TRUE(eventually([&] { return server.connections.open() == 300; }));
    EXPECT_TRUE(Client(server.port).gets_answer());
    EXPECT_TRUE(eventually([&] { return server.connections.serving() == 0; }));
}

TEST(HttpConnections, RequestsMustComeWithinTheirDeadline)
{
    const Server server({.head_deadline = 300ms});
    const Client silent(server.port);
    const Client trickling(server.port);
    trickling.send("GET / HTTP/1.1\r\n");
    const Client kept(server.port);
    ASSERT_TRUE(kept.gets_answer());
    EXPECT_TRUE(silent.closed_within(10s));
    EXPECT_TRUE(trickling.closed_within(10s));
    EXPECT_TRUE(kept.closed_within(10s)); // kept open after its answer, but not for ever
}

TEST(HttpConnections, OneClientAddressHoldsItsShareOnly)
{
    // Held to it on loopback too: these clients differ by their 127.x addresses.
    const Server server({.max_per_peer = 3, .cap_loopback_peers = true});
    std::deque<Client> crowd;
    for (int i = 0; i < 3; ++i)
        crowd.emplace_back(server.port, "127.0.0.2");
    ASSERT_TRUE(eventually([&] { return server.connections.open() == 3; }));
    const Client one_too_many(server.port, "127.0.0.2");
    EXPECT_TRUE(one_too_many.closed_within(10s));
    EXPECT_TRUE(Client(server.port, "127.0.0.3").gets_answer());
    EXPECT_FALSE(crowd.front().closed_within(0ms));

    // Loopback clients share one address, and are not held to it unless told.
    const Server local({.max_per_peer = 3});
    std::deque<Client> tools;
    for (int i = 0; i < 5; ++i)
        tools.emplace_back(local.port);
    EXPECT_TRUE(tools.back().gets_answer());
}

TEST(HttpConnections, IdleConnectionsAreClosedFirstWhenConnectionsRunShort)
{
    const Server server({.max_connections = 3});
    const Client idle(server.port);
    ASSERT_TRUE(idle.gets_answer());
    const Client slow1(server.port), slow2(server.port);
    slow1.send("GET / HT");
    slow2.send("GET / HT");
    ASSERT_TRUE(eventually([&] { return server.connections.waiting() == 3; }));
    const Client newcomer(server.port);
    EXPECT_TRUE(idle.closed_within(10s));
    EXPECT_TRUE(newcomer.gets_answer());
    EXPECT_FALSE(slow1.closed_within(0ms));
    EXPECT_FALSE(slow2.closed_within(0ms));
}

TEST(HttpConnections, WithNoneIdleTheOldestRequestStillComingGivesWay)
{
    const Server server({.max_connections = 2});
    const Client slow1(server.port), slow2(server.port);
    slow1.send("GET / HT");
    ASSERT_TRUE(eventually([&] { return server.connections.waiting() == 2; }));
    slow2.send("GET / HT");
    const Client newcomer(server.port);
    EXPECT_TRUE(newcomer.gets_answer());
    EXPECT_TRUE(slow1.closed_within(10s));
    EXPECT_FALSE(slow2.closed_within(0ms));
}

} // namespace
