#pragma once

#include <string_view>

struct sockaddr;

namespace seo {

// Loopback, private, link-local, shared (carrier NAT), any-address and multicast
// addresses: targets a publicly reachable service must not be made to fetch.
bool is_internal_address(const sockaddr *address);

// Whether a listen address keeps the service on this machine only.
bool is_loopback_listen_address(std::string_view host);

} // namespace seo
