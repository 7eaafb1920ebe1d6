// The panels built from the menu page and what their buttons open.
#include <QElapsedTimer>
#include <QGroupBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window_harness.h"
#include "fakes/files.h"

using namespace qvestra;
using qvestra::testing::Harness;

namespace {

const std::string kMenuAddress = "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12";

std::string Page(const QStringList& lines) {
    QString page = QStringLiteral("<html><!--\r\nContents_VALUE\r\n");
    for (const QString& line : lines) page += line + QStringLiteral("\r\n");
    return EncodeCp932(page + QStringLiteral("Contents_End\r\n--></html>")).toStdString();
}

// Groups of one item each, the last one with lastItems items.
QStringList Groups(int groups, int lastItems) {
    QStringList lines;
    for (int g = 0; g < groups; ++g) {
        lines << QStringLiteral("Main;G%1").arg(g);
        const int items = g + 1 == groups ? lastItems : 1;
        for (int i = 0; i < items; ++i)
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
    const FrmQvestra::Controls& ui() const { return window->controls(); }
    TwipRect Of(const QWidget* w) const { return window->layout().Of(w); }
    QString Opened() const {
        return documents.opened.empty()
                   ? QString()
                   : QString::fromStdString(documents.opened.back().filename().string());
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
    void groupAndItemClicksOpenTheRightDocuments() {
        Started s({"Main;Group A", "Sub;Lesson 1;/doc/a1.pdf", "Sub;Lesson 2;/doc/a2.pdf",
                   "Main;Group B", "Sub;Unit 1;/doc/b1.pdf"});
        QCOMPARE(s.urls.reads, std::vector<std::string>{kMenuAddress});
        QVERIFY(s.ui().Frame2->isVisibleTo(s.window.get()));
        QCOMPARE(VisibleCaptions(s.ui().Cmd), (QStringList{"Group A", "Group B"}));
        QCOMPARE(s.Of(s.ui().Cmd[0]).top, 480.f);
        QCOMPARE(s.Of(s.ui().Cmd[1]).top, 1080.f);
        QCOMPARE(s.Of(s.ui().Frame2), (TwipRect{240, 3600, 6855.f / 2, 1800}));

        s.window->Cmd_Click(0);
        QVERIFY(s.ui().Frame3->isVisibleTo(s.window.get()));
        QCOMPARE(s.ui().Frame3->title(), QStringLiteral("Group A"));
        QCOMPARE(VisibleCaptions(s.ui().CmdSub), (QStringList{"Lesson 1", "Lesson 2", "閉じる"}));
        QCOMPARE(s.Of(s.ui().Frame3), (TwipRect{3740, 3600, 6735.f / 2, 1945}));

        s.window->CmdSub_Click(1);
        QCOMPARE(s.Opened(), QStringLiteral("a2.pdf"));
        QCOMPARE(s.documents.folders.back(), s.folder);
        QCOMPARE(s.window->DocumentFile(), QStringLiteral("/a2.pdf"));
        QVERIFY(s.viewerWatch.Notice() != nullptr);
        QCOMPARE(s.windows.activated, std::vector<std::uint64_t>{7});

        s.window->CmdSub_Click(2);
        QVERIFY(!s.ui().Frame3->isVisibleTo(s.window.get()));

        s.window->Cmd_Click(1);
        QCOMPARE(VisibleCaptions(s.ui().CmdSub), (QStringList{"Unit 1", "閉じる"}));
        QCOMPARE(s.Of(s.ui().Frame3).height, 1465.f);
        s.window->CmdSub_Click(0);
        QCOMPARE(s.Opened(), QStringLiteral("b1.pdf"));
    }

    void groupButtonsMapToTheirOwnEntries_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("item");  // -1: the group button opens its document
        QTest::addColumn<QString>("opened");
        QTest::newRow("Cont only, third group")
            << QStringList{"Cont;A;/d/a.pdf", "Cont;B;/d/b.pdf", "Cont;C;/d/c.pdf"} << 2 << -1
            << "c.pdf";
        const QStringList mixed{"Main;A", "Sub;x;/d/x.pdf", "Cont;C;/d/c.pdf", "Main;B",
                                "Sub;y;/d/y.pdf"};
        QTest::newRow("mixed, Cont group") << mixed << 1 << -1 << "c.pdf";
        QTest::newRow("mixed, Main after a Cont") << mixed << 2 << 0 << "y.pdf";
        QTest::newRow("items before any group are not shown by a group")
            << QStringList{"Sub;z;/d/z.pdf", "Main;A", "Sub;x;/d/x.pdf"} << 0 << 0 << "x.pdf";
        QTest::newRow("unsafe document name opens nothing")
            << QStringList{"Cont;A;/d/CON"} << 0 << -1 << "";
        // The caption decides: such an item closes the panel like the close button.
        QTest::newRow("an item titled 閉じる closes the panel")
            << QStringList{"Main;A", "Sub;閉じる;/d/x.pdf"} << 0 << 0 << "";
    }
    void groupButtonsMapToTheirOwnEntries() {
        QFETCH(QStringList, lines);
        QFETCH(int, group);
        QFETCH(int, item);
        QFETCH(QString, opened);
        Started s(lines);
        s.window->Cmd_Click(group);
        QCOMPARE(s.ui().Frame3->isVisibleTo(s.window.get()), item >= 0);
        if (item >= 0) s.window->CmdSub_Click(item);
        QCOMPARE(s.Opened(), opened);
    }

    void panelWidths_data() {
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("items");
        QTest::addColumn<float>("frame2Width");
        QTest::addColumn<float>("frame3Width");
        QTest::addColumn<int>("closeButton");
        QTest::newRow("7 groups, 7 items") << 7 << 7 << 6855.f / 2 << 6735.f / 2 << 7;
        QTest::newRow("8 groups, 8 items") << 8 << 8 << 6855.f << 6735.f << 8;
    }
    void panelWidths() {
        QFETCH(int, groups);
        QFETCH(int, items);
        QFETCH(float, frame2Width);
        QFETCH(float, frame3Width);
        QFETCH(int, closeButton);
        Started s(Groups(groups, items));
        QCOMPARE(s.Of(s.ui().Frame2).width, frame2Width);
        QCOMPARE(s.Of(s.ui().Frame2).height, 600.f + 600.f * groups);
        s.window->Cmd_Click(groups - 1);
        QCOMPARE(s.Of(s.ui().Frame3).width, frame3Width);
        QCOMPARE(s.ui().CmdSub[closeButton]->text(), QStringLiteral("閉じる"));
        QCOMPARE(s.Of(s.ui().Frame3).height, 985.f + 480.f * items);
        QCOMPARE(s.Of(s.ui().Frame3).left, groups == 8 ? 7100.f : 3740.f);
    }

    // After a rebuild no button on screen may lead into the earlier list.
    void aRebuildLeavesNoStaleButtons_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("openGroup");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("shorter list") << Groups(9, 5) << 8 << Groups(2, 1);
        QTest::newRow("list of the same length")
            << QStringList{"Main;A", "Sub;a1;/d/a1.pdf", "Sub;a2;/d/a2.pdf"} << 0
            << QStringList{"Main;B", "Sub;b1;/d/b1.pdf", "Sub;b2;/d/b2.pdf"};
    }
    void aRebuildLeavesNoStaleButtons() {
        QFETCH(QStringList, before);
        QFETCH(int, openGroup);
        QFETCH(QStringList, after);
        Started s(before);
        s.window->Cmd_Click(openGroup);
        s.urls.pages[kMenuAddress] = Page(after);
        s.window->BuildMenu();
        QVERIFY(!s.ui().Frame3->isVisibleTo(s.window.get()));
        for (int i = 0; i < FrmQvestra::kItemButtons; ++i) s.window->CmdSub_Click(i);
        s.window->Cmd_Click(FrmQvestra::kGroupButtons - 1);
        QVERIFY(s.documents.opened.empty());
        QCOMPARE(s.Of(s.ui().Frame2).width, 6855.f / 2);
        s.window->Cmd_Click(1);
        if (after.size() > 3)
            QCOMPARE(VisibleCaptions(s.ui().CmdSub), (QStringList{"T1-0", "閉じる"}));
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
        QVERIFY(waited.elapsed() < 250);
        QVERIFY(s.viewerWatch.Notice() == nullptr);
        QCOMPARE(s.messages.shown,
                 QStringList{"教材「a.pdf」を開くプログラムが見つかりませんでした。"});
    }

    // The desktop's opener reports through its exit status.
    void xdgOpenerReportsTheDesktopsAnswer_data() {
        QTest::addColumn<QString>("opener");  // empty: none installed
        QTest::addColumn<bool>("opened");
        QTest::newRow("a program took the document") << "exit 0" << true;
        QTest::newRow("no program for the type") << "exit 3" << false;
        QTest::newRow("the program failed") << "exit 4" << false;
        QTest::newRow("no opener at all") << "" << false;
    }
    void xdgOpenerReportsTheDesktopsAnswer() {
        QFETCH(QString, opener);
        QFETCH(bool, opened);
        QTemporaryDir bin;
        if (!opener.isEmpty()) {
            QFile script(bin.filePath("xdg-open"));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(("#!/bin/sh\n" + opener + "\n").toUtf8());
            script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        std::optional<bool> result;
        XdgDocumentOpener().Open("/tmp/a.pdf", "/tmp", [&](bool ok) { result = ok; });
        qputenv("PATH", path);
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
        QCOMPARE(*result, opened);
    }

    // A list may name anything; what the desktop would run is never handed over.
    void runnableDocuments_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("runnable");
        QTest::newRow("PDF") << "lesson.pdf" << QByteArray("%PDF-1.4\n") << false;
        QTest::newRow("text") << "notes.txt" << QByteArray("read me\n") << false;
        QTest::newRow("desktop entry")
            << "lesson.desktop" << QByteArray("[Desktop Entry]\nExec=sh\n") << true;
        QTest::newRow("script by its first line")
            << "lesson" << QByteArray("#!/bin/sh\nid\n") << true;
        QTest::newRow("ELF program") << "lesson"
                                     << QByteArray(
                                            "\x7f"
                                            "ELF\x02\x01\x01")
                                     << true;
        QTest::newRow("Windows program") << "LESSON.EXE" << QByteArray("MZ") << true;
        QTest::newRow("Windows shortcut") << "lesson.lnk" << QByteArray("L") << true;
    }
    void runnableDocuments() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, runnable);
        Started s({"Cont;A;/d/" + name});
        testing::WriteFile(s.folder / name.toStdString(), bytes.toStdString());
        QCOMPARE(IsRunnableDocument(s.folder / name.toStdString()), runnable);
        s.window->Cmd_Click(0);
        QCOMPARE(s.Opened(), runnable ? QString() : name);
    }

    void anUnreadablePageShowsAnEmptyPanel() {
        Started s(Groups(3, 2));
        s.window->Cmd_Click(2);
        s.urls.pages.clear();
        s.window->BuildMenu();
        QVERIFY(s.ui().Frame2->isVisibleTo(s.window.get()));
        QCOMPARE(s.Of(s.ui().Frame2).height, 600.f);
        QVERIFY(VisibleCaptions(s.ui().Cmd).isEmpty());
        QVERIFY(!s.ui().Frame3->isVisibleTo(s.window.get()));
    }
};

QTEST_MAIN(TestContentPanels)
#include "test_content_panels.moc"
