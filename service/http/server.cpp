#include "http/server.h"

#include "base/ascii.h"
#include "render/audit_pages.h"
#include "render/crawl_pages.h"

#include <contract/site_contract.h>
#include <httplib.h>

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

namespace seo {
namespace {

using Clock = std::chrono::steady_clock;

// The request this thread answers: when it came, for the access log; whether the service
// has answered it (or the HTTP library's own error answer must be filled in); whether the
// connection must close after it, as the body of a refused request is left unread.
struct RequestState
{
    Clock::time_point start;
    bool answered = false;
    bool close = false;
};
thread_local RequestState t_request;

// Answers go out uncompressed: given body text, the HTTP library compresses it with
// brotli at its highest quality whenever the client accepts that (Qt does), which costs
// some 180 ms for a 100 KB spider view. A body handed over by a provider of known length
// is sent as it is. The provider keeps the answer, and the memory counted for it,
// until the answer has gone out.
void send(httplib::Response &response, Answer answer)
{
    t_request.answered = true;
    response.status = answer.status;
    for (const auto &[name, value] : answer.headers)
        response.set_header(name.c_str(), value.c_str());
    if (answer.body.empty()) { // the library never ends a provided body of no bytes
        response.set_content(std::string(), answer.content_type);
        return;
    }
    auto shared = std::make_shared<const Answer>(std::move(answer));
    const std::size_t size = shared->body.size();
    const std::string content_type = shared->content_type;
    response.set_content_provider(
        size, content_type.c_str(),
        [shared = std::move(shared)](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
            return sink.write(shared->body.data() + offset, length);
        });
}

// A route pattern for a fixed path: the library takes patterns as regular expressions.
std::string exactly(std::string_view path)
{
    std::string pattern;
    for (const char c : path) {
        if (c == '.')
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

bool for_scripts(const httplib::Request &request)
{
    return request.path.starts_with("/api/");
}

// The name a Host header gives, in lower case and without its port: "LocalHost:8080"
// is localhost, "[::1]:80" is [::1].
std::string host_name(std::string_view host)
{
    const std::size_t colon = host.rfind(':');
    if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos)
        host = host.substr(0, colon);
    return ascii_lower(host);
}

bool starts_crawls(std::string_view path)
{
    return path == crawl_routes::kCrawlsPath || path == crawl_routes::kCrawlsApiPath;
}

// A form sent by a browser from the site's own pages, or a script's request, which
// names no origin. Another site's page could otherwise have its visitors' browsers start
// crawls of whatever the service can reach. Browsers say where a request comes from in
// Sec-Fetch-Site; older ones only in Origin, which is "null" under the site's
// no-referrer policy, so that is refused too.
bool same_origin(const httplib::Request &request)
{
    if (request.has_header("Sec-Fetch-Site")) {
        const std::string site = request.get_header_value("Sec-Fetch-Site");
        return site == "same-origin" || site == "none";
    }
    if (!request.has_header("Origin"))
        return true;
    return ascii_lower(request.get_header_value("Origin"))
        == "http://" + ascii_lower(request.get_header_value("Host"));
}

// Browsers are told to run nothing, send forms only here, never frame the pages, sniff
// no types and send no referrer onwards: pages show texts from any web page.
httplib::Headers hardening_headers()
{
    return {
        {"Content-Security-Policy",
         "default-src 'none'; style-src 'unsafe-inline'; img-src 'self' data:; "
         "form-action 'self'; frame-ancestors 'none'; base-uri 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"X-Frame-Options", "DENY"},
    };
}

// The HTTP library's server with connections of our own: it accepts, and hands each
// connection over at once; HttpConnections reads each request head without holding a
// thread and has the library answer it on a worker.
class HttpServer : public httplib::Server
{
public:
    explicit HttpServer(const ConnectionLimits &limits)
        : connections_(limits, [this](httplib::Stream &stream, bool last) { return serve(stream, last); })
    {
        new_task_queue = [this] { return new Handover(connections_); };
    }

    // The library listens with a backlog of 5: a burst of clients would wait for the
    // kernel to retry their connections.
    void deepen_backlog() { ::listen(svr_sock_, SOMAXCONN); }

private:
    class Handover : public httplib::TaskQueue
    {
    public:
        explicit Handover(HttpConnections &connections)
            : connections_(connections)
        {}
        void enqueue(std::function<void()> accept) override { accept(); }
        void shutdown() override { connections_.close_all(); }

    private:
        HttpConnections &connections_;
    };

    bool process_and_close_socket(socket_t socket) override
    {
        connections_.accept(socket);
        return true;
    }

    bool serve(httplib::Stream &stream, bool last)
    {
        t_request = {Clock::now(), false, false};
        bool closed = false;
        const bool served = process_request(stream, last, closed, nullptr);
        return served && !closed && !t_request.close;
    }

    HttpConnections connections_;
};

} // namespace

struct SiteServer::Impl
{
    explicit Impl(const ServerSettings &settings)
        : http(settings.connections)
        , names(settings.server_names)
    {
        for (std::string &name : names)
            name = host_name(name);
    }

    bool known_host(const httplib::Request &request) const
    {
        const std::string name = host_name(request.get_header_value("Host"));
        return name == "127.0.0.1" || name == "localhost" || name == "[::1]"
            || std::find(names.begin(), names.end(), name) != names.end();
    }

    HttpServer http;
    std::vector<std::string> names; // of the deployment, and the address listened on
    std::atomic<bool> in_run{false};
    std::atomic<bool> stopping{false};
};

SiteServer::SiteServer(SiteService &service, const ServerSettings &settings)
    : impl_(std::make_unique<Impl>(settings))
{
    HttpServer &http = impl_->http;
    http.set_default_headers(hardening_headers());
    // Only the crawl forms have bodies, of a few fields.
    http.set_payload_max_length(64 * 1024);

    http.set_pre_routing_handler(
        [this, &service](const httplib::Request &request, httplib::Response &response) {
            if (!impl_->known_host(request)) {
                send(response, service.error(HttpError::misdirected, for_scripts(request)));
                return httplib::Server::HandlerResponse::Handled;
            }
            const bool takes_forms = starts_crawls(request.path);
            if (request.method != "GET" && request.method != "HEAD"
                && !(request.method == "POST" && takes_forms)) {
                t_request.close = true; // its body is not read
                Answer refused = service.error(HttpError::method_not_allowed, for_scripts(request));
                refused.headers.emplace_back("Allow", takes_forms ? "GET, HEAD, POST" : "GET, HEAD");
                send(response, std::move(refused));
                return httplib::Server::HandlerResponse::Handled;
            }
            if (request.method == "POST" && !same_origin(request)) {
                t_request.close = true;
                send(response, service.error(HttpError::forbidden, for_scripts(request)));
                return httplib::Server::HandlerResponse::Handled;
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
    // The library's own refusals (a request line too long, a malformed request, no route)
    // get the site's error pages, or JSON for scripts.
    http.set_error_handler(httplib::Server::HandlerWithResponse(
        [&service](const httplib::Request &request, httplib::Response &response) {
            if (t_request.answered)
                return httplib::Server::HandlerResponse::Unhandled;
            const HttpError error = response.status == 404 ? HttpError::not_found
                : response.status == 414                   ? HttpError::uri_too_long
                                                           : HttpError::bad_request;
            send(response, service.error(error, for_scripts(request)));
            return httplib::Server::HandlerResponse::Handled;
        }));
    http.set_logger([](const httplib::Request &request, const httplib::Response &response) {
        const auto took = std::chrono::duration<double, std::milli>(Clock::now() - t_request.start);
        std::fprintf(stderr, "seo-site: %s %s %d %.1f ms\n", request.method.c_str(), request.path.c_str(),
                     response.status, took.count());
    });

    using Request = httplib::Request;
    using Response = httplib::Response;
    namespace contract = site_contract;
    // Runs one route's work; a service too busy answers 503, and any other failure is
    // logged and answered with 500, never taking the worker down.
    const auto handler = [&service](std::function<Answer(const Request &)> make) {
        return [&service, make = std::move(make)](const Request &request, Response &response) {
            try {
                send(response, make(request));
            } catch (const ServiceBusy &) {
                send(response, service.error(HttpError::busy, for_scripts(request)));
            } catch (const std::exception &error) {
                std::fprintf(stderr, "seo-site: %s %s failed: %s\n", request.method.c_str(),
                             request.path.c_str(), error.what());
                send(response, service.error(HttpError::internal, for_scripts(request)));
            }
        };
    };
    const auto route = [&http, &handler](std::string_view path, std::function<Answer(const Request &)> make) {
        http.Get(exactly(path), handler(std::move(make)));
    };
    route(contract::kOverviewPath, [&service](const Request &request) {
        // The desktop tool always asks with an address; a browser coming to the site has none.
        if (!request.has_param(contract::kOverviewAddressKey.data()))
            return service.tools_home();
        return service.overview(request.get_param_value(contract::kOverviewAddressKey.data()),
                                request.get_param_value(contract::kDensityKeywordKey.data()));
    });
    route("/api/analyze", [&service](const Request &request) {
        return service.analyze(request.get_param_value("url"), request.get_param_value("kw"));
    });
    route(contract::kSpiderPath, [&service](const Request &request) {
        return service.spider(request.get_param_value(contract::kSpiderAddressKey.data()));
    });
    route(contract::kDensityPath, [&service](const Request &request) {
        return service.density(request.get_param_value(contract::kDensityKeywordKey.data()),
                               request.get_param_value(contract::kDensityAddressKey.data()));
    });
    // The same pages for browsers, with texts escaped for them.
    route(browser::kOverviewPath, [&service](const Request &request) {
        return service.overview(request.get_param_value(browser::kAddressKey.data()),
                                request.get_param_value(browser::kKeywordKey.data()), Reader::browser);
    });
    route(browser::kSpiderPath, [&service](const Request &request) {
        return service.spider(request.get_param_value(browser::kAddressKey.data()), Reader::browser);
    });
    route(browser::kDensityPath, [&service](const Request &request) {
        return service.density(request.get_param_value(browser::kKeywordKey.data()),
                               request.get_param_value(browser::kAddressKey.data()), Reader::browser);
    });
    // The site crawls kept in the store.
    route(crawl_routes::kCrawlsPath, [&service](const Request &) { return service.crawls(false); });
    route(crawl_routes::kCrawlsApiPath, [&service](const Request &) { return service.crawls(true); });
    route(crawl_routes::kCrawlPath,
          [&service](const Request &request) { return service.crawl(request.get_param_value("id"), false); });
    route(crawl_routes::kCrawlApiPath,
          [&service](const Request &request) { return service.crawl(request.get_param_value("id"), true); });
    // Forms and scripts that start a crawl; the form's fields come in its body.
    for (const bool scripts : {false, true})
        http.Post(exactly(scripts ? crawl_routes::kCrawlsApiPath : crawl_routes::kCrawlsPath),
                  handler([&service, scripts](const Request &request) {
                      return service.start_crawl(request.get_param_value("url"),
                                                 request.get_param_value("max_pages"),
                                                 request.get_param_value("depth"), scripts);
                  }));
    const auto list_query = [](const Request &request) {
        const auto value = [&request](const char *key) { return request.get_param_value(key); };
        return SiteService::ListQuery{value("id"),   value("finding"), value("sort"), value("order"),
                                      value("page"), value("offset"),  value("limit")};
    };
    route(crawl_routes::kCrawlListPath, [&service, list_query](const Request &request) {
        return service.crawl_list(list_query(request), false);
    });
    route(crawl_routes::kCrawlListApiPath, [&service, list_query](const Request &request) {
        return service.crawl_list(list_query(request), true);
    });
    route(crawl_routes::kLinksApiPath, [&service, list_query](const Request &request) {
        return service.crawl_links(list_query(request));
    });
    route(crawl_routes::kCompareApiPath, [&service](const Request &request) {
        return service.crawl_changes(request.get_param_value("before"), request.get_param_value("after"));
    });
    route(contract::kVersionFilePath, [&service](const Request &) { return service.version(); });
    route(contract::kHomePagePath, [&service](const Request &) { return service.home(); });
    route(std::string(contract::kHomePagePath) + "/", [&service](const Request &) { return service.home(); });
}

SiteServer::~SiteServer() = default;

int SiteServer::bind(const std::string &host, int port)
{
    const int bound =
        port == 0 ? impl_->http.bind_to_any_port(host) : (impl_->http.bind_to_port(host, port) ? port : -1);
    if (bound < 0)
        return -1;
    impl_->http.deepen_backlog();
    const bool wildcard = host == "0.0.0.0" || host == "::";
    if (!wildcard)
        impl_->names.push_back(host_name(host.find(':') == std::string::npos ? host : "[" + host + "]"));
    return bound;
}

bool SiteServer::run()
{
    impl_->in_run = true;
    const bool served = impl_->stopping || impl_->http.listen_after_bind();
    impl_->in_run = false;
    return served;
}

void SiteServer::stop()
{
    impl_->stopping = true;
    // The HTTP library ignores a stop that comes before it listens: when run() is just
    // starting, wait until it listens (or gives up) so the stop is not lost.
    while (impl_->in_run && !impl_->http.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    impl_->http.stop();
}

} // namespace seo
