#pragma once

#include <string>
#include <variant>
#include <vector>

namespace seo {

struct Options
{
    std::string listen = "127.0.0.1";
    int port = 8080; // 0: any free port
    std::string newest_version = "9.1";
    bool allow_private_targets = false;

    // Internal targets are refused once the service can be reached from other machines.
    bool refuse_internal_targets() const;
};

struct OptionsError
{
    std::string message;
};

std::variant<Options, OptionsError> parse_options(const std::vector<std::string> &arguments);

std::string usage();

} // namespace seo
