#include "net/http_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>

namespace qvestra::net {

std::string HostHeader(const ServiceEndpoint& endpoint) {
    return "Host: " + endpoint.Authority() + "\r\n";
}

std::string AbsoluteRequestLine(const ServiceEndpoint& endpoint, std::string_view path) {
    return "GET " + endpoint.RequestAddress(std::string(path)) + " HTTP/1.0";
}

std::string OriginRequestLine(std::string_view path) {
    return "GET " + std::string(path) + " HTTP/1.0";
}

std::string PathRequestLine(const ServiceEndpoint& endpoint, std::string_view path) {
    return endpoint.ProxyReadsRequests() ? AbsoluteRequestLine(endpoint, path)
                                         : OriginRequestLine(path);
}

std::string RequestText(std::string_view requestLine, std::string_view hostHeader,
                        std::string_view moreLines) {
    std::string text(requestLine);
    return text.append("\r\n").append(hostHeader).append(moreLines).append("\r\n");
}

namespace {

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

std::string ProxyCredentials(const ServiceEndpoint& endpoint) {
    if (!endpoint.proxy || endpoint.proxy->user.empty()) return {};
    const HttpProxy& proxy = *endpoint.proxy;
    return "Proxy-Authorization: Basic " + Base64(proxy.user + ":" + proxy.password) + "\r\n";
}

}  // namespace

std::string OnRoute(const ServiceEndpoint& endpoint, std::string request) {
    const std::size_t lineEnd = request.find("\r\n");
    if (!endpoint.ProxyReadsRequests() || lineEnd == std::string::npos) return request;
    return request.insert(lineEnd + 2, ProxyCredentials(endpoint));
}

std::string TunnelRequest(const ServiceEndpoint& endpoint) {
    const bool ipv6 = endpoint.host.find(':') != std::string::npos;
    const std::string target =
        (ipv6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port);
    return RequestText("CONNECT " + target + " HTTP/1.0", "Host: " + target + "\r\n",
                       ProxyCredentials(endpoint));
}

bool IsProxyRefusal(int status, bool viaProxy) {
    return status == 407 || (viaProxy && status >= 500);
}

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

template <typename T>
std::optional<T> WholeNumber(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9') return std::nullopt;
    T value{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

int StatusCodeOf(std::string_view statusLine) {
    if (!statusLine.starts_with("HTTP/")) return 0;
    const auto blank = statusLine.find(' ');
    if (blank == std::string_view::npos) return 0;
    const auto code = WholeNumber<int>(statusLine.substr(blank + 1, 3));
    return code && *code >= 100 ? *code : 0;
}

std::optional<std::string_view> HeaderValue(std::string_view headerLine, std::string_view name) {
    const auto colon = headerLine.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view field = TrimBlanks(headerLine.substr(0, colon));
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (!std::ranges::equal(field, name, {}, lower, lower)) return std::nullopt;
    return TrimBlanks(headerLine.substr(colon + 1));
}

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    constexpr std::string_view kUnit = "bytes ";
    if (!value.starts_with(kUnit)) return std::nullopt;
    value.remove_prefix(kUnit.size());
    const auto dash = value.find('-');
    const auto slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos) return std::nullopt;
    const auto first = WholeNumber<std::int64_t>(value.substr(0, dash));
    const auto last = WholeNumber<std::int64_t>(value.substr(dash + 1, slash - dash - 1));
    const auto total = WholeNumber<std::int64_t>(value.substr(slash + 1));
    if (!first || !last || !total || *first > *last || *last >= *total) return std::nullopt;
    return ContentRange{*first, *last, *total};
}

std::optional<std::int64_t> ParseHttpDate(std::string_view text) {
    // "Sun, 06 Nov 1994 08:49:37 GMT": every piece at its place.
    static constexpr std::array<std::string_view, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (text.size() != 29 || text.substr(3, 2) != ", " || text[7] != ' ' || text[11] != ' ' ||
        text[16] != ' ' || text[19] != ':' || text[22] != ':' || text.substr(25) != " GMT")
        return std::nullopt;
    const auto month = std::find(kMonths.begin(), kMonths.end(), text.substr(8, 3));
    const auto day = WholeNumber<unsigned>(text.substr(5, 2));
    const auto year = WholeNumber<int>(text.substr(12, 4));
    const auto hour = WholeNumber<int>(text.substr(17, 2));
    const auto minute = WholeNumber<int>(text.substr(20, 2));
    const auto second = WholeNumber<int>(text.substr(23, 2));
    if (month == kMonths.end() || !day || !year || !hour || !minute || !second) return std::nullopt;
    using namespace std::chrono;
    const year_month_day date{
        std::chrono::year(*year),
        std::chrono::month(static_cast<unsigned>(month - kMonths.begin() + 1)),
        std::chrono::day(*day)};
    if (!date.ok()) return std::nullopt;
    return sys_days(date).time_since_epoch() / seconds(1) + *hour * 3600 + *minute * 60 + *second;
}

void BodyLength::Take(std::string_view headerLine) {
    const auto field = HeaderValue(headerLine, "content-length");
    if (!field) return;
    const auto value = WholeNumber<std::int64_t>(*field);
    if (!value || (value_ && *value_ != *value)) unreadable_ = true;
    if (value) value_ = value;
}

}  // namespace qvestra::net
