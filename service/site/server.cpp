#include "site/server.h"

#include "site/product_pages.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace seo {
namespace {

constexpr const char *kHtml = "text/html; charset=utf-8";

// Answers go out uncompressed. Given body text, the HTTP library compresses it with
// brotli at its highest quality whenever the client accepts that (Qt does), which costs
// some 180 ms for a 100 KB spider view: far more than sending it plain. A body handed
// over by a provider of known length is sent as it is.
void send(httplib::Response &response, std::string body, const char *content_type)
{
    auto shared = std::make_shared<const std::string>(std::move(body));
    const std::size_t size = shared->size();
    response.set_content_provider(
        size, content_type,
        [shared = std::move(shared)](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
            return sink.write(shared->data() + offset, length);
        });
}

// A thread for every open connection, up to a bound; beyond it connections wait for a
// thread. The HTTP library reads a request on the connection's thread and only gives up
// after a read time-out without any byte, so a client that trickles its request holds a
// thread for as long as it likes: with a small fixed pool a handful of such clients
// would shut everyone else out. Waiting threads cost little; the real work (fetching,
// analysing) is bounded separately by SiteService.
class ConnectionThreads : public httplib::TaskQueue
{
public:
    explicit ConnectionThreads(std::size_t max_threads)
        : max_threads_(max_threads)
    {}

    void enqueue(std::function<void()> job) override
    {
        {
            const std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
            if (idle_ < jobs_.size() && threads_.size() < max_threads_)
                threads_.emplace_back([this] { work(); });
        }
        wake_.notify_one();
    }

    // Lets the threads finish the connections already taken, then joins them. The
    // server calls it once it accepts no more, so no thread is added meanwhile.
    void shutdown() override
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread &thread : threads_)
            thread.join();
    }

private:
    void work()
    {
        std::unique_lock lock(mutex_);
        while (true) {
            ++idle_;
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            --idle_;
            if (jobs_.empty())
                return;
            std::function<void()> job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
    }

    const std::size_t max_threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

} // namespace

struct SiteServer::Impl
{
    httplib::Server http;
    std::atomic<bool> in_run{false};
    std::atomic<bool> stopping{false};
};

SiteServer::SiteServer(SiteService &service, ServerLimits limits)
    : impl_(std::make_unique<Impl>())
{
    httplib::Server &http = impl_->http;
    const std::size_t connections = limits.max_connections;
    http.new_task_queue = [connections] { return new ConnectionThreads(connections); };
    http.set_read_timeout(limits.io_timeout_seconds);
    http.set_write_timeout(limits.io_timeout_seconds);
    http.set_payload_max_length(limits.max_request_bytes);
    // Headers and body go out in separate writes: without this, Nagle's algorithm holds
    // the body back until the client's delayed acknowledgement, some 40 ms a response.
    http.set_tcp_nodelay(true);

    // Route patterns are regular expressions: dots are escaped.
    http.Get(R"(/Tools/Robot\.aspx)",
             [&service](const httplib::Request &request, httplib::Response &response) {
                 send(response, service.spider(request.get_param_value("url")), kHtml);
             });
    http.Get("/", [&service](const httplib::Request &request, httplib::Response &response) {
        send(response, service.overview(request.get_param_value("q")), kHtml);
    });
    http.Get(R"(/Tools/Density\.aspx)",
             [&service](const httplib::Request &request, httplib::Response &response) {
                 send(response,
                      service.density(request.get_param_value("kw"), request.get_param_value("url")), kHtml);
             });
    http.Get(R"(/veltro/shenji\.txt)", [&service](const httplib::Request &, httplib::Response &response) {
        send(response, service.version(), "text/plain; charset=utf-8");
    });
    http.Get("/veltro/?", [](const httplib::Request &, httplib::Response &response) {
        send(response, product_home_page(), kHtml);
    });
    http.set_error_handler([](const httplib::Request &, httplib::Response &response) {
        if (response.status == 404)
            send(response, not_found_page(), kHtml);
    });
}

SiteServer::~SiteServer() = default;

int SiteServer::bind(const std::string &host, int port)
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

} // namespace seo
