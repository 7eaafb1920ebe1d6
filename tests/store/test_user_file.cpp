// The user file's record rules and the data folder's safety rules.
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fakes/files.h"
#include "fakes/rows.h"
#include "store/data_folder.h"
#include "store/user_file.h"

using namespace qvestra::store;
using qvestra::testing::ReadFile;
using qvestra::testing::Row;
using qvestra::testing::WriteFile;

namespace {

std::filesystem::path PathOf(const QTemporaryDir& dir) { return dir.path().toStdString(); }

}  // namespace

class TestUserFile : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // The refusal tests aim deletions at the home folder; should the guard
    // ever break, that must be a throw-away folder.
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("HOME", QFile::encodeName(home_.path() + "/home"));
        QVERIFY(QDir().mkpath(QDir::homePath()));
    }

    void firstField_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("field");
        Row("record", "A-12|1", "A-12|1");
        Row("leading blanks skipped", "  A-12|1", "A-12|1");
        Row("up to the first comma", "A-12|1,tail", "A-12|1");
        Row("quoted field keeps its comma", "\"A,12|1\",x", "A,12|1");
        Row("empty", "", "");
    }
    void firstField() {
        QFETCH(QString, line);
        QFETCH(QString, field);
        QCOMPARE(FirstField(line), field);
    }

    void memberNumber_data() {
        QTest::addColumn<QString>("memberId");
        QTest::addColumn<QString>("number");  // empty: none
        Row("plain", "A-12", "12");
        Row("leading zeros dropped", "A-0012", "12");
        Row("all zeros", "A-000", "0");
        Row("third piece ignored", "A-7-9", "7");
        Row("no dash", "A12", "");
        Row("empty piece", "A-", "");
        Row("not digits", "A-1x", "");
        Row("full-width digits are not digits", "A-１２", "");
    }
    void memberNumber() {
        QFETCH(QString, memberId);
        QFETCH(QString, number);
        const auto got = MemberNumber(memberId);
        QCOMPARE(got.value_or(QString()), number);
    }

    void parseRecord_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("applicant") << "A-0012|1" << true;
        QTest::newRow("contracted") << "A-12|3" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("no bar") << "A-12" << false;
        QTest::newRow("two bars") << "A-12|1|2" << false;
        QTest::newRow("status of two digits") << "A-12|12" << false;
        QTest::newRow("status not a digit") << "A-12|x" << false;
        QTest::newRow("status missing") << "A-12|" << false;
        QTest::newRow("member number not digits") << "A-1a|1" << false;
        QTest::newRow("no member number") << "A|1" << false;
        QTest::newRow("slash in member ID") << "A-12/x|1" << false;
        QTest::newRow("backslash in member ID") << "A\\x-12|1" << false;
        QTest::newRow("dot dot in member ID") << "..-12|1" << false;
        QTest::newRow("control character") << "A\t-12|1" << false;
        QTest::newRow("leading blank, lost on reading back") << " A-12|1" << false;
        QTest::newRow("character code page 932 lacks") << "A\u00e4\u20ac-12|1" << false;
    }
    void parseRecord() {
        QFETCH(QString, record);
        QFETCH(bool, accepted);
        QCOMPARE(ParseUserRecord(record).has_value(), accepted);
    }

    void recordPartsOfAnApplicant() {
        const auto parts = ParseUserRecord(QStringLiteral("A-0012|1"));
        QVERIFY(parts);
        QCOMPARE(parts->memberId, QStringLiteral("A-0012"));
        QCOMPARE(parts->status, QStringLiteral("1"));
        QCOMPARE(parts->memberNumber, QStringLiteral("12"));
        QCOMPARE(CutRecord(QStringLiteral("A-0012|1")), QStringLiteral("A-0012"));
    }

    void writeReplacesWholeContentWithOneLine() {
        QTemporaryDir dir;
        const UserFile file(PathOf(dir) / "qvuser.txt");
        WriteFile(file.Path(), "OLD-CONTENT-THAT-IS-LONGER|9\r\nsecond line\r\n");
        QVERIFY(file.Write(QStringLiteral("A-12|2")));
        std::ifstream in(file.Path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        QCOMPARE(bytes, std::string("A-12|2\r\n"));
        QCOMPARE(file.ReadLine().value(), QStringLiteral("A-12|2"));
        QCOMPARE(file.ReadFirstField().value(), QStringLiteral("A-12|2"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void killedWhileRewritingLeavesTheOldOrTheNewRecord() {
        QTemporaryDir dir;
        const UserFile file(PathOf(dir) / "qvuser.txt");
        const QString records[] = {QStringLiteral("A-12|1"), QStringLiteral("A-0012345678|3")};
        QVERIFY(file.Write(records[0]));
        std::mt19937 random(7);
        for (int round = 0; round < 40; ++round) {
            const pid_t writer = fork();
            QVERIFY(writer >= 0);
            if (writer == 0) {
                for (unsigned i = 0;; ++i) file.Write(records[i % 2]);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
            kill(writer, SIGKILL);
            waitpid(writer, nullptr, 0);
            const std::string bytes = ReadFile(file.Path());
            QVERIFY2(bytes == "A-12|1\r\n" || bytes == "A-0012345678|3\r\n", bytes.c_str());
        }
    }

    void writeIntoMissingFolderFailsCleanly() {
        QTemporaryDir dir;
        const UserFile file(PathOf(dir) / "missing" / "qvuser.txt");
        QVERIFY(!file.Write(QStringLiteral("A-12|2")));
        QVERIFY(!std::filesystem::exists(file.Path()));
    }

    void readersOfALineEndingInLfOnly() {
        QTemporaryDir dir;
        const UserFile file(PathOf(dir) / "qvuser.txt");
        WriteFile(file.Path(), "A-12|3\n");
        QCOMPARE(file.ReadLine().value(), QStringLiteral("A-12|3"));
    }

    void removeAllTakesContentButNeverFollowsLinks() {
        QTemporaryDir outside;
        WriteFile(PathOf(outside) / "keep.txt", "precious");
        QTemporaryDir dir;
        const DataFolder folder(PathOf(dir) / "qvestrafolder");
        QVERIFY(folder.Create());
        WriteFile(folder.UserFile(), "A-12|3\r\n");
        std::filesystem::create_directories(folder.Root() / "images");
        WriteFile(folder.Root() / "images" / "LOGO_Movei.gif", "GIF");
        std::filesystem::create_directory_symlink(PathOf(outside), folder.Root() / "link");
        std::filesystem::create_symlink(PathOf(outside) / "keep.txt", folder.Root() / "doc.pdf");
        QVERIFY(folder.RemoveAll());
        QVERIFY(!folder.Exists());
        QCOMPARE(ReadFile(PathOf(outside) / "keep.txt"), std::string("precious"));
    }

    void removeAllOfALinkedRootRemovesOnlyTheLink() {
        QTemporaryDir target;
        WriteFile(PathOf(target) / "keep.txt", "precious");
        QTemporaryDir dir;
        const auto root = PathOf(dir) / "qvestrafolder";
        std::filesystem::create_directory_symlink(PathOf(target), root);
        QVERIFY(DataFolder(root).RemoveAll());
        QVERIFY(!std::filesystem::exists(std::filesystem::symlink_status(root)));
        QVERIFY(std::filesystem::exists(PathOf(target) / "keep.txt"));
    }

    void removeAllRefusesWhatCannotBeTheDataFolder_data() {
        QTest::addColumn<QString>("root");
        QTest::newRow("empty") << "";
        QTest::newRow("file system root") << "/";
        QTest::newRow("relative") << "qvestrafolder";
        QTest::newRow("home") << QDir::homePath();
        QTest::newRow("home with trailing slash") << QDir::homePath() + "/";
        QTest::newRow("above home") << QFileInfo(QDir::homePath()).path();
    }
    void removeAllRefusesWhatCannotBeTheDataFolder() {
        QFETCH(QString, root);
        QVERIFY(!DataFolder(root.toStdString()).RemoveAll());
        QVERIFY(QFileInfo::exists(QDir::homePath()));
    }

  private:
    QTemporaryDir home_;
};

QTEST_GUILESS_MAIN(TestUserFile)
#include "test_user_file.moc"
