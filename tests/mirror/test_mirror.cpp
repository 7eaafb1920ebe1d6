// Document downloads with their progress window, and page and logo
// mirroring, against a scripted loopback server.
#include <fcntl.h>
#include <unistd.h>

#include "fakes/support.h"

#include "app/main_window_harness.h"
#include "documents/download.h"
#include "mirror/mirror.h"
#include "net/http_text.h"
#include "store/part_file.h"

Q_DECLARE_METATYPE(qvestra::documents::DownloadFailure)
Q_DECLARE_METATYPE(qvestra::net::SocketResult)
using namespace qvestra;
using namespace qvestra::testing;
using namespace std::string_literals;

namespace {

// A data folder and the exchange set the main window lends, aimed at a
// script.
struct Client {
    explicit Client(const std::string& script, int connections = 1) : server(script, connections) {}
    net::Exchange Exchange() { return {socket, endpoint}; }
    std::filesystem::path operator/(const char* name) const { return data.Root() / name; }
    ScriptedServer server;
    net::TcpSocket socket;
    net::ServiceEndpoint endpoint{"127.0.0.1", server.Port()};
    QTemporaryDir dir;
    store::DataFolder data{dir.path().toStdString()};
};

// Every state the progress window went through: length | received | bar.
struct ProgressLog {
    QStringList shown;
    documents::DownloadOutcome Download(Client& c, int timeoutSeconds = 5,
                                        const QString& name = "/m01.pdf") {
        documents::ProgressWindow progress(
            ui::TwipScale(15), "教材1", [this](documents::FrmCond& w) {
                shown << "|";
                Record(w);
                QObject::connect(&w, &documents::FrmCond::updated, [this, &w] { Record(w); });
            });
        return documents::FetchDocument(
            c.Exchange(), c.data, name, {timeoutSeconds, {documents::kDocumentMaxBytes}},
            std::bind_front(&documents::ProgressWindow::Report, &progress));
    }
    void Record(const documents::FrmCond& w) {
        shown << QStringLiteral("%1|%2|%3/%4")
                     .arg(w.Lbl_Leng->text(), w.Lbl_Recv->text())
                     .arg(w.ProgBar->value())
                     .arg(w.ProgBar->maximum());
    }
};

// A reply with the rest of m01.pdf (ten bytes, ETag "v1" unless told).
std::string Rest(const std::string& range, const std::string& body,
                 const std::string& version = "ETag: \"v1\"\r\n") {
    return "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes " + range +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + version + "\r\n" + body;
}

// What a transfer of m01.pdf that ended early leaves: a part and its record.
void LeavePart(const Client& c, const std::string& bytes) {
    WriteFile(store::PartFile::NameFor(c / "m01.pdf"), bytes);
    WriteFile(store::PartFile::RecordFor(c / "m01.pdf"), "10\n\"v1\"\n");
}

}  // namespace

