// The log support reads: bounded on disk, the member's alone, and never
// holding a secret the program handled.
#include <sys/stat.h>

#include "fakes/support.h"

#include "core/log_sink.h"
#include "documents/download.h"
#include "net/protocol.h"
#include "net/tcp_socket.h"
#include "store/answers.h"

using namespace qvestra;
using namespace qvestra::testing;

class TestLog : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // A proxy with a user and password, a short answer and a document whose
    // bytes are planted: the log names each exchange and holds none of them.
    // What Qt's rules filter never reaches the sink: that is Qt's. Then the
    // log's bound: two files of at most 1 MiB, 0600; the last 200 lines at
    // hand.
    void noSecretAndItsBound() {
        QTemporaryDir dir;
        const std::filesystem::path folder = dir.path().toStdString() + "/qvestra";
        core::LogSink sink(folder);
        ScriptedServer proxy(OkReply("PAGE-CONTENT-PLANTED"), 2);
        const net::ServiceEndpoint at(
            "svc.test", 80, net::HttpProxy{"127.0.0.1", proxy.Port(), "member", "pa55w0rd"});
        net::TcpSocket socket;
        QVERIFY(store::FetchShortAnswer(socket, at, net::protocol::RequestStatus(at, "12")).field);
        const store::DataFolder data(dir.path().toStdString());
        documents::FetchDocument({socket, at}, data, "/a.pdf", {}, {});
        sink.Flush();
        const QString log = QString::fromStdString(ReadFile(folder / "qvestra.log"));
        QCOMPARE(log.count("keika12.txt"), 1);
        QCOMPARE(log.count("/qv_contents/a.pdf"), 1);
        for (const char* secret :
             {"pa55w0rd", "bWVtYmVyOnBhNTV3MHJk", "Proxy-Authorization", "PAGE-CONTENT-PLANTED"})
            QVERIFY2(!log.contains(secret), secret);
        // The last line alone is longer than a file may be: whatever batch
        // the writer takes it in is over the bound, however the race with the
        // writer goes, and still no file grows past it.
        const QString line(1000, u'x'), longest(core::LogSink::kFileBytes, u'x');
        for (int i = 0; i < 3000; ++i) qInfo("%d %s", i, qPrintable(i < 2999 ? line : longest));
        sink.Flush();
        for (const char* name : {"qvestra.log", "qvestra.log.1"}) {
            struct stat info {};
            QCOMPARE(::stat((folder / name).c_str(), &info), 0);
            QVERIFY(info.st_size <= core::LogSink::kFileBytes);
            QCOMPARE(info.st_mode & 0777, 0600u);
        }
        QCOMPARE(sink.Recent().size(), core::LogSink::kRecentLines);
        QVERIFY(sink.Recent().last().contains(QStringLiteral(" 2999 ")));
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "test_log.moc"
