// The content list cut out of the menu page, the panels built from it and
// what their buttons open.
#include <sys/stat.h>

#include "fakes/support.h"

#include "app/main_window_harness.h"
#include "app/menu_build.h"

using namespace qvestra;
using namespace qvestra::testing;
using namespace std::string_literals;

namespace {
// The entries' kinds, then each group: "|caption:" and its items' entries,
// each with a comma.
QString Summary(const content::ContentList& list) {
    QString summary;
    for (const auto& e : list.entries) summary += e.kind[0];
    for (const auto& g : list.groups) {
        summary += u'|' + g.caption + u':';
        for (int e : g.items) summary += QString::number(e) + u',';
    }
    return summary;
}

// Groups of as many items each.
QStringList Groups(int groups, int items) {
    QStringList lines;
    for (int g = 0; g < groups; ++g)
        lines << QStringLiteral("Main;G%1").arg(g)
              << Repeat(QStringLiteral("Sub;T%1-%2;/d/t%1-%2.pdf").arg(g), items);
    return lines;
}

// A started window whose menu page holds the given list; the desktop has a
// viewer window so every document opening finds it at once.
std::unique_ptr<Harness> Start(const QStringList& lines) {
    auto s = std::make_unique<Harness>(true);
    s->WriteUserFile("A-12|3\r\n");
    s->MenuLists(lines);
    // Every document is there already, as after an earlier start.
    for (const QString& line : lines.filter("/"))
        WriteFile(s->folder / line.section(u'/', -1).toStdString(), "%PDF-1.4\n");
    s->windows.windows = {{7, QStringLiteral("Document Reader")}};
    s->Load();
    return s;
}

using Paths = std::vector<std::filesystem::path>;

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
        Row("a shorter list", Groups(3, 3), 2, Groups(2, 1), QStringList{"G0", "G1"});
        // The earlier group's items are entries of the new list too.
        Row("same length, other documents",
            QStringList{"Main;A", "Sub;a1;/d/a1.pdf", "Sub;a2;/d/a2"}, 0,
            QStringList{"Main;B", "Sub;b1;/d/b1.pdf", "Sub;b2;/d/b2.pdf"}, QStringList{"B"});
        Row("a page that cannot be read", Groups(3, 2), 2, QStringList(), QStringList());
    }
    void aRebuildLeavesNoStaleButtons() {
        const auto [before, openGroup, after, groupsAfter] =
            Fetch<QStringList, int, QStringList, QStringList>();
        const auto s = Start(before);
        s->window->Cmd_Click(openGroup);
        s->urls.pages.clear();
        if (!after.isEmpty()) s->MenuLists(after);
        s->window->BuildMenu();
        s->steps.Settle();
        QVERIFY(!s->Shown(s->ui().Frame3));
        QCOMPARE(VisibleCaptions(s->ui().Cmd), groupsAfter);
        for (int i = -1; i <= FrmQvestra::kItemButtons; ++i) s->window->CmdSub_Click(i);
        for (int i : {-1, FrmQvestra::kGroupButtons - 1, FrmQvestra::kGroupButtons})
            s->window->Cmd_Click(i);
        // Not even asked for: a stale button would name a document of the new list.
        QVERIFY(s->documents.opened.empty() && s->messages.shown.isEmpty() && !s->steps.Waiting());
        s->window->Cmd_Click(1);
        if (groupsAfter.size() < 2) return;
        QCOMPARE(VisibleCaptions(s->ui().CmdSub), (QStringList{"T1-0", "閉じる"}));
        // The item panel lies above the page, also when a request made the page taller.
        QVERIFY(s->ui().Frame3->parentWidget()->children().constLast() == s->ui().Frame3);
        s->window->CmdSub_Click(0);
        QCOMPARE(s->documents.opened, Paths{s->folder / "t1-0.pdf"});
        QCOMPARE(s->windows.activated, std::vector<std::uint64_t>{7});
        s->window->CmdSub_Click(1);
        QVERIFY(!s->Shown(s->ui().Frame3));
    }

    // Only a PDF by its name and its content reaches the desktop, as the
    // desktop types it; for anything else the member is told why. A document
    // that is not there is fetched, once however often asked meanwhile: its
    // failure, 再試行 and its opening once stored are the end-to-end run's
    // (failing well).
    void aClickOpensOnlyPdfsAndFetchesWhatIsMissing_data() {
        Columns<std::string, std::string, QString>();
        Row("a PDF", "lesson.pdf"s, "%PDF-1.4\n"s, "opened");
        Row("the suffix in capitals", "LESSON.PDF"s, "%PDF-1.7\n"s, "opened");
        Row("another suffix", "lesson.desktop"s, "%PDF-1.4\n[Desktop Entry]\n"s, "told");
        Row("the marker after a byte", "lesson.pdf"s, " %PDF-1.4\n"s, "told");
        // Its read would wait for a writer that never comes.
        Row("a pipe", "lesson.pdf"s, "<pipe>"s, "told");
        Row("not there", "lesson.pdf"s, ""s, "fetched");
    }
    void aClickOpensOnlyPdfsAndFetchesWhatIsMissing() {
        const auto [name, bytes, outcome] = Fetch<std::string, std::string, QString>();
        const auto s = Start({QString::fromStdString("Cont;A;/d/" + name)});
        std::filesystem::remove(s->folder / name);
        if (bytes == "<pipe>") QCOMPARE(::mkfifo((s->folder / name).c_str(), 0600), 0);
        if (!bytes.empty() && bytes != "<pipe>") WriteFile(s->folder / name, bytes);
        s->window->Cmd_Click(0);
        s->window->Cmd_Click(0);
        QCOMPARE(s->documents.opened, Paths(outcome == "opened" ? 2 : 0, s->folder / name));
        QCOMPARE(s->messages.shown.filter("PDF 文書ではない").size(), outcome == "told" ? 2 : 0);
        QCOMPARE(s->steps.Waiting(), std::size_t(outcome == "fetched" ? 1 : 0));
        if (outcome != "fetched") return;
        // The stand-in service sends nothing: the member is told, and may ask again.
        s->steps.Settle();
        QCOMPARE(s->messages.shown.filter("ダウンロードできませんでした").size(), 1);
        s->window->Cmd_Click(0);
        QCOMPARE(s->steps.Waiting(), std::size_t{1});
    }

    void parse_data() {
        Columns<QString, QString>();
        // An item before the first group belongs to none; a Cont line is a
        // group of its own, its only item itself. Lines of no kind (kinds
        // are exact) or without the fields of theirs make nothing.
        Row("groups and their items",
            MenuPage({"Sub;t;/d/t.pdf", "main;a", "Main;A", "Main ;b", "Sub;x;/d/x.pdf", "MAIN;c",
                      "Sub;y;/d/y", "Sub ;t;/d/t.pdf", "Main", "", "Cont;C;/d/c.pdf", "Cont;C",
                      "Main;B", "Sub;t", "Sub;z;/d/z.pdf"}),
            "SMSSCMS|A:2,3,|C:4,|B:6,");
        Row("quoted end line stops the list",
            MenuPage({"Main;A", "x\"Contents\"_End\"y;", "Main;B"}, false), "M|A:");
        Row("without end line the last piece is never read", "Contents_VALUE\r\nMain;A\r\nMain;B",
            "M|A:");
        // Read from where a marker would have ended, it would give a group.
        Row("no marker", "Main;A\r\nMain;B\r\nMain;C\r\n", "");
        // Each table one over its limit.
        Row("groups beyond 14 and their items are left out",
            MenuPage(Repeat("Cont;G%1;/d/g%1.pdf", 15) << "Sub;late;/d/late.pdf"),
            QString(14, u'C') + Repeat("|G%1:%1,", 14).join(""));
        Row("items beyond 15 in a group are left out",
            MenuPage(QStringList{"Main;A"} + Repeat("Sub;t%1;/d/t%1.pdf", 16)),
            "M" + QString(15, u'S') + "|A:" + Repeat("%1,", 16).mid(1).join(""));
        Row("entries beyond 51 are left out", MenuPage(Repeat("Sub;t%1;/d/t%1.pdf", 52)),
            QString(51, u'S'));
    }
    void parse() {
        const auto [page, summary] = Fetch<QString, QString>();
        QCOMPARE(Summary(content::ParseContentList(page)), summary);
    }

    // The name a document is stored under: the part from the last slash, once
    // blanks are taken out, and only when it can safely name a file that is
    // none of the program's own: a list naming one would have it written over.
    void documentFile_data() {
        Columns<QString, QString>();
        for (const char* kept : {"/qv_contents/教 材.pdf", "/com0.pdf", "/doc/COM10.pdf"})
            Row(kept, QString(kept), u'/' + QString(kept).section(u'/', -1).remove(u' '));
        for (const char* refused :
             {"m01.pdf", "/doc/", "/doc/..pdf", "/doc/CON.pdf", "/doc/lpt9.pdf", "/doc/COM1.pdf",
              "/doc/a?b.pdf", "/doc/a\tb.pdf", "/doc/a\x7f.pdf", "/doc/a.pdf.", "/d/qvuser.txt",
              "/d/KEIKA.TXT", "/d/a-12.html", "/d/.x.pdf.part", "/d/.x.pdf.resume"})
            Row(refused, QString(refused), QString());
        Row("longest name", "/d/" + QString(237, u'a') + ".pdf", "/" + QString(237, u'a') + ".pdf");
        Row("a name beside it too long", "/d/" + QString(238, u'a') + ".pdf", QString());
        Row("too long in bytes, not in letters", "/d/" + QString(82, u'教') + ".pdf", QString());
    }
    void documentFile() {
        const auto [path, documentFile] = Fetch<QString, QString>();
        const auto page = ParseMenuPage(
            {core::EncodeCp932(MenuPage({"Sub;t;" + path})).toStdString(), true}, "A-12");
        QCOMPARE(page.content.entries.at(0).documentFile.value_or(QString()), documentFile);
    }
};

QTEST_MAIN(TestContentPanels)
#include "test_content_panels.moc"
