#include "fetch/fetcher.h"

#include "base/ascii.h"
#include "fetch/address_policy.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <memory>
#include <mutex>

namespace seo {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kUserAgent = "Mozilla/5.0 (compatible; " + std::string(kCrawlerToken) + "/1.0)";

enum class Method {
    get,
    head,
    get_status, // a GET for the status only: its body is not kept
};

// What one answer brings, collected by libcurl's callbacks.
struct Transfer
{
    const FetchLimits &limits;
    const BodyMemory &memory;
    CURL *handle;
    std::size_t &granted; // bytes the body may take, over all hops
    // The time limit of the fetch, moved on by the time spent waiting for memory: a fetch
    // is limited in the time the network takes, not the service.
    Clock::time_point &deadline;
    std::string body;
    std::vector<std::string> robots_headers;
    bool too_large = false;
    bool refused_address = false;
    bool out_of_memory = false;
    bool head_in = false; // a GET for the status ended once the head was in
};

size_t on_body(char *data, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    const size_t bytes = size * count;
    const std::size_t needed = transfer->body.size() + bytes;
    if (needed > transfer->limits.max_body_bytes) {
        transfer->too_large = true;
        return 0; // aborts the transfer
    }
    if (needed > transfer->granted) {
        curl_off_t announced = -1;
        curl_easy_getinfo(transfer->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        const Clock::time_point asked = Clock::now();
        transfer->granted = transfer->memory
            ? transfer->memory(needed, announced > 0 ? std::size_t(announced) : 0)
            : transfer->limits.max_body_bytes;
        transfer->deadline += Clock::now() - asked;
        if (needed > transfer->granted) {
            transfer->out_of_memory = true;
            return 0;
        }
    }
    transfer->body.append(data, bytes);
    return bytes;
}

// A redirect's body is read past, so that libcurl keeps where it leads; any other answer
// has given its status by its first bytes, and the transfer ends there.
size_t on_body_for_status(char *, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    long status = 0;
    curl_easy_getinfo(transfer->handle, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 300 && status < 400)
        return size * count;
    transfer->head_in = true;
    return 0;
}

size_t on_header(char *data, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    const std::string_view line(data, size * count);
    const std::string_view name = "x-robots-tag:";
    if (line.size() > name.size() && ascii_lower(line.substr(0, name.size())) == name) {
        std::string_view value = line.substr(name.size());
        value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
        value = value.substr(0, value.find_last_not_of(" \t\r\n") + 1);
        transfer->robots_headers.emplace_back(value);
    }
    return size * count;
}

curl_socket_t on_open_socket(void *user, curlsocktype, curl_sockaddr *address)
{
    auto *transfer = static_cast<Transfer *>(user);
    if (transfer->limits.refuse_internal_targets && is_internal_address(&address->addr)) {
        transfer->refused_address = true;
        return CURL_SOCKET_BAD;
    }
    return socket(address->family, address->socktype, address->protocol);
}

void init_curl_once()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string size_limit_text(std::size_t bytes)
{
    const std::size_t mib = 1024 * 1024;
    return bytes % mib == 0 ? std::to_string(bytes / mib) + " MiB" : std::to_string(bytes) + " 字节";
}

struct Reason
{
    FetchResult::Failure kind;
    std::string text;
};

Reason reason_for(CURLcode code, const Transfer &transfer, std::string_view detail)
{
    using Failure = FetchResult::Failure;
    if (transfer.out_of_memory)
        return {Failure::busy, "分析服务繁忙，请稍后再试"};
    if (transfer.too_large || code == CURLE_FILESIZE_EXCEEDED)
        return {Failure::too_large,
                "页面过大（超过 " + size_limit_text(transfer.limits.max_body_bytes) + "）"};
    if (transfer.refused_address)
        return {Failure::refused, "目标地址属于本机或内网，拒绝访问"};
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return {Failure::connection, "无法解析主机名"};
    case CURLE_COULDNT_CONNECT:
        return {Failure::connection, "无法连接到服务器"};
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return {Failure::connection, "连接被服务器中断"};
    case CURLE_OPERATION_TIMEDOUT:
        return {Failure::timed_out, "连接或读取超时"};
    case CURLE_URL_MALFORMAT:
        return {Failure::answer, "网址格式不正确"};
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
        return {Failure::connection, "安全连接（SSL）失败"};
    case CURLE_WEIRD_SERVER_REPLY:
        return {Failure::answer, "服务器的回应不是有效的 HTTP"};
    case CURLE_UNSUPPORTED_PROTOCOL:
        // Only http and https addresses get here, so the server answered without any
        // HTTP headers at all (HTTP/0.9), which libcurl refuses.
        if (detail.find("HTTP/0.9") != std::string_view::npos)
            return {Failure::answer, "服务器的回应不是有效的 HTTP（没有 HTTP 头）"};
        return {Failure::answer, "无法获取页面"};
    default:
        return {Failure::answer, "无法获取页面"};
    }
}

struct EasyDeleter
{
    void operator()(CURL *curl) const { curl_easy_cleanup(curl); }
};

struct MultiDeleter
{
    void operator()(CURLM *multi) const { curl_multi_cleanup(multi); }
};

// Runs one transfer of `easy` to its end, until a stop is requested, or until `deadline`
// (which may move while the transfer waits for memory) has passed.
CURLcode perform(CURL *easy, const std::stop_token &stop, const Clock::time_point &deadline, bool &stopped)
{
    const std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    const std::stop_callback wake(stop, [&multi] { curl_multi_wakeup(multi.get()); });
    CURLcode result = CURLE_OK;
    for (int running = 1; running;) {
        if (stop.stop_requested()) {
            stopped = true;
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (Clock::now() >= deadline) {
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (running)
            curl_multi_poll(multi.get(), nullptr, 0, int(std::clamp<long>(left.count(), 1, 1000)), nullptr);
    }
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(multi.get(), &left)) {
        if (message->msg == CURLMSG_DONE)
            result = message->data.result;
    }
    curl_multi_remove_handle(multi.get(), easy);
    return result;
}

FetchResult fetch(const Url &url, const FetchLimits &limits, const std::stop_token &stop,
                  const BodyMemory &memory, Method method)
{
    using Failure = FetchResult::Failure;
    init_curl_once();
    const Clock::time_point start = Clock::now();
    FetchResult result;
    const std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) {
        result.kind = Failure::answer;
        result.failure = "无法获取页面";
        return result;
    }
    char error[CURL_ERROR_SIZE] = {};
    CURL *handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect_timeout.count()));
    if (method == Method::get) // refused early when the server announces a larger Content-Length
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body_bytes));
    curl_easy_setopt(handle, CURLOPT_NOBODY, long(method == Method::head));
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent.c_str());
    // Environment proxies would hide the address really connected to from the check.
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION,
                     method == Method::get_status ? &on_body_for_status : &on_body);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &on_header);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &on_open_socket);

    // Redirects are followed here rather than by libcurl, so that every hop is on record.
    Url next = url;
    std::size_t granted = 0;
    Clock::time_point deadline = start + limits.total_timeout; // for all redirects together
    for (int redirects = 0;; ++redirects) {
        Transfer transfer{limits, memory, handle, granted, deadline, {}, {}, false, false, false, false};
        curl_easy_setopt(handle, CURLOPT_URL, next.text().c_str());
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, &transfer);
        bool stopped = false;
        const CURLcode code = perform(handle, stop, deadline, stopped);
        // The time the site took: what waiting for memory added is not the site's.
        const Clock::duration waited = deadline - (start + limits.total_timeout);
        result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start - waited);
        if (stopped) {
            result.kind = Failure::stopping;
            result.failure = "分析服务正在停止";
            return result;
        }
        if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && transfer.head_in)) {
            Reason reason = reason_for(code, transfer, error);
            result.kind = reason.kind;
            result.failure = std::move(reason.text);
            result.failure_detail = error;
            return result;
        }
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        result.hops.push_back({next.text(), status});
        char *redirect = nullptr;
        curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &redirect);
        if (status >= 300 && status < 400 && redirect) {
            if (redirects == limits.max_redirects) {
                result.kind = Failure::answer;
                result.failure = "重定向次数过多";
                return result;
            }
            std::variant<Url, Url::Fault> target = Url::checked(redirect);
            if (Url *web = std::get_if<Url>(&target)) {
                next = std::move(*web);
                continue;
            }
            result.kind = Failure::answer;
            result.failure = std::get<Url::Fault>(target) == Url::Fault::not_web
                ? "重定向到了 http 和 https 以外的网址"
                : "重定向到了无效的网址";
            return result;
        }
        if (status < 200 || status >= 300) {
            curl_off_t retry_after = 0;
            if (curl_easy_getinfo(handle, CURLINFO_RETRY_AFTER, &retry_after) == CURLE_OK && retry_after > 0)
                result.retry_after = std::chrono::seconds(retry_after);
            result.kind = Failure::answer;
            result.failure = "服务器返回错误状态 HTTP " + std::to_string(status);
            return result;
        }
        char *content_type = nullptr;
        curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &content_type);
        if (content_type)
            result.content_type = content_type;
        result.body = std::move(transfer.body);
        result.robots_headers = std::move(transfer.robots_headers);
        return result;
    }
}

} // namespace

FetchResult fetch_page(const Url &url, const FetchLimits &limits, const std::stop_token &stop,
                       const BodyMemory &memory)
{
    return fetch(url, limits, stop, memory, Method::get);
}

FetchResult check_status(const Url &url, const FetchLimits &limits, const std::stop_token &stop)
{
    FetchResult head = fetch(url, limits, stop, {}, Method::head);
    if (head.kind != FetchResult::Failure::answer)
        return head;
    FetchLimits rest = limits;
    rest.total_timeout -= head.elapsed;
    FetchResult got = fetch(url, rest, stop, {}, Method::get_status);
    got.elapsed += head.elapsed;
    return got;
}

} // namespace seo
