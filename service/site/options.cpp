#include "site/options.h"

#include "site/address_policy.h"

#include <charconv>

namespace seo {

bool Options::refuse_internal_targets() const
{
    return !allow_private_targets && !is_loopback_listen_address(listen);
}

std::variant<Options, OptionsError> parse_options(const std::vector<std::string> &arguments)
{
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &name = arguments[i];
        if (name == "--allow-private-targets") {
            options.allow_private_targets = true;
            continue;
        }
        if (name != "--listen" && name != "--port" && name != "--newest-version")
            return OptionsError{"unknown option " + name};
        if (i + 1 == arguments.size() || arguments[i + 1].empty())
            return OptionsError{name + " needs a value"};
        const std::string &value = arguments[++i];
        if (name == "--listen") {
            options.listen = value;
        } else if (name == "--newest-version") {
            options.newest_version = value;
        } else {
            const char *end = value.data() + value.size();
            const auto [stop, error] = std::from_chars(value.data(), end, options.port);
            if (error != std::errc() || stop != end || options.port < 0 || options.port > 65535)
                return OptionsError{"--port needs a number from 0 to 65535"};
        }
    }
    return options;
}

std::string usage()
{
    return "usage: seo-site [--listen ADDR] [--port N] [--newest-version V] "
           "[--allow-private-targets]\n";
}

} // namespace seo
