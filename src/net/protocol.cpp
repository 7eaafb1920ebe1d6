#include "net/protocol.h"

#include "net/http_text.h"

namespace qvestra::net::protocol {

namespace {

std::string Join(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (std::string_view piece : pieces) text.append(piece);
    return text;
}

std::string Fetch(const ServiceEndpoint& service, std::string_view path,
                  std::string_view moreLines = {}) {
    return RequestText(AbsoluteRequestLine(service, path), HostHeader(service), moreLines);
}

std::string Copy(const ServiceEndpoint& service, std::string_view path) {
    return RequestText(PathRequestLine(service, path), HostHeader(service));
}

}  // namespace

std::string SignInPage(const ServiceEndpoint& service, std::string_view loginTime,
                       std::string_view pcName) {
    return service.PageAddress(
        Join({"/q_vestra/Entry.asp?LTIME=", loginTime, "&PC_NAME=", pcName}));
}

std::string MenuPage(const ServiceEndpoint& service, std::string_view memberId) {
    return service.PageAddress(Join({"/q_vestra/execute.asp?yuzaaidhi=", memberId}));
}

std::string ContractPageAddress(const ServiceEndpoint& service, ContractPage page,
                                std::string_view memberId, std::string_view stamp) {
    const auto [path, query] =
        page == ContractPage::kApplication
            ? std::pair{"/q_vestra/Mousikomi_inp1.asp?yuzaaidhi=", "&P=s&K=hm&TSMP="}
        : page == ContractPage::kChangeBase
            ? std::pair{"/q_vestra/mousikomi_inp1.asp?yuzaaidhi=", "&P=h&K=hm&TSMP="}
            : std::pair{"/q_vestra/KHenko.asp?yuzaaidhi=", "&TSMP="};
    return service.PageAddress(Join({path, memberId, query, stamp}));
}

std::string HelpPage(const ServiceEndpoint& service) {
    return service.PageAddress("/Q_Vestra/HTML/Help.html");
}

std::string SignInAnswer(const ServiceEndpoint& service, std::string_view loginTime) {
    return Fetch(service, Join({"/q_vestra/LOG_O/qvuser", loginTime, ".txt"}));
}

std::string MemberRecord(const ServiceEndpoint& service, std::string_view memberNumber) {
    return RequestText(
        AbsoluteRequestLine(service, Join({"/q_vestra/LOG_K/qvuser", memberNumber, ".txt"})), "");
}

std::string RequestStatus(const ServiceEndpoint& service, std::string_view memberNumber) {
    return Fetch(service, Join({"/q_vestra/LOG_K/keika", memberNumber, ".txt"}));
}

std::string Document(const ServiceEndpoint& service, std::string_view documentFile,
                     std::string_view moreLines) {
    return Fetch(service, Join({"/qv_contents", documentFile}), moreLines);
}

std::string MemberPageCopy(const ServiceEndpoint& service, std::string_view memberId) {
    return Copy(service, Join({"/q_Vestra/HTML/", memberId, ".txt"}));
}

std::string HelpCopy(const ServiceEndpoint& service) {
    return Copy(service, "/q_Vestra/HTML/Help.html");
}

std::string LogoCopy(const ServiceEndpoint& service) {
    return Copy(service, "/q_Vestra/images/Logo_Movei.gif");
}

std::string ServiceThroughProxy(const ServiceEndpoint& service) {
    return RequestText("HEAD " + service.RequestAddress("/") + " HTTP/1.0", HostHeader(service));
}

}  // namespace qvestra::net::protocol
