#include "site/server.h"

#include "site/product_pages.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace seo {
namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";

}  // namespace

struct SiteServer::Impl
{
    httplib::Server http;
    std::atomic<bool> in_run{false};
    std::atomic<bool> stopping{false};
};

SiteServer::SiteServer(SiteService& service, ServerLimits limits)
    : impl_(std::make_unique<Impl>())
{
    httplib::Server& http = impl_->http;
    const int threads = limits.worker_threads;
    http.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    http.set_read_timeout(limits.io_timeout_seconds);
    http.set_write_timeout(limits.io_timeout_seconds);
    http.set_payload_max_length(limits.max_request_bytes);

    // Route patterns are regular expressions: dots are escaped.
    http.Get(R"(/Tools/Robot\.aspx)", [&service](const httplib::Request& request, httplib::Response& response) {
        response.set_content(service.spider(request.get_param_value("url")), kHtml);
    });
    http.Get("/", [&service](const httplib::Request& request, httplib::Response& response) {
        response.set_content(service.overview(request.get_param_value("q")), kHtml);
    });
    http.Get(R"(/Tools/Density\.aspx)", [&service](const httplib::Request& request, httplib::Response& response) {
        response.set_content(
            service.density(request.get_param_value("kw"), request.get_param_value("url")), kHtml);
    });
    http.Get(R"(/veltro/shenji\.txt)", [&service](const httplib::Request&, httplib::Response& response) {
        response.set_content(service.version(), "text/plain; charset=utf-8");
    });
    http.Get("/veltro/?", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(product_home_page(), kHtml);
    });
    http.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.status == 404)
            response.set_content(not_found_page(), kHtml);
    });
}

SiteServer::~SiteServer() = default;

int SiteServer::bind(const std::string& host, int port)
{
    if (port == 0)
        return impl_->http.bind_to_any_port(host);
    return impl_->http.bind_to_port(host, port) ? port : -1;
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

}  // namespace seo
