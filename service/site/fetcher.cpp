#include "site/fetcher.h"

#include "site/address_policy.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

namespace seo {
namespace {

constexpr const char *kUserAgent = "Mozilla/5.0 (compatible; VeltroSpider/1.0)";

struct Transfer
{
    const FetchLimits &limits;
    std::string body;
    bool too_large = false;
    bool refused_address = false;
};

size_t on_body(char *data, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    const size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->limits.max_body_bytes) {
        transfer->too_large = true;
        return 0; // aborts the transfer
    }
    transfer->body.append(data, bytes);
    return bytes;
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

std::string reason_for(CURLcode code, const Transfer &transfer)
{
    if (transfer.too_large || code == CURLE_FILESIZE_EXCEEDED)
        return "页面过大（超过 " + size_limit_text(transfer.limits.max_body_bytes) + "）";
    if (transfer.refused_address)
        return "目标地址属于本机或内网，拒绝访问";
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return "无法解析主机名";
    case CURLE_COULDNT_CONNECT:
        return "无法连接到服务器";
    case CURLE_OPERATION_TIMEDOUT:
        return "连接或读取超时";
    case CURLE_TOO_MANY_REDIRECTS:
        return "重定向次数过多";
    case CURLE_UNSUPPORTED_PROTOCOL:
        return "只支持 http 和 https 网址";
    case CURLE_URL_MALFORMAT:
        return "网址格式不正确";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
        return "安全连接（SSL）失败";
    default:
        return "无法获取页面";
    }
}

struct CurlDeleter
{
    void operator()(CURL *curl) const { curl_easy_cleanup(curl); }
};

} // namespace

std::optional<std::string> target_url(std::string_view typed)
{
    const auto not_space = [](unsigned char c) { return !std::isspace(c); };
    const auto first = std::find_if(typed.begin(), typed.end(), not_space);
    const auto last = std::find_if(typed.rbegin(), typed.rend(), not_space).base();
    if (first >= last)
        return std::nullopt;
    std::string url(first, last);
    const std::size_t scheme_end = url.find("://");
    if (scheme_end == std::string::npos)
        return "http://" + url;
    std::string scheme = url.substr(0, scheme_end);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (scheme != "http" && scheme != "https")
        return std::nullopt;
    return url;
}

FetchResult fetch_page(const std::string &url, const FetchLimits &limits)
{
    init_curl_once();
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    FetchResult result;
    if (!curl) {
        result.failure = "无法获取页面";
        return result;
    }
    Transfer transfer{limits, {}, false, false};
    char error[CURL_ERROR_SIZE] = {};
    CURL *handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, limits.max_redirects);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect_timeout.count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total_timeout.count()));
    // Refused early when the server announces a larger Content-Length.
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body_bytes));
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent);
    // Environment proxies would hide the address really connected to from the check.
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &on_body);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &on_open_socket);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, &transfer);

    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
        result.failure = reason_for(code, transfer);
        result.failure_detail = error;
        return result;
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status >= 300) {
        result.failure = "服务器返回错误状态 HTTP " + std::to_string(status);
        return result;
    }
    char *content_type = nullptr;
    curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &content_type);
    if (content_type)
        result.content_type = content_type;
    result.body = std::move(transfer.body);
    return result;
}

} // namespace seo
