// The content list cut out of the menu page: entries, groups, item counts
// and the document names that may become files.
#include "fakes/support.h"

#include "content/content_list.h"

using namespace qvestra;
using namespace qvestra::testing;

namespace {

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

class TestContentList : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void parse_data() {
        Columns<QString, QString>({"page", "summary"});
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
        const auto [page, summary] = Fetch<QString, QString>({"page", "summary"});
        QCOMPARE(Summary(ParseContentList(page)), summary);
    }

    void tablesStopAtTheirCapacity() {
        const ContentList items =
            ParseContentList(MenuPage(QStringList{"Main;A"} + Repeat("Sub;t%1;/d/t%1.pdf", 20)));
        QCOMPARE(items.groups[0].items.size(), std::size_t{15});
        const ContentList entries = ParseContentList(MenuPage(Repeat("Sub;t%1;/d/t%1.pdf", 60)));
        QCOMPARE(entries.entries.size(), std::size_t{51});
    }

    // The name a document is stored under: the part from the last slash, once
    // blanks are taken out, and only when it can safely name a file.
    void documentFile_data() {
        Columns<QString, QString>({"path", "documentFile"});
        Row("blanks taken out", QStringLiteral("/qv_contents/教 材.pdf"),
            QStringLiteral("/教材.pdf"));
        Row("no slash", QStringLiteral("m01.pdf"), QString());
        Row("a folder", QStringLiteral("/doc/"), QString());
        Row("dot dot", QStringLiteral("/doc/.."), QString());
        Row("backslash", QStringLiteral("/doc/..\\qvuser.txt"), QString());
        Row("device CON", QStringLiteral("/doc/CON.pdf"), QString());
        Row("device com1", QStringLiteral("/doc/com1.pdf"), QString());
        Row("device lpt9", QStringLiteral("/doc/lpt9.pdf"), QString());
        Row("com0 is no device", QStringLiteral("/doc/com0.pdf"), QStringLiteral("/com0.pdf"));
        Row("reserved character", QStringLiteral("/doc/a?b.pdf"), QString());
        Row("control character", QStringLiteral("/doc/a\tb.pdf"), QString());
        Row("longest name", "/d/" + QString(251, u'a') + ".pdf", "/" + QString(251, u'a') + ".pdf");
        Row("name too long", "/d/" + QString(252, u'a') + ".pdf", QString());
    }
    void documentFile() {
        const auto [path, documentFile] = Fetch<QString, QString>({"path", "documentFile"});
        const ContentList list = ParseContentList(MenuPage({"Sub;t;" + path}));
        QCOMPARE(list.entries.at(0).path, QString(path).remove(u' '));
        QCOMPARE(list.entries[0].documentFile.value_or(QString()), documentFile);
    }
};

QTEST_MAIN(TestContentList)
#include "test_content_list.moc"
