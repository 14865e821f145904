// Clients that trickle their requests must not shut out the others.
#include "running_site.h"
#include "target_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

int connect_local(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(SlowClientsTest, TricklingClientsDoNotBlockOthers)
{
    RunningSite site;
    // Far more than a small worker pool, each sending a byte of its request line every
    // 200 ms: never a read time-out, never a complete request.
    constexpr int kSlowClients = 40;
    std::vector<int> slow;
    for (int i = 0; i < kSlowClients; ++i) {
        const int fd = connect_local(site.port());
        ASSERT_GE(fd, 0);
        slow.push_back(fd);
    }
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        const std::string request = "GET /veltro/shenji.txt HTTP/1.1\r\nHost: x\r\n";
        for (std::size_t i = 0; !done; i = (i + 1) % request.size()) {
            for (const int fd : slow)
                (void)send(fd, &request[i], 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(200ms);
        }
    });
    std::this_thread::sleep_for(500ms);  // every slow client is now being read

    const auto start = std::chrono::steady_clock::now();
    const auto result = get_local(site.port(), "/veltro/shenji.txt");
    const auto waited = std::chrono::steady_clock::now() - start;
    done = true;
    trickle.join();
    for (const int fd : slow)
        close(fd);

    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->body, "9.1\r\n");
    EXPECT_LT(waited, 1s);
}

}  // namespace
