// The demo service: what the real service host serves to the client, with a
// built-in data set, for trying the client out and for end-to-end tests.
#include <httplib.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "demo_data.h"
#include "pages.h"
#include "pdf.h"
#include "shift_jis.h"

namespace {

httplib::Server* g_server = nullptr;

void Stop(int) {
    if (g_server != nullptr) g_server->stop();
}

void SendPage(httplib::Response& res, const std::string& utf8) {
    res.set_content(qvestra::demo::ToShiftJis(utf8), "text/html; charset=Shift_JIS");
}

int Usage() {
    std::cerr << "usage: qvestra-demo [--listen ADDRESS] [--port PORT]\n";
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::string listen = "127.0.0.1";
    int port = QVESTRA_SERVICE_PORT;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--listen" && i + 1 < argc) {
            listen = argv[++i];
        } else if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else {
            return Usage();
        }
    }

    const qvestra::demo::DemoData data = qvestra::demo::BuiltInData();
    httplib::Server server;
    g_server = &server;
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);

    server.Get("/q_vestra/execute.asp", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.get_param_value("yuzaaidhi");
        for (const auto& member : data.members) {
            if (member.memberId == id) return SendPage(res, qvestra::demo::MenuPage(data, member));
        }
        res.status = 404;
        SendPage(res, qvestra::demo::UnknownMemberPage(id));
    });

    server.Get(R"(/qv_contents/([^/]+))", [&](const httplib::Request& req, httplib::Response& res) {
        const auto* document = qvestra::demo::FindDocument(data, req.matches[1]);
        if (document == nullptr) {
            res.status = 404;
            return SendPage(res, qvestra::demo::UnknownDocumentPage());
        }
        res.set_content(qvestra::demo::MakePdf({"QVestra", document->lesson}), "application/pdf");
    });

    if (!server.bind_to_port(listen.c_str(), port)) {
        std::cerr << "qvestra-demo: cannot listen on " << listen << ":" << port << "\n";
        return 1;
    }
    std::cout << "qvestra-demo: serving on http://" << listen << ":" << port << "/" << std::endl;
    server.listen_after_bind();
    return 0;
}
