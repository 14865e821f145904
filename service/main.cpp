#include "crawl_command.h"
#include "http/options.h"
#include "http/server.h"
#include "http/site_service.h"
#include "words/language.h"

#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <iostream>
#include <thread>

namespace {

// How long the requests under way may take to end once the service is told to stop;
// their fetches are aborted at once, so this is only ever reached by a stuck client.
constexpr std::chrono::milliseconds kStopGrace{300};

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

// Large blocks (page bodies, texts, the parser's arenas) go straight back to the system
// when freed, and few heaps are kept, so memory the service no longer uses is given back
// rather than held for the next burst.
void tune_memory_release()
{
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_ARENA_MAX, 4);
}

// Every client connection and every fetch takes a file descriptor; a service that lets
// a thousand slow clients wait needs more than the usual soft limit of 1024.
void raise_open_file_limit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int serve(const seo::Options &options)
{
    // The lexicon takes a while to read: it is read meanwhile, and requests that need it
    // wait for it.
    const seo::LanguageLoader language;
    seo::SiteSettings settings;
    settings.newest_version = options.newest_version;
    settings.reports.limits.refuse_internal_targets = options.refuse_internal_targets();
    settings.reports.cache.time_to_live = std::chrono::seconds(options.cache_seconds);
    settings.crawl_store = seo::store_location(options.store, options.data);
    seo::SiteService service(settings, language);
    seo::ServerSettings server_settings;
    server_settings.server_names = options.server_names;
    seo::SiteServer server(service, server_settings);

    const int port = server.bind(options.listen, options.port);
    if (port < 0) {
        std::cerr << "seo-site: cannot listen on " << options.listen << " port " << options.port << std::endl;
        // At once: leaving by the destructors would wait for the lexicon being read, and
        // the tool that starts the service again is waiting for the reason.
        _exit(1);
    }
    std::cout << "seo-site listening on http://" << url_host(options.listen) << ':' << port << '/'
              << std::endl;

    // Stop signals stay blocked in every thread; this one waits for them, aborts the
    // fetches under way and stops the server. Should the requests under way not end in
    // time, the process ends anyway: it keeps nothing that needs saving.
    std::thread waiter([&server, &service] {
        const sigset_t signals = stop_signals();
        int received = 0;
        sigwait(&signals, &received);
        service.stop();
        server.stop();
        std::this_thread::sleep_for(kStopGrace);
        _exit(0);
    });
    const bool served = server.run();
    if (!served) {
        std::cerr << "seo-site: cannot serve\n";
        _exit(1);
    }
    _exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    tune_memory_release();
    raise_open_file_limit();
    // A shell starts background jobs with SIGINT ignored, and ignored signals never
    // reach sigwait(): take the default back before blocking them for the waiter.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    const sigset_t signals = stop_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && arguments.front() == "crawl")
        return run_crawl_command({arguments.begin() + 1, arguments.end()});
    const auto parsed = seo::parse_options(arguments);
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
