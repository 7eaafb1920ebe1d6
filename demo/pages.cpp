#include "pages.h"

namespace qvestra::demo {

namespace {

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

const char* kHead =
    "<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n"
    "<title>QVestra 会員メニュー</title>\r\n"
    "<style>\r\n"
    "body{font-family:'Noto Sans CJK JP',sans-serif;margin:0;background:#f4f6ff;color:#222}\r\n"
    "header{background:#1f3f9f;color:#fff;padding:6px 20px;font-size:18px}\r\n"
    "main{padding:4px 20px}\r\n"
    "p{margin:6px 0}\r\n"
    "h2{color:#0000c0;font-size:15px;margin:6px 0}\r\n"
    ".groups{display:flex;gap:32px}\r\n"
    ".group b{display:block;margin-bottom:2px}\r\n"
    ".group span{display:block;font-size:14px;margin-left:12px}\r\n"
    ".note{color:#555;font-size:13px}\r\n"
    "</style>\r\n</head>\r\n";

}  // namespace

std::string MenuPage(const DemoData& data, const DemoMember& member) {
    std::string page = kHead;
    page += "<body>\r\n<header>QVestra 学習サービス 会員メニュー</header>\r\n<main>\r\n";
    page += "<p>" + Escape(member.name) + " 様（会員番号 " + Escape(member.memberId) +
            "）、ようこそ。</p>\r\n";
    page += "<h2>今月の教材</h2>\r\n<div class=\"groups\">\r\n";
    bool groupOpen = false;
    for (const auto& entry : data.contents) {
        if (entry.kind != "Sub") {
            if (groupOpen) page += "</div>\r\n";
            page += "<div class=\"group\"><b>" + Escape(entry.title) + "</b>\r\n";
            groupOpen = true;
        }
        if (entry.kind != "Main") page += "<span>" + Escape(entry.title) + "</span>\r\n";
    }
    if (groupOpen) page += "</div>\r\n";
    page += "</div>\r\n<p class=\"note\">教材は下の「教材一覧」から開けます。</p>\r\n</main>\r\n";
    page += "<!--\r\nContents_VALUE\r\n";
    for (const auto& entry : data.contents) {
        page += entry.kind + ";" + entry.title + ";" + entry.path + "\r\n";
    }
    page += "Contents_End\r\n-->\r\n</body>\r\n</html>\r\n";
    return page;
}

std::string UnknownMemberPage(const std::string& memberId) {
    std::string page = kHead;
    page += "<body>\r\n<header>QVestra 学習サービス</header>\r\n<main>\r\n<p>会員番号 " +
            Escape(memberId) + " は登録されていません。</p>\r\n</main>\r\n</body>\r\n</html>\r\n";
    return page;
}

std::string SignInPage(const DemoData& data, const std::string& loginTime,
                       const std::string& message) {
    const std::string hidden =
        "<input type=\"hidden\" name=\"LTIME\" value=\"" + Escape(loginTime) + "\">";
    std::string page = kHead;
    page += "<body>\r\n<header>QVestra ログイン</header>\r\n<main>\r\n";
    const DemoMember& first = data.members.front();
    page +=
        "<form method=\"post\" action=\"/q_vestra/Entry.asp\">" + hidden +
        "<input type=\"hidden\" name=\"member\" value=\"" + Escape(first.memberId) +
        "\"><input type=\"hidden\" name=\"password\" value=\"" + kDemoPassword +
        "\"><button id=\"demo-login\" style=\"width:320px;height:36px;font-size:15px\">デモ会員 " +
        Escape(first.memberId) + " でログイン</button></form>\r\n";
    if (!message.empty()) page += "<p style=\"color:#c00000\">" + Escape(message) + "</p>\r\n";
    page +=
        "<form method=\"post\" action=\"/q_vestra/Entry.asp\">" + hidden +
        "<p>会員番号 <input name=\"member\" size=\"10\"> パスワード "
        "<input name=\"password\" type=\"password\" size=\"10\"> "
        "<button>ログイン</button> <button name=\"action\" value=\"cancel\">キャンセル</button></p>"
        "</form>\r\n<p class=\"note\">デモ会員（パスワードはすべて demo）: ";
    for (const auto& member : data.members) page += Escape(member.memberId) + " ";
    page += "</p>\r\n</main>\r\n</body>\r\n</html>\r\n";
    return page;
}

std::string SignInDonePage(const std::string& message) {
    return std::string(kHead) + "<body>\r\n<header>QVestra ログイン</header>\r\n<main>\r\n<p>" +
           Escape(message) + "</p>\r\n</main>\r\n</body>\r\n</html>\r\n";
}

std::string ContractPage(const std::string& title, const std::string& memberId,
                         const std::string& stamp, const std::vector<ContractAction>& actions) {
    std::string page = kHead;
    page += "<body>\r\n<header>" + Escape(title) + "</header>\r\n<main>\r\n";
    for (std::size_t i = 0; i < actions.size(); ++i) {
        page +=
            "<form method=\"post\" action=\"/q_vestra/keika_set\" style=\"display:inline\">"
            "<input type=\"hidden\" name=\"yuzaaidhi\" value=\"" +
            Escape(memberId) + "\"><input type=\"hidden\" name=\"TSMP\" value=\"" + Escape(stamp) +
            "\"><input type=\"hidden\" name=\"word\" value=\"" + Escape(actions[i].word) +
            "\"><input type=\"hidden\" name=\"contents\" value=\"" + Escape(actions[i].contents) +
            "\"><button style=\"width:320px;height:36px;font-size:15px;margin-right:8px\">" +
            Escape(actions[i].caption) + "</button></form>\r\n";
    }
    page += "<p>会員番号 " + Escape(memberId) + " の手続きです（受付 " + Escape(stamp) +
            "）。内容を確認し、上のボタンで手続きを終えてください。</p>\r\n</main>\r\n</body>\r\n</"
            "html>\r\n";
    return page;
}

std::string HelpPage() {
    return std::string(kHead) +
           "<body>\r\n<header>QVestra ヘルプ</header>\r\n<main>\r\n"
           "<h2>教材の開き方</h2>\r\n"
           "<p>「教材一覧」の章のボタンを押すと、その章の教材が「詳細一覧」に並びます。"
           "教材のボタンを押すと、PDF ビューアーで教材が開きます。</p>\r\n"
           "<h2>インターネットに接続できないとき</h2>\r\n"
           "<p>前回ダウンロードした教材と会員メニューをそのまま使えます。</p>\r\n"
           "<h2>契約について</h2>\r\n"
           "<p>契約の申込みと変更は、メニューの「契約申込み」「契約変更」から行えます。</p>\r\n"
           "</main>\r\n</body>\r\n</html>\r\n";
}

std::string UnknownDocumentPage() {
    return std::string(kHead) +
           "<body>\r\n<header>QVestra 学習サービス</header>\r\n<main>\r\n"
           "<p>お探しの教材は見つかりませんでした。</p>\r\n</main>\r\n</body>\r\n</html>\r\n";
}

}  // namespace qvestra::demo
