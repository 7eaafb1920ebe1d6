// The content list cut out of the menu page (entries, groups, item counts,
// the document names that may become files), the panels built from it and
// what their buttons open.
#include "fakes/support.h"

#include "app/main_window_harness.h"
#include "net/url_reader.h"

using namespace qvestra;
using namespace qvestra::testing;

namespace {

const std::string kMenuAddress = "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12";

std::string Page(const QStringList& lines) { return EncodeCp932(MenuPage(lines)).toStdString(); }

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
        urls.pages[kMenuAddress] = Page(lines);
        windows.windows = {{7, QStringLiteral("Document Reader")}};
        window->Load();
    }
    QString Opened() const {
        return documents.opened.empty()
                   ? QString()
                   : QString::fromStdString(documents.opened.back().filename());
    }
};

QStringList VisibleCaptions(const auto& buttons) {
    QStringList captions;
    for (const QPushButton* b : buttons)
        if (b->isVisibleTo(b->parentWidget())) captions << b->text();
    return captions;
}

// Whether the widget, drawn, has a pixel of that colour.
bool Draws(QWidget* widget, QColor colour) {
    const QImage image = widget->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour) return true;
    return false;
}

// kinds | group captions | GroupItemCount slots | entries of each group's items
QString Summary(const ContentList& list) {
    QStringList kinds, captions, counts, items;
    for (const auto& e : list.entries) kinds << e.kind.left(1);
    for (const auto& g : list.groups) {
        captions << g.caption;
        QStringList entries;
        for (int e : g.items) entries << QString::number(e);
        items << entries.join(u',');
    }
    for (int c : list.groupItemCount) counts << QString::number(c);
    return QStringList{kinds.join(u','), captions.join(u','), counts.join(u','), items.join(u';')}
        .join(u'|');
}

}  // namespace

class TestContentPanels : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void groupAndItemClicksOpenTheRightDocuments() {
        Started s({"Main;Group A", "Sub;Lesson 1;/doc/a1.pdf", "Sub;Lesson 2;/doc/a2.pdf",
                   "Main;Group B", "Sub;Unit 1;/doc/b1.pdf"});
        QCOMPARE(s.urls.reads, std::vector<std::string>{kMenuAddress});
        QVERIFY(s.Shown(s.ui().Frame2));
        QCOMPARE(VisibleCaptions(s.ui().Cmd), (QStringList{"Group A", "Group B"}));
        QCOMPARE(s.Of(s.ui().Cmd[1]).top, 1080.f);

        // The first clicks go through the buttons themselves, wiring included.
        s.ui().Cmd[0]->click();
        QVERIFY(s.Shown(s.ui().Frame3));
        QCOMPARE(s.ui().Frame3->title(), QStringLiteral("Group A"));
        QCOMPARE(VisibleCaptions(s.ui().CmdSub), (QStringList{"Lesson 1", "Lesson 2", "閉じる"}));
        QCOMPARE(s.Of(s.ui().Frame3), (TwipRect{3740, 3600, 6735.f / 2, 1945}));
        QVERIFY2(s.ui().Frame3->parentWidget()->children().constLast() == s.ui().Frame3,
                 "the item panel lies above the page, also when a request made the page taller");
        // The panels' own colours: the title of 教材一覧, the item panel's ground.
        QVERIFY(Draws(s.ui().Frame2, QColor(0, 0, 192)));
        QVERIFY(Draws(s.ui().Frame3, QColor(192, 192, 255)));

        s.ui().CmdSub[1]->click();
        QCOMPARE(s.Opened(), QStringLiteral("a2.pdf"));
        QCOMPARE(s.documents.folders.back(), s.folder);
        QVERIFY(s.viewerWatch.Notice() != nullptr);
        QCOMPARE(s.windows.activated, std::vector<std::uint64_t>{7});

