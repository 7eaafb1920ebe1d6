// The user file's record rules and the data folder's safety rules.
#include <sys/stat.h>

#include "fakes/support.h"
#include "store/data_folder.h"
#include "store/user_file.h"

using namespace qvestra::store;
using namespace qvestra::testing;
namespace fs = std::filesystem;

namespace {

fs::path PathOf(const QTemporaryDir& dir) { return dir.path().toStdString(); }

}  // namespace

class TestUserFile : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // The refusal test aims deletions at the home folder; should the guard
    // ever break, that must be a throw-away folder.
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("HOME", QFile::encodeName(home_.path() + "/home"));
        QVERIFY(QDir().mkpath(QDir::homePath()));
    }

    // The first field: leading blanks skipped, up to a comma, quotes kept
    // out; the member number: the second piece, all digits, no leading zeros.
    void fieldsOfARecord() {
        QCOMPARE(FirstField("  A-12|1,tail"), "A-12|1");
        QCOMPARE(FirstField("\"A,12|1\",x"), "A,12|1");
        QCOMPARE(FirstField(" \"A-12|1"), "A-12|1");  // no closing quote: the rest
        QCOMPARE(FirstField(""), "");
        for (const auto& [id, number] : std::vector<std::pair<QString, QString>>{{"A-0012", "12"},
                                                                                 {"A-012", "12"},
                                                                                 {"A-000", "0"},
                                                                                 {"A-7-9", "7"},
                                                                                 {"A12", ""},
                                                                                 {"A-", ""},
                                                                                 {"A-1x", ""},
                                                                                 {"A-１２", ""}})
            QCOMPARE(MemberNumber(id).value_or(""), number);
    }

    // A record is member ID, bar, one status digit; the ID names a file
    // later, and the file is written in code page 932.
    void parseRecord() {
        for (const QString refused :
             {"", "A-12", "A-12|1|2", "A-12|12", "A-12|x", "A-12|\uff11", "A-12|", "A-1a|1", "A|1",
              "A-12/x|1", "A\\x-12|1", "..-12|1", "A\t-12|1", " A-12|1", "A\u00e4\u20ac-12|1"})
            QVERIFY2(!ParseUserRecord(refused), qPrintable(refused));
        QVERIFY2(ParseUserRecord(QStringLiteral("A 1-12|1")), "a blank inside names a file well");
        QVERIFY2(ParseUserRecord(QStringLiteral("A-12|9")), "any ASCII digit is a status");
        const auto parts = ParseUserRecord(QStringLiteral("A-0012|1"));
        QCOMPARE(QStringList({parts->memberId, parts->status, parts->memberNumber}),
                 (QStringList{"A-0012", "1", "12"}));
        QCOMPARE(CutRecord(QStringLiteral("A-0012|1")), QStringLiteral("A-0012"));
    }

    // One line with CR LF replaces everything, read back with either line end;
    // a folder that is missing fails the write and leaves nothing.
    void writeAndReadBack() {
        QTemporaryDir dir;
        const UserFile file(PathOf(dir) / "qvuser.txt");
        WriteFile(file.Path(), "OLD-CONTENT-THAT-IS-LONGER|9\r\nsecond line\r\n");
        QVERIFY(file.Write(QStringLiteral("A-12|2")));
        QCOMPARE(ReadFile(file.Path()), std::string("A-12|2\r\n"));
        QCOMPARE(file.ReadFirstField().value(), QStringLiteral("A-12|2"));
        QCOMPARE(FilesIn(PathOf(dir)).size(), 1);
        WriteFile(file.Path(), "A-12|3\n");
        QCOMPARE(file.ReadLine().value(), QStringLiteral("A-12|3"));
        WriteFile(file.Path(), "\nA-12|3\n");
        QCOMPARE(file.ReadLine().value(), QString());
        const UserFile lost(PathOf(dir) / "missing" / "qvuser.txt");
        QVERIFY(!lost.Write(QStringLiteral("A-12|2")));
        QVERIFY(!fs::exists(lost.Path().parent_path()));
    }

    // The folder and what is written there are the member's alone, whatever
    // the umask; a folder an earlier version left open to all is closed.
    void theMembersAlone() {
        QTemporaryDir dir;
        const auto mask = ::umask(0);
        const DataFolder folder(PathOf(dir) / "qvestrafolder");
        QVERIFY(folder.CreateImages());
        QVERIFY(UserFile(folder.UserFile()).Write(QStringLiteral("A-12|3")));
        ::umask(mask);
        const auto modeOf = [](const fs::path& p) { return fs::status(p).permissions(); };
        QCOMPARE(modeOf(folder.UserFile()), fs::perms(0600));
        for (const fs::path& f : {folder.Root(), folder.Root() / "images"}) {
            QCOMPARE(modeOf(f), fs::perms(0700));
            fs::permissions(f, fs::perms(0755));
        }
        folder.Tighten();
        QCOMPARE(modeOf(folder.Root()), fs::perms(0700));
        QCOMPARE(modeOf(folder.Root() / "images"), fs::perms(0700));
    }

    // Links inside are removed, never followed; a linked root goes as a link.
    void removeAllNeverFollowsLinks() {
        QTemporaryDir outside, dir;
        WriteFile(PathOf(outside) / "keep.txt", "precious");
        const DataFolder folder(PathOf(dir) / "qvestrafolder");
        QVERIFY(folder.Create());
        fs::create_directories(folder.Root() / "images");
        WriteFile(folder.Root() / "images" / "LOGO_Movei.gif", "GIF");
        fs::create_directory_symlink(PathOf(outside), folder.Root() / "link");
        fs::create_symlink(PathOf(outside) / "keep.txt", folder.Root() / "doc.pdf");
        QVERIFY(folder.RemoveAll());
        QVERIFY(!folder.Exists());
        const DataFolder linked(PathOf(dir) / "linked");
        fs::create_directory_symlink(PathOf(outside), linked.Root());
        QVERIFY(linked.RemoveAll());
        QVERIFY(!fs::exists(fs::symlink_status(linked.Root())));
        QCOMPARE(ReadFile(PathOf(outside) / "keep.txt"), std::string("precious"));
    }

    // Only the throw-away home of this test is ever handed to RemoveAll: with
    // its guard broken, a deletion aimed at "/" would take the machine along.
    void removeAllRefusesWhatCannotBeTheDataFolder() {
        for (const QString& root : {QString(), QStringLiteral("/"), QStringLiteral("/usr/.."),
                                    QStringLiteral("qvestrafolder")})
            QVERIFY2(!DataFolder(root.toStdString()).Removable(), qPrintable(root));
        for (const QString& root :
             {QDir::homePath(), QDir::homePath() + "/", QFileInfo(QDir::homePath()).path()}) {
            QVERIFY2(!DataFolder(root.toStdString()).RemoveAll(), qPrintable(root));
            QVERIFY(QFileInfo::exists(QDir::homePath()));
        }
        QVERIFY(DataFolder((QDir::homePath() + "/qvestrafolder").toStdString()).Removable());
    }

  private:
    QTemporaryDir home_;
};

QTEST_GUILESS_MAIN(TestUserFile)
#include "test_user_file.moc"
