#pragma once

#include <string>
#include <vector>

namespace qvestra::demo {

struct DemoEntry {
    std::string kind;  // Main, Sub or Cont
    std::string title;
    std::string path;  // empty for a Main group
};

struct DemoMember {
    std::string memberId;
    std::string name;
    char status;
};

// The built-in data set the demo serves when started without arguments.
struct DemoData {
    std::vector<DemoMember> members;
    std::vector<DemoEntry> contents;
};

DemoData BuiltInData();

}  // namespace qvestra::demo
