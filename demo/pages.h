#pragma once

#include <string>
#include <vector>

#include "demo_data.h"

namespace qvestra::demo {

// The member's menu page in UTF-8: a visible menu and, in a comment, the
// content list after "Contents_VALUE" that the client cuts out.
std::string MenuPage(const DemoData& data, const DemoMember& member);

// The page for a member ID the service does not know.
std::string UnknownMemberPage(const std::string& memberId);

// The sign-in page: a form for member ID and password, the demo accounts
// with a button each, and a cancel button. message is shown above the form.
std::string SignInPage(const DemoData& data, const std::string& loginTime,
                       const std::string& message);

// What the sign-in page says once the form was sent.
std::string SignInDonePage(const std::string& message);

// A button of a contract page: its caption and the status word it reports.
struct ContractAction {
    std::string caption;
    std::string word;
    // Sent along as "contents": "reduced" makes the member's list shorter.
    std::string contents = {};
};

// A contract page (application, change of basic information, change of
// contents): one button per way the request can end.
std::string ContractPage(const std::string& title, const std::string& memberId,
                         const std::string& stamp, const std::vector<ContractAction>& actions);

// The service's help page.
std::string HelpPage();

// The not-found page for a document the service does not have.
std::string UnknownDocumentPage();

}  // namespace qvestra::demo