        s.window->CmdSub_Click(2);
        QVERIFY(!s.Shown(s.ui().Frame3));
        s.window->Cmd_Click(1);
        QCOMPARE(VisibleCaptions(s.ui().CmdSub), (QStringList{"Unit 1", "閉じる"}));
        QCOMPARE(s.Of(s.ui().Frame3).height, 1465.f);
        s.ui().CmdSub[0]->click();
        QCOMPARE(s.Opened(), QStringLiteral("b1.pdf"));
    }

    // An unsafe name opens nothing; an item titled 閉じる closes the panel
    // like the close button, as the caption decides. An "&" in a caption is
    // a letter, no keyboard shortcut.
    void itemsThatOpenNothing() {
        Started amp({"Main;A&B", "Sub;x&y;/d/x.pdf"});
        amp.window->Cmd_Click(0);
        QVERIFY(amp.ui().Cmd[0]->shortcut().isEmpty() && amp.ui().CmdSub[0]->shortcut().isEmpty());
        Started unsafe({"Cont;A;/d/CON"});
        unsafe.window->Cmd_Click(0);
        Started closing({"Main;A", "Sub;閉じる;/d/x.pdf"});
        closing.window->Cmd_Click(0);
        closing.window->CmdSub_Click(0);
        QVERIFY(!closing.Shown(closing.ui().Frame3));
        QVERIFY(unsafe.documents.opened.empty() && closing.documents.opened.empty());
    }

    // Up to seven buttons a column; the eighth doubles the width.
    void panelWidths() {
        for (const int n : {7, 8}) {
            Started s(Groups(n, n));
            const float wide = n == 8 ? 2.f : 1.f;
            QCOMPARE(s.Of(s.ui().Frame2).width, wide * 6855.f / 2);
            QCOMPARE(s.Of(s.ui().Frame2).height, 600.f + 600.f * n);
            s.window->Cmd_Click(n - 1);
            QCOMPARE(s.Of(s.ui().Frame3), (TwipRect{n == 8 ? 7100.f : 3740.f, 3600,
                                                    wide * 6735.f / 2, 985.f + 480.f * n}));
            QCOMPARE(s.ui().CmdSub[n]->text(), QStringLiteral("閉じる"));
        }
    }

    // After a rebuild no button on screen may lead into the earlier list; a
    // page that cannot be read (no lines) empties a panel that was full.
    void aRebuildLeavesNoStaleButtons() {
        for (const auto& [before, openGroup, after, groupsAfter] :
             std::vector<std::tuple<QStringList, int, QStringList, QStringList>>{
                 {Groups(9, 5), 8, Groups(2, 1), {"G0", "G1"}},
                 {{"Main;A", "Sub;a1;/d/a1.pdf", "Sub;a2;/d/a2"},
                  0,
                  {"Main;B", "Sub;b1;/d/b1.pdf", "Sub;b2;/d/b2.pdf"},
                  {"B"}},
                 {Groups(3, 2), 2, {}, {}}}) {
            Started s(before);
            s.window->Cmd_Click(openGroup);
            s.urls.pages.clear();
            if (!after.isEmpty()) s.urls.pages[kMenuAddress] = Page(after);
            s.window->BuildMenu();
            QVERIFY(!s.Shown(s.ui().Frame3));
            QCOMPARE(VisibleCaptions(s.ui().Cmd), groupsAfter);
            QVERIFY(s.Shown(s.ui().Frame2));
            QCOMPARE(s.Of(s.ui().Frame2),
                     (TwipRect{240, 3600, 6855.f / 2, 600.f + 600.f * float(groupsAfter.size())}));
            for (int i = -1; i <= FrmQvestra::kItemButtons; ++i) s.window->CmdSub_Click(i);
            for (int i : {-1, FrmQvestra::kGroupButtons - 1, FrmQvestra::kGroupButtons})
                s.window->Cmd_Click(i);
            QVERIFY(s.documents.opened.empty());
            s.window->Cmd_Click(1);
            if (groupsAfter.size() > 1)
                QCOMPARE(VisibleCaptions(s.ui().CmdSub), (QStringList{"T1-0", "閉じる"}));
        }
    }

    // The desktop cannot open the document: the notice goes at once and the
    // member is told which document.
    void aDocumentNoProgramOpensIsReported() {
        Started s({"Cont;A;/d/a.pdf"});
        s.windows.windows.clear();
        s.documents.opens = false;
        QElapsedTimer waited;
        waited.start();
        s.window->Cmd_Click(0);
        QTRY_VERIFY_WITH_TIMEOUT(s.viewerWatch.Notice() == nullptr, 1000);
        QVERIFY(waited.elapsed() < 250);
        QCOMPARE(s.messages.shown,
                 QStringList{"教材「a.pdf」を開くプログラムが見つかりませんでした。"});
    }

    // The desktop's opener reports through its exit status; none installed
    // is a failure too.
    void xdgOpenerReportsTheDesktopsAnswer() {
        for (const std::string opener : {"exit 0", "exit 3", ""}) {
            QTemporaryDir bin;
            WriteFile(bin.filePath("xdg-open").toStdString(), "#!/bin/sh\n" + opener);
            if (!opener.empty()) QFile(bin.filePath("xdg-open")).setPermissions(QFile::ExeOwner);
            const QByteArray path = qgetenv("PATH");
            qputenv("PATH", bin.path().toUtf8());
            std::optional<bool> result;
            XdgDocumentOpener().Open("/tmp/a.pdf", "/tmp", [&](bool ok) { result = ok; });
            qputenv("PATH", path);
            QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
            QCOMPARE(*result, opener == "exit 0");
        }
    }

    // Only a PDF reaches the desktop: the marker within its first 1024 bytes,
    // and nothing in its name or content that says another type (a script,
    // PostScript, a desktop entry, a page, a program). Anything else is not
    // opened and the member is told.
    void onlyPdfsAreHandedOver() {
        const std::string pad(1019, '\n');
        for (const auto& [name, bytes, pdf] :
             std::vector<std::tuple<std::string, std::string, bool>>{
                 {"lesson.pdf", "%PDF-1.4\n", true},
                 {"lesson", "%PDF-1.7\n", true},
                 {"late.pdf", pad + "%PDF-", true},
                 {"too-late.pdf", pad + "\n%PDF-", false},
                 {"lesson.ps", "%!PS-Adobe-3.0\n%PDF-1.4\n", false},
                 {"lesson.pdf", "%!PS-Adobe-3.0\n%PDF-1.4\n", false},
                 {"lesson.desktop", "%PDF-1.4\n[Desktop Entry]\nExec=sh\n", false},
                 {"lesson.html", "%PDF-1.4\n<html><script>x</script>", false},
                 {"lesson.jnlp", "%PDF-1.4\n<jnlp>", false},
                 {"lesson", "#!/bin/sh\nid\n", false},
                 {"LESSON.EXE", "MZ", false}}) {
            Started s({QString::fromStdString("Cont;A;/d/" + name)});
            WriteFile(s.folder / name, bytes);
            s.window->Cmd_Click(0);
            QCOMPARE(s.Opened(), pdf ? QString::fromStdString(name) : QString());
            QCOMPARE(s.messages.shown,
                     pdf ? QStringList()
                         : QStringList{QString::fromStdString(
                               "教材「" + name + "」は PDF 文書ではないため開けません。")});
        }
    }

    // Names a list may give that are the program's own files are no
    // documents: never fetched over them, never opened.
    void theProgramsOwnFilesAreNoDocuments() {
        const QStringList names = {"qvuser.txt", "KEIKA.TXT", "Help.html",
                                   "a-12.html",  "images",    ".x.pdf.part"};
        for (const QString& name : names) {
            Served s(OkReply("%PDF-1.4 not yours"), 5, "A-12|3\r\n");
            s.urls.pages[s.MenuAddress()] = Page({"Cont;A;/d/" + name});
            s.window->Load();
            s.window->Cmd_Click(0);
            QVERIFY2(s.server.Request().find("/qv_contents/") == std::string::npos,
                     qPrintable(name));
            QVERIFY(s.documents.opened.empty());
            QCOMPARE(ReadFile(s.folder / "qvuser.txt"), std::string("A-12|3\r\n"));
        }
        for (const QString& name : names)
            QVERIFY(!store::IsDocumentName(name.toStdString(), "A-12"));
        QVERIFY(store::IsDocumentName("A-12.pdf", "A-12"));
    }

    void parse_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("summary");
        Row("two Main groups with their items",
            MenuPage({"Main;Group A", "Sub;Lesson 1;/doc/a1.pdf", "Sub;Lesson 2;/doc/a2.pdf",
                      "Main;Group B", "Sub;Unit 1;/doc/b1.pdf"}),
            "M,S,S,M,S|Group A,Group B|0,2,1|1,2;4");
        Row("Cont lines only", MenuPage({"Cont;A;/d/a.pdf", "Cont;B;/d/b.pdf"}),
            "C,C|A,B|0,1,1|0;1");
        Row("Cont between Main groups maps to its own entry",
            MenuPage({"Main;A", "Sub;x;/d/x.pdf", "Cont;C;/d/c.pdf", "Main;B", "Sub;y;/d/y.pdf"}),
            "M,S,C,M,S|A,C,B|0,1,1,1|1;2;4");
        Row("kinds are exact", MenuPage({"main;a", "Main ;b", "MAIN;c", "Sub ;t;/d/t.pdf"}),
            "||0|");
        Row("items before the first group", MenuPage({"Sub;t;/d/t.pdf", "Main;A", "Sub;u;/d/u"}),
            "S,M,S|A|1,1|2");
        Row("quoted end line stops the list",
            MenuPage({"Main;A", "x\"Contents\"_End\"y;", "Main;B"}, false), "M|A|0,0|");
        Row("without end line the last piece is never read", "Contents_VALUE\r\nMain;A\r\nMain;B",
            "M|A|0,0|");
        Row("lines missing their fields make nothing",
            MenuPage({"Main", "", "Cont;C", "Main;A", "Sub;t", "Sub;u;/d/u.pdf"}), "M,S|A|0,1|1");
        Row("no marker", "<html>Main;A\r\n</html>", "||0|");
        Row("marker at the very end", "Contents_VALUE", "||0|");
        Row("groups beyond 14 and their items are left out",
            MenuPage(Repeat("Cont;G%1;/d/g%1.pdf", 16) + QStringList{"Sub;late;/d/late.pdf"}),
            QStringLiteral("%1|%2|0,%3|%4")
                .arg(QStringList(14, "C").join(u','), Repeat("G%1", 14).join(u','),
                     QStringList(14, "1").join(u','), Repeat("%1", 14).join(u';')));
    }
    void parse() {
        QFETCH(QString, page);
        QFETCH(QString, summary);
        QCOMPARE(Summary(ParseContentList(page)), summary);
    }

    void tablesStopAtTheirCapacity() {
        const ContentList items =
            ParseContentList(MenuPage(QStringList{"Main;A"} + Repeat("Sub;t%1;/d/t%1.pdf", 20)));
        QCOMPARE(items.groups[0].items.size(), std::size_t{15});
        const ContentList entries = ParseContentList(MenuPage(Repeat("Sub;t%1;/d/t%1.pdf", 60)));
        QCOMPARE(entries.entries.size(), std::size_t{51});
    }

    // The service sends the page in pieces of its own choosing; a double-byte
    // character cut in two by a read must still decode as one.
    void shiftJisPageSplitAtEveryByteGivesTheSameButtons() {
        const QByteArray page =
            EncodeCp932(MenuPage({"Main;ひらがな", "Sub;五十音表;/qv_contents/gojuon.pdf",
                                  "Main;カタカナ", "Sub;練習帳;/qv_contents/renshu.pdf"}));
        const QString whole = QStringLiteral("M,S,M,S|ひらがな,カタカナ|0,1,1|1;3");
        net::CurlUrlReader reader("qvestra");
        for (qsizetype cut = 1; cut < page.size(); ++cut) {
            ScriptedServer server("HTTP/1.0 200 OK\r\n\r\n" + page.first(cut).toStdString() +
                                  "<pause 3>" + page.sliced(cut).toStdString());
            const std::string read = reader.ReadAll(server.Address("/menu")).bytes;
            const QByteArrayView bytes(read.data(), static_cast<qsizetype>(read.size()));
            QCOMPARE(Summary(ParseContentList(DecodeCp932(bytes))), whole);
        }
    }

    // The name a document is stored under: the part from the last slash, once
    // blanks are taken out, and only when it can safely name a file (not
    // without a slash, a folder, a dot name, a backslash, a Windows device
    // name or reserved character, a control character, longer than a file
    // name may be).
    void documentFile() {
        for (const auto& [path, documentFile] : std::vector<std::pair<QString, QString>>{
                 {"/qv_contents/教 材.pdf", "/教材.pdf"},
                 {"m01.pdf", ""},
                 {"/doc/", ""},
                 {"/doc/..", ""},
                 {"/doc/.", ""},
                 {"/doc/..\\qvuser.txt", ""},
                 {"/doc/CON.pdf", ""},
                 {"/doc/com1.pdf", ""},
                 {"/doc/lpt9.pdf", ""},
                 {"/doc/com0.pdf", "/com0.pdf"},
                 {"/doc/a?b.pdf", ""},
                 {"/doc/a\tb.pdf", ""},
                 {"/d/" + QString(251, u'a') + ".pdf", "/" + QString(251, u'a') + ".pdf"},
                 {"/d/" + QString(252, u'a') + ".pdf", ""}}) {
            const ContentList list = ParseContentList(MenuPage({"Sub;t;" + path}));
            QCOMPARE(list.entries.at(0).path, QString(path).remove(u' '));
            QCOMPARE(list.entries[0].documentFile.value_or(QString()), documentFile);
        }
    }
};

QTEST_MAIN(TestContentPanels)
#include "test_content_panels.moc"
