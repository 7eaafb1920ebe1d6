#include "demo_data.h"

namespace qvestra::demo {

DemoData BuiltInData() {
    return DemoData{
        .members =
            {
                {"A-12", "山田 花子", '3'},
                {"A-0034", "佐藤 太郎", '1'},
                {"A-0056", "鈴木 一郎", '3', true},
            },
        .contents =
            {
                {"Main", "第1章 ひらがなの基礎", "", ""},
                {"Sub", "1-1 あ行からな行", "/qv_contents/hiragana1.pdf", "Lesson 1-1: a to na"},
                {"Sub", "1-2 は行からわ行", "/qv_contents/hiragana2.pdf", "Lesson 1-2: ha to wa"},
                {"Main", "第2章 カタカナ", "", ""},
                {"Sub", "2-1 カタカナ入門", "/qv_contents/katakana1.pdf", "Lesson 2-1: katakana"},
                {"Sub", "2-2 カタカナ練習帳（大容量）", "/qv_contents/katakana-workbook.pdf",
                 "Lesson 2-2: katakana workbook"},
                {"Cont", "五十音表", "/qv_contents/gojuon.pdf", "The table of fifty sounds"},
            },
    };
}

DemoData ReducedContents(const DemoData& data) {
    DemoData reduced{data.members, {}};
    for (const auto& entry : data.contents) {
        if (entry.kind == "Main") reduced.contents = {entry};
        if (entry.kind == "Sub" && reduced.contents.size() == 1) reduced.contents.push_back(entry);
    }
    return reduced;
}

std::string DemoMember::Number() const {
    std::string number = memberId.substr(memberId.find('-') + 1);
    while (number.size() > 1 && number.front() == '0') number.erase(0, 1);
    return number;
}

const DemoMember* FindMember(const DemoData& data, const std::string& memberId) {
    for (const auto& member : data.members)
        if (member.memberId == memberId) return &member;
    return nullptr;
}

const DemoMember* FindMemberByNumber(const DemoData& data, const std::string& number) {
    for (const auto& member : data.members)
        if (member.Number() == number) return &member;
    return nullptr;
}

const DemoEntry* FindDocument(const DemoData& data, const std::string& name) {
    for (const auto& entry : data.contents) {
        const auto slash = entry.path.rfind('/');
        if (!entry.path.empty() && entry.path.substr(slash + 1) == name) return &entry;
    }
    return nullptr;
}

}  // namespace qvestra::demo
