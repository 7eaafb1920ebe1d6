// The content list cut out of the menu page, the panels built from it and
// what their buttons open.
#include <sys/stat.h>

#include "fakes/support.h"

#include "app/main_window_harness.h"
#include "content/content_list.h"

using namespace qvestra;
using namespace qvestra::testing;
using namespace std::string_literals;

namespace {
// kinds | group captions | entries of each group's items
QString Summary(const content::ContentList& list) {
    QStringList kinds, captions, items;
    for (const auto& e : list.entries) kinds << e.kind.left(1);
    for (const auto& g : list.groups) {
        captions << g.caption;
        QStringList entries;
        for (int e : g.items) entries << QString::number(e);
        items << entries.join(u',');
    }
    return QStringList{kinds.join(u','), captions.join(u','), items.join(u';')}.join(u'|');
}

// Groups of one item each, the last one with lastItems items.
QStringList Groups(int groups, int lastItems) {
    QStringList lines;
    for (int g = 0; g < groups; ++g) {
        lines << QStringLiteral("Main;G%1").arg(g);
        for (int i = 0; i < (g + 1 == groups ? lastItems : 1); ++i)
            lines << QStringLiteral("Sub;T%1-%2;/d/t%1-%2.pdf").arg(g).arg(i);
    }
    return lines;
}

// A started window whose menu page holds the given list; the desktop has a
// viewer window so every document opening finds it at once.
struct Started : Harness {
    explicit Started(const QStringList& lines) : Harness(true) {
        WriteUserFile("A-12|3\r\n");
        MenuLists(lines);
        // Every document is there already, as after an earlier start.
        for (const QString& line : lines)
            if (line.count(u';') == 2)
                WriteFile(folder / line.section(u'/', -1).toStdString(), "%PDF-1.4\n");
        windows.windows = {{7, QStringLiteral("Document Reader")}};
        Load();
    }
    QString Opened() const {
        return documents.opened.empty() ? "" : documents.opened.back().filename().c_str();
    }
};

QStringList VisibleCaptions(const auto& buttons) {
    QStringList captions;
    for (const QPushButton* b : buttons)
        if (b->isVisibleTo(b->parentWidget())) captions << b->text();
    return captions;
}

}  // namespace

