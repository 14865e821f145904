#include "http/options.h"

#include "base/number_text.h"
#include "fetch/address_policy.h"

namespace seo {

bool Options::refuse_internal_targets() const
{
    // A name it is served under means other machines reach it, through a proxy on this one.
    return !allow_private_targets && (!is_loopback_listen_address(listen) || !server_names.empty());
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
        if (name != "--listen" && name != "--port" && name != "--newest-version" && name != "--cache-seconds"
            && name != "--server-name" && name != "--data" && name != "--store")
            return OptionsError{"unknown option " + name};
        if (i + 1 == arguments.size() || arguments[i + 1].empty())
            return OptionsError{name + " needs a value"};
        const std::string &value = arguments[++i];
        if (name == "--listen") {
            options.listen = value;
        } else if (name == "--data") {
            options.data = value;
        } else if (name == "--store") {
            options.store = value;
        } else if (name == "--server-name") {
            options.server_names.push_back(value);
        } else if (name == "--newest-version") {
            options.newest_version = value;
        } else if (name == "--port") {
            if (!number_in(value, 0, 65535, options.port))
                return OptionsError{"--port needs a number from 0 to 65535"};
        } else if (!number_in(value, 0, 86400, options.cache_seconds)) {
            return OptionsError{"--cache-seconds needs a number from 0 to 86400"};
        }
    }
    return options;
}

std::string usage()
{
    return "usage: seo-site [--listen ADDR] [--port N] [--newest-version V] [--cache-seconds N] "
           "[--allow-private-targets] [--server-name NAME]... [--data DIR | --store STORE]\n"
           "       seo-site crawl ... (seo-site crawl alone tells how)\n";
}

} // namespace seo
