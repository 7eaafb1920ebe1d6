// Downloads as the menu build runs them: one after another, each with its
// own progress window, and a build asked for meanwhile run once afterwards.
#include <QtTest>

#include "app/main_window_harness.h"
#include "fakes/files.h"
#include "mirror/frm_cond.h"

using namespace qvestra;
using namespace qvestra::testing;

class TestMenuDownloads : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void threeMissingDocumentsInOneBuild() {
        const std::string body = "%PDF-1.4 document";
        // The probe, the record refresh, three documents, and the mirroring of
        // two builds.
        Served s(OkReply(body), 11, "A-12|3\r\n");
        s.h.urls.pages[s.MenuAddress()] =
            EncodeCp932(QStringLiteral("Contents_VALUE\r\nMain;第1章\r\nSub;一;/a/d1.pdf\r\n"
                                       "Sub;二;/b/d2.pdf\r\nCont;三;/d3.pdf\r\nContents_End\r\n"))
                .toStdString();
        int windows = 0;
        connect(s.h.window.get(), &FrmQvestra::progressWindowShown, this, [&] {
            if (++windows > 1) return;
            s.h.window->BuildMenu();
            s.h.window->BuildMenu();
        });
        s.h.window->Load();
        QCOMPARE(windows, 3);
        QCOMPARE(s.h.urls.reads.size(), std::size_t{2});
        QCOMPARE(s.h.window->TOT_Send(), static_cast<double>(body.size()));
        QCOMPARE(FilesIn(s.h.folder).filter(".pdf"), (QStringList{"d1.pdf", "d2.pdf", "d3.pdf"}));
        const QString requests = QString::fromStdString(s.server.Request());
        const auto d1 = requests.indexOf("/qv_contents/d1.pdf HTTP/1.0");
        const auto d2 = requests.indexOf("/qv_contents/d2.pdf HTTP/1.0");
        QVERIFY(d1 > 0 && d1 < d2 && d2 < requests.indexOf("/qv_contents/d3.pdf HTTP/1.0"));
        QCOMPARE(requests.count("/qv_contents/"), 3);
        QCOMPARE(requests.count("GET /q_Vestra/HTML/A-12.txt HTTP/1.0"), 2);
    }

    // The member closes the window while the first document downloads:
    // nothing more is fetched or mirrored, nothing half-written stays, and
    // the program is told to end.
    void closingDuringTheDownloadsEndsThem() {
        Served s("HTTP/1.0 200 OK\r\nContent-Length: 8\r\n\r\n1234<pause>5678", 8, "A-12|3\r\n");
        s.h.urls.pages[s.MenuAddress()] =
            "Contents_VALUE\r\nSub;a;/d/a.pdf\r\nSub;b;/d/b.pdf\r\nContents_End\r\n";
        connect(s.h.window.get(), &FrmQvestra::progressWindowShown, this,
                [&] { s.h.window->close(); });
        s.h.window->Load();
        QCOMPARE(s.h.programEnds, 1);
        const QString requests = QString::fromStdString(s.server.Request());
        QCOMPARE(requests.count("/qv_contents/"), 1);
        QVERIFY(!requests.contains("/q_Vestra/"));
        QCOMPARE(FilesIn(s.h.folder), QStringList{"qvuser.txt"});
    }

    // A killed run left temporary files; the next build clears them away,
    // a link only as a link.
    void leftoversOfAKilledRunAreRemoved() {
        Harness h(false);
        h.WriteUserFile("A-12|3\r\n");
        std::filesystem::create_directories(h.folder / "images");
        const auto outside = h.folder.parent_path() / "outside.pdf";
        WriteFile(outside, "keep");
        WriteFile(h.folder / ".a.pdf.part", "half");
        WriteFile(h.folder / "images/.LOGO_Movei.gif.part", "half");
        WriteFile(h.folder / "b.pdf", "whole");
        std::filesystem::create_symlink(outside, h.folder / ".c.pdf.part");
        h.window->Load();
        QCOMPARE(FilesIn(h.folder), (QStringList{"b.pdf", "qvuser.txt"}));
        QVERIFY(FilesIn(h.folder / "images").isEmpty());
        QCOMPARE(ReadFile(outside), std::string("keep"));
        QCOMPARE(ReadFile(h.folder / "b.pdf"), std::string("whole"));
    }
};

QTEST_MAIN(TestMenuDownloads)
#include "test_menu_downloads.moc"
