#include <curl/curl.h>
#include <openssl/x509.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "net/http_text.h"
#include "net/log.h"
#include "net/url_reader.h"

namespace qvestra::net {

namespace {

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

std::size_t Append(char* data, std::size_t size, std::size_t count, void* target) {
    auto* page = static_cast<std::string*>(target);
    const std::size_t bytes = size * count;
    if (page->size() + bytes > CurlUrlReader::kMaxBytes) return 0;  // ends the transfer
    page->append(data, bytes);
    return bytes;
}

// What a read learns as it goes.
struct Transfer {
    const core::AbortSwitch& cancel;
    // By then the reply's header must have come (see Pace).
    std::chrono::steady_clock::time_point headEnd;
    bool headDone = false;
    // The reply's header gave a length or the chunked coding: its body ends
    // by its own framing, not with the connection.
    bool framed = false;
};

std::size_t TakeHeaderLine(char* data, std::size_t size, std::size_t count, void* target) {
    auto* transfer = static_cast<Transfer*>(target);
    std::string_view line(data, size * count);
    while (line.ends_with('\n') || line.ends_with('\r')) line.remove_suffix(1);
    // A reply that moved the page, or an interim one, is followed by another.
    if (line.starts_with("HTTP/")) {
        transfer->headDone = transfer->framed = false;
    } else if (line.empty()) {
        transfer->headDone = true;
    } else if (const auto coding = HeaderValue(line, "transfer-encoding")) {
        transfer->framed = transfer->framed || coding->find("chunked") != std::string_view::npos;
    } else if (HeaderValue(line, "content-length")) {
        transfer->framed = true;
    }
    return size * count;
}

// curl calls this at least once a second, also while no byte comes; any
// value but 0 ends the transfer.
int EndWhenCancelledOrLate(void* target, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<const Transfer*>(target);
    return static_cast<int>(
        core::Tripped(&transfer->cancel) ||
        (!transfer->headDone && std::chrono::steady_clock::now() >= transfer->headEnd));
}

bool IsUnreservedInPath(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

std::string ProxyAddress(const HttpProxy& proxy) {
    const bool ipv6 = proxy.host.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + proxy.host + "]" : proxy.host) + ":" +
           std::to_string(proxy.port);
}

bool IsHttps(const std::string& address) { return address.rfind("https://", 0) == 0; }

// The trust of the program's own TLS connections, OpenSSL's default
// locations with the variables OpenSSL reads, so that a page read trusts
// exactly what every other exchange trusts.
std::string TrustLocation(const char* variable, const char* fallback) {
    const char* named = std::getenv(variable);
    return named != nullptr && *named != '\0' ? named : fallback;
}

}  // namespace

std::string CurlAddress(const std::string& address) {
    constexpr std::string_view kFile = "file://";
    if (address.size() < kFile.size() || address.compare(0, kFile.size(), kFile) != 0)
        return address;
    std::string path = address.substr(kFile.size());
    for (char& c : path)
        if (c == '\\') c = '/';
    // A Windows path begins with its drive; file URLs then need a third slash.
    std::string out = path.empty() || path[0] != '/' ? "file:///" : "file://";
    static const char* kHex = "0123456789ABCDEF";
    for (unsigned char c : path) {
        if (IsUnreservedInPath(c) || c == ':') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

CurlUrlReader::CurlUrlReader(std::string userAgent, UnverifiedReport unverified)
    : userAgent_(std::move(userAgent)), unverified_(std::move(unverified)) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

PageRead CurlUrlReader::ReadAll(const std::string& address, const core::AbortSwitch& cancel) {
    PageRead read;
    std::string& page = read.bytes;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return read;
    // Never a cached copy: the menu page changes with every contract step.
    std::unique_ptr<curl_slist, SlistDeleter> headers(curl_slist_append(
        curl_slist_append(nullptr, "Cache-Control: no-cache"), "Pragma: no-cache"));
    const std::string url = CurlAddress(address);
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    // A page read over TLS stays there, redirects included; never plain.
    const bool tls = IsHttps(url);
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, tls ? "https" : "http,file");
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, tls ? "https" : "http");
    std::string trustFile, trustFolder;
    if (tls) {
        trustFile = TrustLocation(X509_get_default_cert_file_env(), X509_get_default_cert_file());
        trustFolder = TrustLocation(X509_get_default_cert_dir_env(), X509_get_default_cert_dir());
        curl_easy_setopt(curl.get(), CURLOPT_SSLVERSION, CURL_SSLVERSION_TLSv1_2);
        curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(curl.get(), CURLOPT_CAINFO, trustFile.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_CAPATH, trustFolder.c_str());
    }
    curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, userAgent_.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_FRESH_CONNECT, 1L);
    // An empty proxy is curl's word for a direct connection.
    const std::string proxy = proxy_ ? ProxyAddress(*proxy_) : std::string();
    curl_easy_setopt(curl.get(), CURLOPT_PROXY, proxy.c_str());
    if (proxy_ && !proxy_->user.empty()) {
        curl_easy_setopt(curl.get(), CURLOPT_PROXYUSERNAME, proxy_->user.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_PROXYPASSWORD, proxy_->password.c_str());
    }
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, kTotalTimeoutSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, Pace{}.bytesPerSecond);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, static_cast<long>(Pace{}.window.count()));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &page);
    Transfer transfer{cancel, std::chrono::steady_clock::now() + Pace{}.head};
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, TakeHeaderLine);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, EndWhenCancelledOrLate);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &transfer);
    const CURLcode result = curl_easy_perform(curl.get());
    // A file read has no status; an http reply has one, also a 503 page.
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    // curl takes a TLS connection that ends without TLS's closing alert for
    // the end of a reply without framing, which anyone on the way could cut
    // short unseen: the program's own exchanges never do, nor does this.
    read.whole = result == CURLE_OK && (status == 0 || (status >= 200 && status <= 299)) &&
                 (!tls || transfer.framed);
    qCInfo(lcNet, "page read %s: %s, status %ld, %zu bytes%s", url.c_str(),
           curl_easy_strerror(result), status, page.size(), read.whole ? "" : ", not whole");
    // A certificate that does not verify, or a peer that speaks no TLS.
    if (tls && (result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CONNECT_ERROR) &&
        unverified_)
        unverified_();
    return read;
}

}  // namespace qvestra::net
