#pragma once

#include <string>
#include <string_view>

#include "net/service_endpoint.h"

namespace qvestra::net::protocol {

// Every request the client makes to the service, and every page its windows
// show, on one screen. The request texts are the bytes that go out: the
// request line, "Host: " + the service's authority, the empty line. The
// request line takes the absolute form, "GET http://host/path HTTP/1.0",
// but for the three copies, whose origin form, "GET /path HTTP/1.0", turns
// absolute only through a proxy that must be told the host. The record
// refresh alone goes without a Host line: the service has always had it so
// (it came before the old client built its Host line). Values are put in as
// they stand.

// The pages the windows show, by address.
std::string SignInPage(const ServiceEndpoint& service, std::string_view loginTime,
                       std::string_view pcName);
std::string MenuPage(const ServiceEndpoint& service, std::string_view memberId);
enum class ContractPage { kApplication, kChangeBase, kChangeContent };
std::string ContractPageAddress(const ServiceEndpoint& service, ContractPage page,
                                std::string_view memberId, std::string_view stamp);
std::string HelpPage(const ServiceEndpoint& service);

// The files the client fetches itself, as the request texts that go out.
std::string SignInAnswer(const ServiceEndpoint& service, std::string_view loginTime);
std::string MemberRecord(const ServiceEndpoint& service, std::string_view memberNumber);
std::string RequestStatus(const ServiceEndpoint& service, std::string_view memberNumber);
// documentFile: "/" + the document's name; moreLines follow the Host line.
std::string Document(const ServiceEndpoint& service, std::string_view documentFile,
                     std::string_view moreLines = {});
std::string MemberPageCopy(const ServiceEndpoint& service, std::string_view memberId);
std::string HelpCopy(const ServiceEndpoint& service);
std::string LogoCopy(const ServiceEndpoint& service);
// The start-up's question to a proxy that reads requests: is the service there?
std::string ServiceThroughProxy(const ServiceEndpoint& service);

}  // namespace qvestra::net::protocol
