// The user file's record rules and the data folder's safety rules.
#include <sys/stat.h>
#include <unistd.h>

#include "fakes/support.h"
#include "store/data_folder.h"
#include "store/resume_record.h"
#include "store/user_file.h"

using namespace qvestra::store;
using namespace qvestra::testing;
using namespace Qt::StringLiterals;
using namespace std::string_literals;
using Parts = std::vector<qvestra::store::KeptPart>;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

static fs::path PathOf(const QTemporaryDir& dir) { return dir.path().toStdString(); }

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

    // The first line, to CR LF or LF, and its first field: leading blanks
    // skipped, up to a comma, quotes kept out.
    void readBack_data() {
        Columns<std::string, QString>();
        Row("CR LF", "A-12|3\r\nsecond line\r\n"s, u"A-12|3"_s);
        Row("one byte", "A"s, u"A"_s);
        Row("an empty first line", "\nA-12|3\n"s, QString());
        Row("leading blanks, a comma, no line end", "  A-12|1,tail"s, u"A-12|1"_s);
        Row("a comma inside quotes", " \"A,12|1\",x"s, u"A,12|1"_s);
        // Only the file's first 4096 bytes are read: no more is ever ours.
        Row("a line one byte too long", std::string(4097, 'a'), QString(4096, u'a'));
    }
    void readBack() {
        const auto [bytes, field] = Fetch<std::string, QString>();
        QTemporaryDir dir;
        const UserFile file(PathOf(dir) / "qvuser.txt");
        WriteFile(file.Path(), bytes);
        QCOMPARE(file.ReadFirstField().value(), field);
    }

    // A record is member ID, bar, one status digit. The ID names a file
    // later (one name of at most 255 bytes), its second piece is the member
    // number (all digits, written without leading zeros), and the file is
    // written in code page 932. An empty "number" means refused: a refused
    // row a check.
    void record_data() {
        Columns<QString, QString>();
        Row("zeros only", u"A-000|1"_s, u"0"_s);
        Row("a third piece", u"A-7-9|1"_s, u"7"_s);
        Row("a blank inside names a file well", u"A 1-12|1"_s, u"12"_s);
        Row("any ASCII digit is a status", u"A-12|9"_s, u"12"_s);
        Row("an ID of 255 bytes", "A-" + QString(253, u'1') + "|1", QString(253, u'1'));
        Row("one of 256", "A-" + QString(254, u'1') + "|1", QString());
        for (const QString& refused :
             {u"A-12"_s, u"A-12|1|2"_s, u"A-12|12"_s, u"A-12|"_s, u"A-12|x"_s, u"A-12|\uff11"_s,
              u"A12|1"_s, u"A-|1"_s, u"A-1x|1"_s, u"A-\uff11\uff12|1"_s, u"A/x-12|1"_s,
              u"A\\x-12|1"_s, u"..-12|1"_s, u"A\x1f-12|1"_s, u" A-12|1"_s, u"A\u00e4\u20ac-12|1"_s})
            QTest::addRow("refused: %s", qPrintable(refused)) << refused << QString();
    }
    void record() {
        const auto [record, number] = Fetch<QString, QString>();
        const auto parts = ParseUserRecord(record);
        QCOMPARE(parts ? parts->memberNumber : QString(), number);
        if (parts) QCOMPARE(parts->memberId + u'|' + parts->status, record);
    }

    // The folder and what is written there are the member's alone, whatever
    // the umask, from the start: nothing tightens them afterwards (that a
    // folder an earlier version left open to all is closed is checked by the
    // start-up). Its removal takes the links inside, never what they point
    // to, and a linked root goes as a link; a copy that comes after the
    // folder went does not bring it back.
    void theMembersAloneAndRemovedWhole() {
        QTemporaryDir outside, dir;
        WriteFile(PathOf(outside) / "keep.txt", "precious");
        const auto mask = ::umask(0);
        const DataFolder folder(PathOf(dir) / "qvestrafolder");
        QVERIFY(folder.Create() && folder.CreateImages());
        QVERIFY(UserFile(folder.UserFile()).Write(u"A-12|3"_s));
        ::umask(mask);
        QCOMPARE(fs::status(folder.UserFile()).permissions(), fs::perms(0600));
        for (const fs::path& f : {folder.Root(), folder.Root() / "images"})
            QCOMPARE(fs::status(f).permissions(), fs::perms(0700));
        fs::create_directory_symlink(PathOf(outside), folder.Root() / "link");
        fs::create_symlink(PathOf(outside) / "keep.txt", folder.Root() / "images" / "doc.pdf");
        QVERIFY(folder.RemoveAll() && !folder.CreateImages() && !folder.Exists());
        const DataFolder linked(PathOf(dir) / "linked");
        fs::create_directory_symlink(PathOf(outside), linked.Root());
        QVERIFY(linked.RemoveAll() && !fs::exists(fs::symlink_status(linked.Root())));
        QCOMPARE(ReadFile(PathOf(outside) / "keep.txt"), "precious");
    }

    // The folder is used only where it is the member's own real folder: a
    // link to one, or another user's, is not taken for made (the start-up
    // refuses it before reading anything in it); a user file that is a link
    // is not read.
    void onlyTheMembersOwnFolder() {
        using enum DataFolder::Ownership;
        QTemporaryDir dir;
        const fs::path own = PathOf(dir) / "own", other = PathOf(dir) / "other";
        for (const fs::path& folder : {own, other}) fs::create_directory(folder);
        fs::create_directory_symlink(own, PathOf(dir) / "link");
        // Another user's: as root, one given away; else the system's own.
        const bool given = ::geteuid() == 0 && ::chown(other.c_str(), 65534, 65534) == 0;
        for (const auto& [root, owner] : {std::pair{PathOf(dir) / "missing", kMissing},
                                          {own, kMembers},
                                          {PathOf(dir) / "link", kNotMembers},
                                          {given ? other : fs::path("/usr"), kNotMembers}}) {
            const DataFolder folder(root);
            QCOMPARE(folder.Owner(), owner);
            QCOMPARE(folder.Create(), owner != kNotMembers);
        }
        WriteFile(own / "qvuser.txt", "A-12|3\r\n");
        fs::create_symlink(own / "qvuser.txt", PathOf(dir) / "qvuser-link.txt");
        QVERIFY(UserFile(own / "qvuser.txt").KnownRecord());
        QVERIFY(!UserFile(PathOf(dir) / "qvuser-link.txt").KnownRecord());
    }

    // Kept parts count against the disk's floor (100 here): what continuing
    // them still needs must fit above it, or the parts written longest ago
    // go, each giving back its own bytes.
    void keptPartsStayAboveTheFloor_data() {
        Columns<Parts, int, Names>();
        // Written at minute 1 or 2: the earlier is the older.
        const auto at = [](int minute) { return fs::file_time_type(std::chrono::minutes(minute)); };
        const Parts two{{"a", 10, 100, at(1)}, {"b", 10, 100, at(2)}};
        Row("exactly at the floor", two, 280, Names{});
        Row("one byte under it", two, 279, Names{"a"});
        Row("oldest first", Parts{{"b", 10, 500, at(2)}, {"a", 10, 500, at(1)}}, 700, Names{"a"});
        // Once a's 40 bytes are back and its 10 no longer needed, b's 59 fit exactly.
        Row("a's bytes back", Parts{{"a", 40, 50, at(1)}, {"b", 1, 60, at(2)}}, 119, Names{"a"});
    }
    void keptPartsStayAboveTheFloor() {
        const auto [parts, available, dropped] = Fetch<Parts, int, Names>();
        QVERIFY(PartsOverTheFloor(parts, available, 100) == dropped);
    }

    // Only the throw-away home of this test is ever handed to RemoveAll: with
    // its guard broken, a deletion aimed at "/" would take the machine along.
    void removeAllRefusesWhatCannotBeTheDataFolder_data() {
        Columns<QString, bool>();
        for (const QString& root :
             {QString(), u"/"_s, u"/usr/.."_s, u"qvestrafolder"_s, QDir::homePath(),
              QDir::homePath() + "/", QFileInfo(QDir::homePath()).path()})
            QTest::addRow("refused: %s", qPrintable(root)) << root << false;
        Row("the data folder", QDir::homePath() + "/qvestrafolder", true);
    }
    void removeAllRefusesWhatCannotBeTheDataFolder() {
        const auto [root, removable] = Fetch<QString, bool>();
        const DataFolder folder(root.toStdString());
        QCOMPARE(folder.Removable(), removable);
        if (!removable && root.startsWith(home_.path())) QVERIFY(!folder.RemoveAll());
        QVERIFY(QFileInfo::exists(QDir::homePath()));
    }

  private:
    QTemporaryDir home_;
};

QTEST_GUILESS_MAIN(TestUserFile)
#include "test_user_file.moc"