class TestContentPanels : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // After a rebuild no button on screen may lead into the earlier list; a
    // page that cannot be read (no lines) empties a panel that was full. A
    // group's items then open, and 閉じる closes their panel. Clicks through
    // the buttons themselves are the end-to-end run's.
    void aRebuildLeavesNoStaleButtons_data() {
        Columns<QStringList, int, QStringList, QStringList>();
        Row("a shorter list", Groups(9, 5), 8, Groups(2, 1), QStringList{"G0", "G1"});
        Row("same length, other documents",
            QStringList{"Main;A", "Sub;a1;/d/a1.pdf", "Sub;a2;/d/a2"}, 0,
            QStringList{"Main;B", "Sub;b1;/d/b1.pdf", "Sub;b2;/d/b2.pdf"}, QStringList{"B"});
        Row("a page that cannot be read", Groups(3, 2), 2, QStringList(), QStringList());
    }
    void aRebuildLeavesNoStaleButtons() {
        const auto [before, openGroup, after, groupsAfter] =
            Fetch<QStringList, int, QStringList, QStringList>();
        Started s(before);
        s.window->Cmd_Click(openGroup);
        QCOMPARE(VisibleCaptions(s.ui().CmdSub).constLast(), QStringLiteral("閉じる"));
        s.urls.pages.clear();
        if (!after.isEmpty()) s.MenuLists(after);
        s.window->BuildMenu();
        s.steps.Settle();
        QVERIFY(!s.Shown(s.ui().Frame3));
        QCOMPARE(VisibleCaptions(s.ui().Cmd), groupsAfter);
        QVERIFY(s.Shown(s.ui().Frame2));
        for (int i = -1; i <= FrmQvestra::kItemButtons; ++i) s.window->CmdSub_Click(i);
        for (int i : {-1, FrmQvestra::kGroupButtons - 1, FrmQvestra::kGroupButtons})
            s.window->Cmd_Click(i);
        // Not even asked for: a stale button would name a document of the new list.
        QVERIFY(s.documents.opened.empty() && s.messages.shown.isEmpty());
        s.window->Cmd_Click(1);
        if (groupsAfter.size() < 2) return;
        QCOMPARE(s.ui().Frame3->title(), QStringLiteral("G1"));
        QCOMPARE(VisibleCaptions(s.ui().CmdSub), (QStringList{"T1-0", "閉じる"}));
        QVERIFY2(s.ui().Frame3->parentWidget()->children().constLast() == s.ui().Frame3,
                 "the item panel lies above the page, also when a request made the page taller");
        s.window->CmdSub_Click(0);
        QCOMPARE(s.Opened(), QStringLiteral("t1-0.pdf"));
        QCOMPARE(s.documents.folders.back(), s.folder);
        QCOMPARE(s.windows.activated, std::vector<std::uint64_t>{7});
        s.window->CmdSub_Click(1);
        QVERIFY(!s.Shown(s.ui().Frame3));
    }

    // Only a PDF by its name and its content reaches the desktop, as the
    // desktop types it; anything else, and a document not downloaded yet, is
    // not opened and the member is told why.
    void onlyPdfsAreHandedOver_data() {
        Columns<std::string, std::string, QString>();
        const QString notPdf = "PDF 文書ではない";
        Row("a PDF", "lesson.pdf"s, "%PDF-1.4\n"s, QString());
        Row("the suffix in capitals", "LESSON.PDF"s, "%PDF-1.7\n"s, QString());
        Row("another suffix", "lesson.desktop"s, "%PDF-1.4\n[Desktop Entry]\n"s, notPdf);
        Row("the marker after a byte", "lesson.pdf"s, " %PDF-1.4\n"s, notPdf);
        // Its read would wait for a writer that never comes.
        Row("a pipe", "lesson.pdf"s, "<pipe>"s, notPdf);
    }
    void onlyPdfsAreHandedOver() {
        const auto [name, bytes, told] = Fetch<std::string, std::string, QString>();
        Started s({QString::fromStdString("Cont;A;/d/" + name)});
        std::filesystem::remove(s.folder / name);
        if (bytes == "<pipe>")
            QCOMPARE(::mkfifo((s.folder / name).c_str(), 0600), 0);
        else if (bytes != "<none>")
            WriteFile(s.folder / name, bytes);
        s.window->Cmd_Click(0);
        QCOMPARE(s.Opened(), told.isEmpty() ? QString::fromStdString(name) : QString());
        QCOMPARE(s.messages.shown.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty()) QVERIFY(s.messages.shown[0].contains(told));
    }

    // A document that is not there is fetched when the member asks for it,
    // once however often asked meanwhile, and opens once stored. When it
    // cannot be had the member learns why and may try again: here the
    // service is out of reach, and the document is there by the retry.
    void aMissingDocumentIsFetchedWhenAskedFor() {
        Started s({"Cont;A;/d/lesson.pdf"});
        std::filesystem::remove(s.folder / "lesson.pdf");
        const int connects = s.sockets.connects;
        s.window->Cmd_Click(0);
        s.window->Cmd_Click(0);
        QCOMPARE(s.steps.Waiting(), std::size_t{1});
        s.messages.stepsToTake = 1;
        s.steps.Step();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(s.messages.shown.size(), 1);
        QVERIFY(s.messages.shown[0].contains("つながらない"));
        WriteFile(s.folder / "lesson.pdf", "%PDF-1.4\n");
        s.steps.Settle();
        QCOMPARE(s.Opened(), "lesson.pdf");
        QCOMPARE(s.sockets.connects, connects + 1);
        s.window->Cmd_Click(0);
        QCOMPARE(s.steps.Waiting(), std::size_t{0});
    }

    // Names a list may give that are the program's own files are no
    // documents: never fetched over them, never opened.
    void theProgramsOwnFilesAreNoDocuments_data() {
        Columns<QString>();
        for (const char* name : {"qvuser.txt", "KEIKA.TXT", "Help.html", "a-12.html", "images",
                                 ".x.pdf.part", ".x.pdf.resume"})
            Row(name, name);
    }
    void theProgramsOwnFilesAreNoDocuments() {
        const auto [name] = Fetch<QString>();
        Harness s({OkReply("%PDF-1.4 not yours"), 5}, "A-12|3\r\n");
        s.MenuLists({"Cont;A;/d/" + name});
        s.Load();
        s.window->Cmd_Click(0);
        QVERIFY(s.server->Request().find("/qv_contents/") == std::string::npos);
        QVERIFY(s.documents.opened.empty());
        QCOMPARE(ReadFile(s.folder / "qvuser.txt"), "A-12|3\r\n"s);
    }

    void parse_data() {
        Columns<QString, QString>();
        Row("two Main groups with their items",
            MenuPage({"Main;Group A", "Sub;Lesson 1;/doc/a1.pdf", "Sub;Lesson 2;/doc/a2.pdf",
                      "Main;Group B", "Sub;Unit 1;/doc/b1.pdf"}),
            "M,S,S,M,S|Group A,Group B|1,2;4");
        Row("Cont between Main groups maps to its own entry",
            MenuPage({"Main;A", "Sub;x;/d/x.pdf", "Cont;C;/d/c.pdf", "Main;B", "Sub;y;/d/y.pdf"}),
            "M,S,C,M,S|A,C,B|1;2;4");
        Row("kinds are exact", MenuPage({"main;a", "Main ;b", "MAIN;c", "Sub ;t;/d/t.pdf"}), "||");
        Row("items before the first group", MenuPage({"Sub;t;/d/t.pdf", "Main;A", "Sub;u;/d/u"}),
            "S,M,S|A|2");
        Row("quoted end line stops the list",
            MenuPage({"Main;A", "x\"Contents\"_End\"y;", "Main;B"}, false), "M|A|");
        Row("without end line the last piece is never read", "Contents_VALUE\r\nMain;A\r\nMain;B",
            "M|A|");
        Row("lines missing their fields make nothing",
            MenuPage({"Main", "", "Cont;C", "Main;A", "Sub;t", "Sub;u;/d/u.pdf"}), "M,S|A|1");
        Row("no marker", "<html>Main;A\r\n</html>", "||");
        Row("marker at the very end", "Contents_VALUE", "||");
        Row("groups beyond 14 and their items are left out",
            MenuPage(Repeat("Cont;G%1;/d/g%1.pdf", 16) + QStringList{"Sub;late;/d/late.pdf"}),
            QStringLiteral("%1|%2|%3")
                .arg(QStringList(14, "C").join(u','), Repeat("G%1", 14).join(u','),
                     Repeat("%1", 14).join(u';')));
        Row("items beyond 15 in a group are left out",
            MenuPage(QStringList{"Main;A"} + Repeat("Sub;t%1;/d/t%1.pdf", 20)),
            "M," + QStringList(15, "S").join(u',') + "|A|" + Repeat("%1", 16).mid(1).join(u','));
        Row("entries beyond 51 are left out", MenuPage(Repeat("Sub;t%1;/d/t%1.pdf", 60)),
            QStringList(51, "S").join(u',') + "||");
    }
    void parse() {
        const auto [page, summary] = Fetch<QString, QString>();
        QCOMPARE(Summary(content::ParseContentList(page)), summary);
    }

    // The name a document is stored under: the part from the last slash, once
    // blanks are taken out, and only when it can safely name a file.
    void documentFile_data() {
        Columns<QString, QString>();
        Row("blanks taken out", "/qv_contents/教 材.pdf", "/教材.pdf");
        Row("com0 is no device", "/doc/com0.pdf", "/com0.pdf");
        for (const char* refused :
             {"m01.pdf", "/doc/", "/doc/..", "/doc/..\\qvuser.txt", "/doc/CON.pdf", "/doc/lpt9.pdf",
              "/doc/COM1.pdf", "/doc/a?b.pdf", "/doc/a\tb.pdf", "/doc/a.pdf."})
            QTest::addRow("refused: %s", refused) << QString(refused) << QString();
        Row("longest name", "/d/" + QString(237, u'a') + ".pdf", "/" + QString(237, u'a') + ".pdf");
        Row("a name beside it too long", "/d/" + QString(238, u'a') + ".pdf", QString());
        Row("too long in bytes, not in letters", "/d/" + QString(82, u'教') + ".pdf", QString());
    }
    void documentFile() {
        const auto [path, documentFile] = Fetch<QString, QString>();
        const content::ContentList list = content::ParseContentList(MenuPage({"Sub;t;" + path}));
        QCOMPARE(list.entries.at(0).path, QString(path).remove(u' '));
        QCOMPARE(list.entries[0].documentFile.value_or(QString()), documentFile);
    }
};

QTEST_MAIN(TestContentPanels)
#include "test_content_panels.moc"
