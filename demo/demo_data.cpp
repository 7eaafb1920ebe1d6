#include "demo_data.h"

namespace qvestra::demo {

DemoData BuiltInData() {
    return DemoData{
        .members =
            {
                {"A-12", "山田 花子", '3'},
                {"A-0034", "佐藤 太郎", '1'},
            },
        .contents =
            {
                {"Main", "第1章 ひらがなの基礎", ""},
                {"Sub", "1-1 あ行からな行", "/qv_contents/hiragana1.pdf"},
                {"Sub", "1-2 は行からわ行", "/qv_contents/hiragana2.pdf"},
                {"Main", "第2章 カタカナ", ""},
                {"Sub", "2-1 カタカナ入門", "/qv_contents/katakana1.pdf"},
            },
    };
}

}  // namespace qvestra::demo
