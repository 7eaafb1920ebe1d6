#pragma once

#include <string>
#include <vector>

namespace qvestra::demo {

struct DemoEntry {
    std::string kind;  // Main, Sub or Cont
    std::string title;
    std::string path;    // empty for a Main group
    std::string lesson;  // ASCII text printed in the document
};

struct DemoMember {
    std::string memberId;
    std::string name;
    char status;
    bool cancelled = false;  // the service has cancelled the contract

    // The member ID's second "-" piece as a number: "A-0034" gives "34".
    std::string Number() const;
    std::string Record() const { return memberId + "|" + status; }
};

// Every demo member signs in with this password.
inline constexpr const char* kDemoPassword = "demo";

// The built-in data set the demo serves when started without arguments.
struct DemoData {
    std::vector<DemoMember> members;
    std::vector<DemoEntry> contents;
};

DemoData BuiltInData();

// The data set after a member reduced the contents: the last Main group
// with its first item only.
DemoData ReducedContents(const DemoData& data);

// The one large document: served with the size the demo was started with.
inline constexpr const char* kLargeDocument = "katakana-workbook.pdf";

const DemoMember* FindMember(const DemoData& data, const std::string& memberId);
const DemoMember* FindMemberByNumber(const DemoData& data, const std::string& number);

// The document served under /qv_contents/ + name, or nothing for an unknown name.
const DemoEntry* FindDocument(const DemoData& data, const std::string& name);

}  // namespace qvestra::demo
