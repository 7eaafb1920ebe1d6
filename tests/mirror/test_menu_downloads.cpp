// Downloads as the menu build runs them: one after another, each with its
// own progress window, and a build asked for meanwhile run once afterwards.
#include <QtTest>

#include "app/main_window_harness.h"
#include "fakes/files.h"
#include "fakes/scripted_server.h"
#include "mirror/frm_cond.h"
#include "net/tcp_socket.h"

using namespace qvestra;
using qvestra::testing::Harness;
using qvestra::testing::ScriptedServer;
using qvestra::testing::ServerStep;

class TestMenuDownloads : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void threeMissingDocumentsInOneBuild() {
        const std::string body = "%PDF-1.4 document";
        // The probe, the record refresh, three documents, and the mirroring of
        // two builds.
        ScriptedServer server({ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: " +
                                                std::to_string(body.size()) + "\r\n\r\n" + body)},
                              11);
        net::TcpSocketFactory sockets;
        Harness h(true, {}, {"127.0.0.1", server.Port()}, &sockets);
        h.WriteUserFile("A-12|3\r\n");
        const std::string address = "http://127.0.0.1:" + std::to_string(server.Port()) +
                                    "/q_vestra/execute.asp?yuzaaidhi=A-12";
        h.urls.pages[address] =
            EncodeCp932(
                QStringLiteral(
                    "Contents_VALUE\r\nMain;第1章\r\nSub;一;/a/d1.pdf\r\nSub;二;/b/d2.pdf\r\n"
                    "Cont;三;/d3.pdf\r\nContents_End\r\n"))
                .toStdString();
        int windows = 0;
        connect(h.window.get(), &FrmQvestra::progressWindowShown, this, [&] {
            if (++windows == 1) {
                h.window->BuildMenu();
                h.window->BuildMenu();
            }
        });
        h.window->Load();

        QCOMPARE(windows, 3);
        QCOMPARE(h.urls.reads.size(), std::size_t{2});
        for (const char* name : {"d1.pdf", "d2.pdf", "d3.pdf"})
            QVERIFY(std::filesystem::exists(h.folder / name));
        QCOMPARE(h.window->TOT_Send(), static_cast<double>(body.size()));
        const QString requests = QString::fromStdString(server.Request());
        const auto d1 = requests.indexOf("/qv_contents/d1.pdf HTTP/1.0");
        const auto d2 = requests.indexOf("/qv_contents/d2.pdf HTTP/1.0");
        const auto d3 = requests.indexOf("/qv_contents/d3.pdf HTTP/1.0");
        QVERIFY(d1 > 0 && d1 < d2 && d2 < d3);
        QCOMPARE(requests.count("/qv_contents/"), 3);
        QCOMPARE(requests.count("GET /q_Vestra/HTML/A-12.txt HTTP/1.0"), 2);
    }

    // The member closes the window while the first document downloads:
    // nothing more is fetched or mirrored, nothing half-written stays, and
    // the program is told to end.
    void closingDuringTheDownloadsEndsThem() {
        ScriptedServer server({ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 8\r\n\r\n1234"),
                               ServerStep::Pause(300), ServerStep::Send("5678")},
                              8);
        net::TcpSocketFactory sockets;
        Harness h(true, {}, {"127.0.0.1", server.Port()}, &sockets);
        h.WriteUserFile("A-12|3\r\n");
        h.urls.pages["http://127.0.0.1:" + std::to_string(server.Port()) +
                     "/q_vestra/execute.asp?yuzaaidhi=A-12"] =
            "Contents_VALUE\r\nSub;a;/d/a.pdf\r\nSub;b;/d/b.pdf\r\nContents_End\r\n";
        connect(h.window.get(), &FrmQvestra::progressWindowShown, this, [&] { h.window->close(); });
        h.window->Load();
        QCOMPARE(h.programEnds, 1);
        const QString requests = QString::fromStdString(server.Request());
        QCOMPARE(requests.count("/qv_contents/"), 1);
        QVERIFY(!requests.contains("/q_Vestra/"));
        QVERIFY(QDir(QString::fromStdString(h.folder.string()))
                    .entryList(QDir::Files | QDir::Hidden)
                    .filter(".part")
                    .isEmpty());
    }

    // A killed run left temporary files; the next build clears them away,
    // a link only as a link.
    void leftoversOfAKilledRunAreRemoved() {
        Harness h(false);
        h.WriteUserFile("A-12|3\r\n");
        std::filesystem::create_directories(h.folder / "images");
        const auto outside = h.folder.parent_path() / "outside.pdf";
        testing::WriteFile(outside, "keep");
        testing::WriteFile(h.folder / ".a.pdf.part", "half");
        testing::WriteFile(h.folder / "images" / ".LOGO_Movei.gif.part", "half");
        testing::WriteFile(h.folder / "b.pdf", "whole");
        std::filesystem::create_symlink(outside, h.folder / ".c.pdf.part");
        h.window->Load();
        QVERIFY(!std::filesystem::exists(h.folder / ".a.pdf.part"));
        QVERIFY(!std::filesystem::exists(h.folder / "images" / ".LOGO_Movei.gif.part"));
        QVERIFY(
            !std::filesystem::exists(std::filesystem::symlink_status(h.folder / ".c.pdf.part")));
        QCOMPARE(testing::ReadFile(outside), std::string("keep"));
        QCOMPARE(testing::ReadFile(h.folder / "b.pdf"), std::string("whole"));
    }
};

QTEST_MAIN(TestMenuDownloads)
#include "test_menu_downloads.moc"