class TestMirror : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Its title, its going once the download ends and the document it
    // leaves are checked by the end-to-end runs.
    void progressOfTheAnnouncedLength() {
        const std::string half(1024, 'p');
        Client c("HTTP/1.0 200 OK\r\nContent-Length: 2048\r\n\r\n" + half + "<pause 80>" + half);
        ProgressLog log;
        QVERIFY(log.Download(c).stored);
        QCOMPARE(log.shown, (QStringList{"|", "2,048||0/2048", "2,048|1,024|1024/2048",
                                         "2,048|2,048|2048/2048"}));
        // A continued document's starts at the share on disk.
        Client rest(Rest("6-9/10", "ghij"));
        LeavePart(rest, "abcdef");
        ProgressLog continued;
        QVERIFY(continued.Download(rest).stored);
        QCOMPARE(continued.shown, (QStringList{"|", "10||0/10", "10|6|6/10", "10|10|10/10"}));
        // The title is the service's text, never markup that reshapes the window.
        documents::FrmCond window(ui::TwipScale(15));
        window.Announce(QStringLiteral("<img width=4000 height=4000>"), 1);
        QVERIFY(window.Lbl_TTL->sizeHint().width() < 1000);
    }

    // A download that cannot be written stores nothing: the full-disk test.
    void aWriteFailureOrAnUnsafeNameStoresNothing() {
        Client c(OkReply("x"));
        // A folder where the temporary file would go makes every write fail.
        std::filesystem::create_directory(c / ".m01.pdf.part");
        store::PartFile part(c / "m01.pdf");
        QVERIFY(!part.Write("x") && !part.Write("y") && !part.Commit());
        QVERIFY(!std::filesystem::exists(c / "m01.pdf"));
        // A folder of that name that is not empty: the last step, the rename, fails.
        std::filesystem::create_directories(c / "taken.pdf/inside");
        store::PartFile renamed(c / "taken.pdf");
        QVERIFY(renamed.Write("x") && !renamed.Commit());
        renamed.Discard();
        QVERIFY(!std::filesystem::exists(c / ".taken.pdf.part"));
        // A continued document whose last step fails keeps its part and record.
        Client rest(Rest("4-9/10", "efghij"));
        std::filesystem::create_directories(rest / "m01.pdf/inside");
        LeavePart(rest, "abcd");
        QVERIFY(!ProgressLog().Download(rest).stored);
        QCOMPARE(ReadFile(store::PartFile::NameFor(rest / "m01.pdf")), "abcdefghij"s);
        QVERIFY(std::filesystem::exists(store::PartFile::RecordFor(rest / "m01.pdf")));
        // Once discarded, its descriptor is not closed again when it goes: by
        // then that number may be another thread's file.
        auto discarded = std::make_unique<store::PartFile>(c / "a.pdf");
        QVERIFY(discarded->Write("x"));
        discarded->Discard();
        const int reused = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        discarded.reset();
        QVERIFY(::fcntl(reused, F_GETFD) != -1);
        ::close(reused);
        // Names the content list never hands over are not fetched at all.
        for (const QString name : {"m01.pdf", "/.."})
            QVERIFY(!ProgressLog().Download(c, 1, name).stored);
        QVERIFY(FilesIn(c.data.Root()).isEmpty());
    }

    // A transfer that ended early left "abcd" of the ten bytes of m01.pdf and
    // its record (length 10, ETag "v1"). The next request asks for the rest
    // only when both are sound; the reply decides what becomes of the part.
    // Replies are played to every request, the whole one a part that could
    // not be continued makes once more included.
    // before: the part | the record; after: the document | the part | the
    // record, "-" for none.
    void continuingAnInterruptedDownload_data() {
        Columns<std::string, std::string, std::string, std::string>();
        const auto ok = [](const std::string& fields, const std::string& body) {
            return "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n" + fields + "\r\n" + body;
        };
        const std::string v1 = "10\n\"v1\"\n", cut = "abcd|" + v1, none = "-|-|-",
                          whole = "abcdefghij|-|-";
        Row("the rest", cut, Rest("4-9/10", "efghij"), "rest"s, whole);
        Row("the rest cut short", cut, Rest("4-9/10", "ef"), "rest"s, "-|abcdef|" + v1);
        Row("another start", cut, Rest("3-9/10", "defghij"), "rest whole"s, none);
        Row("another length", cut, Rest("4-10/11", "efghijk"), "rest whole"s, none);
        Row("a range past its length", cut, Rest("4-10/10", "efghijk"), "rest whole"s, none);
        Row("not satisfiable", cut, "HTTP/1.0 416 Range Not Satisfiable\r\n\r\n"s, "rest whole"s,
            none);
        Row("a range of another version", cut, Rest("4-9/10", "efghij", "ETag: \"v2\"\r\n"),
            "rest whole"s, none);
        Row("a range naming no version", cut, Rest("4-9/10", "efghij", ""), "rest whole"s, none);
        Row("a rest longer than the document", cut,
            "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 4-9/10\r\nETag: \"v1\"\r\n\r\n"
            "efghijk"s,
            "rest"s, none);
        Row("a changed document", cut, ok("ETag: \"v2\"\r\n", "ABCDEFGHIJ"), "rest"s,
            "ABCDEFGHIJ|-|-"s);
        Row("a changed document cut short", cut, ok("ETag: \"v2\"\r\n", "ABC"), "rest"s,
            "-|ABC|10\n\"v2\"\n"s);
        Row("a server error", cut, "HTTP/1.0 503 Busy\r\n\r\nlater"s, "rest"s, "-|" + cut);
        Row("a range answered as a whole document", cut,
            ok("Content-Range: bytes 4-9/10\r\n", "efghij"), "rest"s, "-|" + cut);
        Row("a damaged record", "abcd|ten\n\"v1\"\n"s, OkReply("abcdefghij"), "whole"s, whole);
        Row("a line break in the recorded validator", "abcd|10\n\"v\r1\"\n"s, OkReply("abcdefghij"),
            "whole"s, whole);
        Row("no record", "abcd|"s, OkReply("abcdefghij"), "whole"s, whole);
        Row("a part as long as the document", "abcdefghij|" + v1, OkReply("abcdefghij"), "whole"s,
            whole);
        // A date is a version only when the reply's own Date is a minute or more after it.
        const std::string modified = "Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n";
        const std::string dated = "abcd|10\nMon, 07 Dec 2026 10:00:00 GMT\n";
        Row("a first transfer cut short, a strong date", "|"s,
            ok(modified + "Date: Mon, 07 Dec 2026 10:01:00 GMT\r\n", "a"), "whole"s,
            "-|a|" + dated.substr(5));
        Row("a first transfer cut short, a weak date", "|"s,
            ok(modified + "Date: Mon, 07 Dec 2026 10:00:59 GMT\r\n", "a"), "whole"s, none);
        Row("the rest of the dated version", dated, Rest("4-9/10", "efghij", modified), "rest"s,
            whole);
        Row("a first transfer cut short, a weak ETag", "|"s, ok("ETag: W/\"a\"\r\n", "ab"),
            "whole"s, none);
        Row("a first transfer cut short, no usable validator", "|"s, ok("ETag: \"a\rb\"\r\n", "ab"),
            "whole"s, none);
        Row("a part of a document asked for whole", "|"s, Rest("0-9/10", "abcdefghij"), "whole"s,
            none);
    }
    void continuingAnInterruptedDownload() {
        const auto [before, reply, requests, after] =
            Fetch<std::string, std::string, std::string, std::string>();
        Client c(reply, 2);
        const auto target = c / "m01.pdf";
        const std::filesystem::path files[] = {target, store::PartFile::NameFor(target),
                                               store::PartFile::RecordFor(target)};
        const auto bar = before.find('|');
        if (bar > 0) WriteFile(files[1], before.substr(0, bar));
        if (bar + 1 < before.size()) WriteFile(files[2], before.substr(bar + 1));
        ProgressLog().Download(c);
        std::string state;
        for (const auto& file : files)
            state += (state.empty() ? "" : "|") +
                     (std::filesystem::exists(file) ? ReadFile(file) : "-"s);
        QCOMPARE(state, after);
        // The range lines follow the usual ones, naming the recorded
        // version; every other request is the plain one, byte for byte.
        std::string recorded = before.substr(before.find('\n') + 1);
        if (!recorded.empty()) recorded.pop_back();
        std::string expected;
        for (const auto& kind : QString::fromStdString(requests).split(u' '))
            expected +=
                "GET " + c.server.Address("/qv_contents/m01.pdf") + " HTTP/1.0\r\n" +
                net::HostHeader(c.endpoint) +
                (kind == "rest" ? "Range: bytes=4-\r\nIf-Range: " + recorded + "\r\n\r\n" : "\r\n");
        QCOMPARE(c.server.Request(), expected);
    }

    // Why a document was not stored, from what its last exchange came to.
    void whyADocumentWasNotStored_data() {
        Columns<net::SocketResult, int, net::SocketResult, bool, documents::DownloadFailure>();
        using F = documents::DownloadFailure;
        using namespace net;
        Row("out of reach", kConnectFailed, 0, kConnectFailed, false, F::kNoConnection);
        Row("no answer", kOk, 0, kTimedOut, false, F::kNoConnection);
        Row("a certificate refused", kUnverified, 0, kUnverified, false, F::kUnverified);
        Row("an error status", kOk, 503, kClosed, false, F::kServiceError);
        Row("a full disk", kOk, 200, kClosed, true, F::kDiskFull);
        Row("too slow", kOk, 206, kTooSlow, false, F::kTooSlow);
        Row("stopped", kOk, 200, kTimedOut, false, F::kTooSlow);
        Row("a reset", kOk, 299, kIoError, false, F::kBrokenOff);
    }
    void whyADocumentWasNotStored() {
        const auto [connect, status, end, diskFull, failure] =
            Fetch<net::SocketResult, int, net::SocketResult, bool, documents::DownloadFailure>();
        const net::ExchangeResult result{
            .SockResult = end, .ConnectResult = connect, .StatusCode = status};
        QCOMPARE(documents::FailureOf(result, diskFull), failure);
    }

    // The page copy first holds the page just read; each copy is replaced
    // only by a whole successful reply (the nginx end-to-end run's), and
    // other files stay as they are.
    void mirroringKeepsTheLastGoodCopies() {
        Client c("HTTP/1.0 404 Not Found\r\n\r\n<html>404</html>", 3);
        std::filesystem::create_directories(c / "images");
        WriteFile(c / "images/LOGO_Movei.gif", "old logo");
        WriteFile(c / "images/other.gif", "other");
        WriteFile(c / "Help.html", "old help");
        mirror::MirrorPages(c.Exchange(), c.data, "A-12", QStringLiteral("ページ"));
        QStringList got;
        for (const char* copy :
             {"A-12.html", "Help.html", "images/LOGO_Movei.gif", "images/other.gif"})
            got << core::DecodeCp932(QByteArray::fromStdString(ReadFile(c / copy)));
        QCOMPARE(got.join(u'|'), QStringLiteral("ページ\r\n|old help|old logo|other"));
        QCOMPARE(QString::fromStdString(c.server.Request()).count("\r\nHost: 127.0.0.1:"), 3);
    }

    // A menu page that did not arrive whole (an error status, a broken
    // transfer) never becomes the offline copy: the last good one stays.
    void onlyAWholePageBecomesTheOfflineCopy() {
        for (const bool whole : {true, false}) {
            Harness s({"HTTP/1.0 404 Not Found\r\n\r\nno copy", 5}, "A-12|3\r\n");
            s.urls.pages[s.MenuAddress()] = "maintenance";
            if (!whole) s.urls.cut.insert(s.MenuAddress());
            WriteFile(s.folder / "A-12.html", "last good");
            s.Load();
            QCOMPARE(ReadFile(s.folder / "A-12.html"),
                     std::string(whole ? "maintenance\r\n" : "last good"));
        }
    }

    // Downloads as the menu build runs them: one after another, each with its
    // own progress window, and a build asked for meanwhile run once afterwards.
    void threeMissingDocumentsInOneBuild() {
        // The probe, the record refresh, three documents, and the mirroring of
        // two builds.
        Harness s({OkReply("%PDF-1.4 document"), 11}, "A-12|3\r\n");
        s.MenuLists({"Main;第1章", "Sub;一;/a/d1.pdf", "Sub;二;/b/d2.pdf", "Cont;三;/d3.pdf"});
        int windows = 0;
        connect(s.window.get(), &FrmQvestra::progressWindowShown, this, [&] {
            if (++windows > 1) return;
            s.window->BuildMenu();
            s.window->BuildMenu();
        });
        s.Load();
        QCOMPARE(windows, 3);
        QCOMPARE(s.urls.reads.size(), std::size_t{2});
        const QString requests = QString::fromStdString(s.server->Request());
        const auto d1 = requests.indexOf("/qv_contents/d1.pdf HTTP/1.0");
        const auto d2 = requests.indexOf("/qv_contents/d2.pdf HTTP/1.0");
        QVERIFY(d1 > 0 && d1 < d2 && d2 < requests.indexOf("/qv_contents/d3.pdf HTTP/1.0"));
        QCOMPARE(requests.count("/qv_contents/"), 3);
        QCOMPARE(requests.count("GET /q_Vestra/HTML/A-12.txt HTTP/1.0"), 2);
    }

    // A killed run left temporary files; the next build clears them away,
    // a link only as a link, but for the part and record of a document
    // still listed and not there yet, which its download continues.
    void leftoversOfAKilledRunAreRemoved() {
        Harness h(false);
        h.WriteUserFile("A-12|3\r\n");
        h.urls.pages["file://" + h.folder.string() + "/A-12.html"] =
            core::EncodeCp932(MenuPage({"Main;第1章", "Sub;一;/d/next.pdf", "Sub;二;/d/b.pdf"}))
                .toStdString();
        WriteFile(h.folder / ".next.pdf.part", "half");
        for (const char* record : {".next.pdf.resume", ".b.pdf.resume", ".gone.pdf.resume"})
            WriteFile(h.folder / record, "9\n\"1\"\n");
        std::filesystem::create_directories(h.folder / "images");
        const auto outside = h.folder.parent_path() / "outside.pdf";
        WriteFile(outside, "keep");
        WriteFile(h.folder / ".a.part", "half");
        WriteFile(h.folder / "images/.LOGO_Movei.gif.part", "half");
        WriteFile(h.folder / "b.pdf", "whole");
        WriteFile(h.folder / "..part", "not ours");
        std::filesystem::create_symlink(outside, h.folder / ".c.pdf.part");
        h.Load();
        QCOMPARE(FilesIn(h.folder), (QStringList{"..part", ".next.pdf.part", ".next.pdf.resume",
                                                 "b.pdf", "qvuser.txt"}));
        QVERIFY(FilesIn(h.folder / "images").isEmpty());
        QCOMPARE(ReadFile(outside), "keep"s);
    }
};

QTEST_MAIN(TestMirror)
#include "test_mirror.moc"
