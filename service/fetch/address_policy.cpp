#include "fetch/address_policy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace seo {
namespace {

bool is_internal_v4(uint32_t host_order)
{
    const auto in = [host_order](uint32_t network, int prefix) {
        const uint32_t mask = prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix);
        return (host_order & mask) == network;
    };
    return in(0x00000000, 8) // "this network", 0.0.0.0
        || in(0x0A000000, 8) // 10/8
        || in(0x64400000, 10) // 100.64/10 carrier-grade NAT
        || in(0x7F000000, 8) // loopback
        || in(0xA9FE0000, 16) // link-local
        || in(0xAC100000, 12) // 172.16/12
        || in(0xC0A80000, 16) // 192.168/16
        || in(0xE0000000, 4) // multicast
        || in(0xF0000000, 4); // reserved and broadcast
}

// The IPv4 address at `offset` of an IPv6 address, in host order.
uint32_t embedded_v4(const uint8_t *bytes, std::size_t offset)
{
    uint32_t v4 = 0;
    std::memcpy(&v4, bytes + offset, sizeof v4);
    return ntohl(v4);
}

bool is_internal_v6(const in6_addr &address)
{
    const uint8_t *b = address.s6_addr;
    // Addresses that carry an IPv4 address reach that address: mapped and compatible
    // ones, NAT64 (64:ff9b::/96, and 64:ff9b:1::/48 for local translators, whose
    // embedding is chosen locally: refused whole) and 6to4 (2002::/16).
    if (IN6_IS_ADDR_V4MAPPED(&address) || IN6_IS_ADDR_V4COMPAT(&address))
        return is_internal_v4(embedded_v4(b, 12));
    static constexpr uint8_t kNat64[12] = {0x00, 0x64, 0xff, 0x9b};
    static constexpr uint8_t kLocalNat64[6] = {0x00, 0x64, 0xff, 0x9b, 0x00, 0x01};
    if (std::memcmp(b, kNat64, sizeof kNat64) == 0)
        return is_internal_v4(embedded_v4(b, 12));
    if (std::memcmp(b, kLocalNat64, sizeof kLocalNat64) == 0)
        return true;
    if (b[0] == 0x20 && b[1] == 0x02)
        return is_internal_v4(embedded_v4(b, 2));
    return IN6_ARE_ADDR_EQUAL(&address, &in6addr_any) || IN6_IS_ADDR_LOOPBACK(&address)
        || IN6_IS_ADDR_LINKLOCAL(&address) || IN6_IS_ADDR_SITELOCAL(&address)
        || IN6_IS_ADDR_MULTICAST(&address) || (b[0] & 0xFE) == 0xFC; // fc00::/7 unique local
}

} // namespace

bool is_internal_address(const sockaddr *address)
{
    if (address->sa_family == AF_INET) {
        sockaddr_in v4{};
        std::memcpy(&v4, address, sizeof v4);
        return is_internal_v4(ntohl(v4.sin_addr.s_addr));
    }
    if (address->sa_family == AF_INET6) {
        sockaddr_in6 v6{};
        std::memcpy(&v6, address, sizeof v6);
        return is_internal_v6(v6.sin6_addr);
    }
    return true; // no other family is a web target
}

bool is_loopback_listen_address(std::string_view host)
{
    if (host == "localhost")
        return true;
    const std::string text(host);
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, text.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

} // namespace seo
