// Writes on a full disk: the test runs in a user and mount namespace of its
// own, where /tmp is a small tmpfs that each case fills up before it writes.
// Every file the program writes is then either whole or as it was before.
#include <sched.h>
#include <sys/mount.h>

#include "fakes/support.h"

#include "core/log_sink.h"
#include "net/tcp_socket.h"
#include "store/sinks.h"
#include "store/user_file.h"

using namespace qvestra;
using namespace qvestra::testing;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// Before any thread starts: the kernel refuses a user namespace to a
// process with more than one.
bool OnASmallTmpfs() {
    const auto write = [](const char* path, const std::string& text) {
        return static_cast<bool>(std::ofstream(path) << text << std::flush);
    };
    const auto uid = std::to_string(::geteuid()), gid = std::to_string(::getegid());
    return ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && write("/proc/self/setgroups", "deny") &&
           write("/proc/self/uid_map", "0 " + uid + " 1") &&
           write("/proc/self/gid_map", "0 " + gid + " 1") &&
           ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", "/tmp", "tmpfs", 0, "size=1m") == 0;
}

// Writes into folder until the disk refuses another byte.
void FillTheDisk(const fs::path& folder) {
    std::ofstream filler(folder / "filler", std::ios::binary);
    for (const std::streamsize size : {4096, 1}) {
        while (filler.write(std::string(4096, 'f').data(), size).flush()) continue;
        filler.clear();
    }
}

// What one exchange with the scripted service leaves in the sink.
void Fetch(const std::string& reply, auto&& sink) {
    ScriptedServer server(reply);
    net::TcpSocket socket;
    net::PlainGet(socket, {"127.0.0.1", server.Port()}, {"GET /x HTTP/1.0\r\n\r\n", 5}, sink);
}

}  // namespace

class TestFullDisk : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void everyFileIsWholeOrAsBefore() {
        QTemporaryDir dir;
        const fs::path folder = dir.path().toStdString();
        const store::UserFile user(folder / "qvuser.txt");
        // A copy of a page is written as the user file is (WriteLineAtomically).
        QVERIFY(user.Write(QStringLiteral("A-12|3")));
        WriteFile(folder / "keika.txt", "END10-00-00");
        // A document cut off at its fourth byte, its record beside it.
        WriteFile(folder / ".b.pdf.part", "abcd");
        WriteFile(folder / ".b.pdf.resume", "65540\n\"v1\"\n");
        core::LogSink log(folder / "log");
        qInfo("before the disk filled");
        log.Flush();
        FillTheDisk(folder);
        // The log's writer drops what the disk refuses and goes on: a line
        // longer than the room left in the file's last page.
        qInfo("%s", std::string(8192, 'x').c_str());
        log.Flush();

        QVERIFY(!user.Write(QStringLiteral("A-12|2")));
        Fetch(OkReply("END14-05-07"), store::ShortAnswerSink(folder / "keika.txt"));
        const std::string body(64 * 1024, 'd');
        store::WholeBodySink document(folder / "a.pdf", {1 << 20, 0});
        Fetch("HTTP/1.0 200 OK\r\n\r\n" + body, document);
        // No room for a record: a part that could not be continued goes.
        store::DocumentSink fresh(folder / "c.pdf", {1 << 20, 0}, {}, {});
        Fetch(OkReply(body).insert(17, "ETag: \"c\"\r\n"), fresh);
        // The rest does not fit: the part keeps what did, for the next try.
        store::DocumentSink rest(folder / "b.pdf", {1 << 20, 0},
                                 store::FindResumePoint(folder / "b.pdf"), {});
        const std::string range = "Content-Range: bytes 4-65539/65540\r\nETag: \"v1\"\r\n\r\n";
        Fetch("HTTP/1.0 206 Partial Content\r\n" + range + body, rest);

        QVERIFY(!document.Stored() && !fresh.Stored() && !rest.Stored());
        QVERIFY(ReadFile(folder / ".b.pdf.part").starts_with("abcd"));
        QCOMPARE(ReadFile(folder / ".b.pdf.resume"), "65540\n\"v1\"\n"s);
        QCOMPARE(ReadFile(folder / "qvuser.txt"), "A-12|3\r\n"s);
        QCOMPARE(ReadFile(folder / "keika.txt"), "END10-00-00"s);
        QCOMPARE(FilesIn(folder), (QStringList{".b.pdf.part", ".b.pdf.resume", "filler",
                                               "keika.txt", "qvuser.txt"}));
    }
};

int main(int argc, char* argv[]) {
    SkipWholeUnless(OnASmallTmpfs(), "no user namespace with a mount of its own here");
    TestFullDisk test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_full_disk.moc"
