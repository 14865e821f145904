#include "site/options.h"
#include "site/segmenter.h"
#include "site/server.h"
#include "site/site_service.h"

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <thread>

namespace {

sigset_t stop_signals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

std::string url_host(const std::string &host)
{
    return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

int serve(const seo::Options &options)
{
    const seo::Segmenter segmenter(seo::default_friso_ini());
    seo::SiteSettings settings;
    settings.newest_version = options.newest_version;
    settings.limits.refuse_internal_targets = options.refuse_internal_targets();
    seo::SiteService service(settings, segmenter);
    seo::SiteServer server(service);

    const int port = server.bind(options.listen, options.port);
    if (port < 0) {
        std::cerr << "seo-site: cannot listen on " << options.listen << " port " << options.port << '\n';
        return 1;
    }
    std::cout << "seo-site listening on http://" << url_host(options.listen) << ':' << port << '/'
              << std::endl;

    // Stop signals stay blocked in every thread; this one waits for them and shuts
    // the server down cleanly.
    std::thread waiter([&server] {
        const sigset_t signals = stop_signals();
        int received = 0;
        sigwait(&signals, &received);
        server.stop();
    });
    const bool served = server.run();
    pthread_kill(waiter.native_handle(), SIGTERM); // wakes the waiter if run() failed
    waiter.join();
    return served ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    // A shell starts background jobs with SIGINT ignored, and ignored signals never
    // reach sigwait(): take the default back before blocking them for the waiter.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    const sigset_t signals = stop_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    const auto parsed = seo::parse_options(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto *error = std::get_if<seo::OptionsError>(&parsed)) {
        std::cerr << "seo-site: " << error->message << '\n' << seo::usage();
        return 2;
    }
    try {
        return serve(std::get<seo::Options>(parsed));
    } catch (const std::exception &error) {
        std::cerr << "seo-site: " << error.what() << '\n';
        return 1;
    }
}
