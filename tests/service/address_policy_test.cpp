#include "fetch/address_policy.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <string>

namespace {

bool internal(const std::string &text)
{
    sockaddr_in v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        return seo::is_internal_address(reinterpret_cast<const sockaddr *>(&v4));
    }
    sockaddr_in6 v6{};
    EXPECT_EQ(inet_pton(AF_INET6, text.c_str(), &v6.sin6_addr), 1) << text;
    v6.sin6_family = AF_INET6;
    return seo::is_internal_address(reinterpret_cast<const sockaddr *>(&v6));
}

TEST(AddressPolicy, RefusesInternalTargetsAtTheirEdges)
{
    for (const char *address :
         {"127.8.9.10", "10.1.2.3", "172.16.0.1", "172.31.255.255", "192.168.1.1", "169.254.169.254",
          "100.64.0.1", "0.0.0.0", "224.0.0.1", "::1", "::", "fe80::1", "fd00::1", "::ffff:127.0.0.1",
          "::ffff:192.168.0.1",
          // NAT64 and 6to4 addresses that lead to private IPv4 addresses
          "64:ff9b::7f00:1", "64:ff9b::a00:1", "2002:7f00:1::1", "2002:c0a8:101::", "64:ff9b:1::808:808"})
        EXPECT_TRUE(internal(address)) << address;
    for (const char *address : {"8.8.8.8", "172.32.0.1", "192.169.0.1", "100.128.0.1", "2001:4860:4860::8888",
                                "::ffff:8.8.8.8", "64:ff9b::808:808", "2002:808:808::1"})
        EXPECT_FALSE(internal(address)) << address;
}

TEST(AddressPolicy, KnowsLoopbackListenAddresses)
{
    for (const char *address : {"127.0.0.1", "localhost", "::1"})
        EXPECT_TRUE(seo::is_loopback_listen_address(address)) << address;
    for (const char *address : {"0.0.0.0", "::", "192.168.1.10"})
        EXPECT_FALSE(seo::is_loopback_listen_address(address)) << address;
}

} // namespace
