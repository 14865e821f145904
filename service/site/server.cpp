#include "site/server.h"

#include <contract/site_contract.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace seo {
namespace {

using Clock = std::chrono::steady_clock;

// When the request this thread serves came in, for the access log.
thread_local Clock::time_point t_request_start;

// Answers go out uncompressed: given body text, the HTTP library compresses it with
// brotli at its highest quality whenever the client accepts that (Qt does), which costs
// some 180 ms for a 100 KB spider view. A body handed over by a provider of known length
// is sent as it is. The provider keeps the answer, and the memory counted for it,
// until the answer has gone out.
void send(httplib::Response &response, Answer answer)
{
    response.status = answer.status;
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

// A thread for every open connection, up to a bound; beyond it connections wait for a
// thread. The HTTP library reads a request on the connection's thread and only gives up
// after a read time-out without any byte, so a client that trickles its request holds a
// thread for as long as it likes: with a small fixed pool a handful of such clients
// would shut everyone else out. Waiting threads cost little, and a thread left without
// work for a while ends; the real work (fetching, analysing) is bounded by SiteService.
class ConnectionThreads : public httplib::TaskQueue
{
public:
    ConnectionThreads(std::size_t max_threads, std::chrono::seconds idle_time)
        : max_threads_(max_threads)
        , idle_time_(idle_time)
    {}

    void enqueue(std::function<void()> job) override
    {
        const std::lock_guard lock(mutex_);
        join_finished();
        jobs_.push_back(std::move(job));
        if (idle_ < jobs_.size() && threads_.size() < max_threads_)
            threads_.emplace_back([this] { work(); });
        wake_.notify_one();
    }

    // Lets the threads finish the connections already taken, then joins them. The
    // server calls it once it accepts no more, so no thread is added meanwhile.
    void shutdown() override
    {
        std::list<std::thread> threads;
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
            wake_.notify_all();
            threads.swap(threads_);
        }
        for (std::thread &thread : threads)
            thread.join();
    }

private:
    void work()
    {
        std::unique_lock lock(mutex_);
        while (true) {
            ++idle_;
            wake_.wait_for(lock, idle_time_, [this] { return stopping_ || !jobs_.empty(); });
            --idle_;
            if (jobs_.empty())
                break; // stopping, or idle for too long
            std::function<void()> job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
        // Joined by the next enqueue() or by shutdown(): by then this thread has let go
        // of the lock, which is all it still does.
        finished_.push_back(std::this_thread::get_id());
    }

    // With the lock held.
    void join_finished()
    {
        for (const std::thread::id id : finished_) {
            const auto thread = std::find_if(threads_.begin(), threads_.end(),
                                             [id](const std::thread &t) { return t.get_id() == id; });
            if (thread != threads_.end()) {
                thread->join();
                threads_.erase(thread);
            }
        }
        finished_.clear();
    }

    const std::size_t max_threads_;
    const std::chrono::seconds idle_time_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::list<std::thread> threads_;
    std::vector<std::thread::id> finished_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

constexpr std::string_view kApiPrefix = "/api/";
constexpr std::string_view kAnalyzePath = "/api/analyze";

// Runs one route's work; a service too busy answers 503, and any other failure is
// logged and answered with 500, never taking the connection's thread down.
void answer(const httplib::Request &request, httplib::Response &response, SiteService &service,
            const std::function<Answer()> &make)
{
    try {
        send(response, make());
    } catch (const ServiceBusy &) {
        send(response, request.path.starts_with(kApiPrefix) ? service.busy_json() : service.busy());
    } catch (const std::exception &error) {
        std::fprintf(stderr, "seo-site: %s %s failed: %s\n", request.method.c_str(), request.path.c_str(),
                     error.what());
        response.status = 500;
        response.set_content("分析服务内部错误", "text/plain; charset=utf-8");
    }
}

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
    http.new_task_queue = [limits] {
        return new ConnectionThreads(limits.max_connections, limits.idle_thread_time);
    };
    http.set_read_timeout(limits.io_timeout_seconds);
    http.set_write_timeout(limits.io_timeout_seconds);
    http.set_payload_max_length(limits.max_request_bytes);
    // Headers and body go out in separate writes: without this, Nagle's algorithm holds
    // the body back until the client's delayed acknowledgement, some 40 ms a response.
    http.set_tcp_nodelay(true);

    http.set_pre_routing_handler([](const httplib::Request &, httplib::Response &) {
        t_request_start = Clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http.set_logger([](const httplib::Request &request, const httplib::Response &response) {
        const auto took = std::chrono::duration<double, std::milli>(Clock::now() - t_request_start);
        std::fprintf(stderr, "seo-site: %s %s %d %.1f ms\n", request.method.c_str(), request.path.c_str(),
                     response.status, took.count());
    });

    using Request = httplib::Request;
    using Response = httplib::Response;
    namespace contract = site_contract;
    const auto route = [&http, &service](std::string_view path, std::function<Answer(const Request &)> make) {
        http.Get(exactly(path),
                 [&service, make = std::move(make)](const Request &request, Response &response) {
                     answer(request, response, service, [&] { return make(request); });
                 });
    };
    route(contract::kOverviewPath, [&service](const Request &request) {
        // The desktop tool always asks with an address; a browser coming to the site has none.
        if (!request.has_param(contract::kOverviewAddressKey.data()))
            return service.tools_home();
        return service.overview(request.get_param_value(contract::kOverviewAddressKey.data()),
                                request.get_param_value(contract::kDensityKeywordKey.data()));
    });
    route(kAnalyzePath, [&service](const Request &request) {
        return service.analyze(request.get_param_value("url"), request.get_param_value("kw"));
    });
    route(contract::kSpiderPath, [&service](const Request &request) {
        return service.spider(request.get_param_value(contract::kSpiderAddressKey.data()));
    });
    route(contract::kDensityPath, [&service](const Request &request) {
        return service.density(request.get_param_value(contract::kDensityKeywordKey.data()),
                               request.get_param_value(contract::kDensityAddressKey.data()));
    });
    route(contract::kVersionFilePath, [&service](const Request &) { return service.version(); });
    route(contract::kHomePagePath, [&service](const Request &) { return service.home(); });
    route(std::string(contract::kHomePagePath) + "/", [&service](const Request &) { return service.home(); });
    http.set_error_handler([&service](const Request &, Response &response) {
        if (response.status == 404)
            send(response, service.not_found());
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
