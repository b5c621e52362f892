// The help window: the guide rendered inside the program, its contents list,
// links within it, search, and what it says when no guide is found.
#include "HelpWindow.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace kv {
namespace {

template <typename T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

HelpWindow* openHelpWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<HelpWindow*>(w); h && h->isVisible()) return h;
    return nullptr;
}

void typeInto(QWidget* focused, const QString& text) {
    ASSERT_NE(focused, nullptr);
    QTest::keyClicks(focused, text);
    QTest::keyClick(focused, Qt::Key_Return);
}

class HelpWindowTest : public test::WindowFixture {};

TEST_F(HelpWindowTest, F1OpensTheGuideAndCtrlFFindsAWord) {
    createWindow();
    window->Form_Load(1920);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F1);

    HelpWindow* help = openHelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->windowTitle(), QStringLiteral("kv Player Help"));
    ASSERT_FALSE(help->guidePath().isEmpty());
    // The guide's own first heading, at the top of the page and of the contents.
    QFile guide(help->guidePath());
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    const QString firstLine = QString::fromUtf8(guide.readLine()).trimmed();
    ASSERT_TRUE(firstLine.startsWith(QStringLiteral("# ")));
    const QString heading = firstLine.mid(2);
    auto* browser = child<QTextBrowser>(help, "helpBrowser");
    const QTextBlock first = browser->document()->begin();
    EXPECT_EQ(first.text(), heading);
    EXPECT_EQ(first.blockFormat().headingLevel(), 1);
    auto* contents = child<QTreeWidget>(help, "helpContents");
    ASSERT_GT(contents->topLevelItemCount(), 0);
    EXPECT_EQ(contents->topLevelItem(0)->text(0), heading);
    EXPECT_GT(contents->topLevelItem(0)->childCount(), 5); // the chapters

    // The help window takes the keyboard. (qWaitForWindowActive would not
    // do: a window counts as active while its parent is.)
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == help; }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    auto* find = child<QLineEdit>(help, "helpFind");
    ASSERT_TRUE(find->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), find);
    typeInto(find, QStringLiteral("Override"));
    const QTextCursor found = browser->textCursor();
    EXPECT_EQ(found.selectedText().toLower(), QStringLiteral("override")); // any case
    QTest::keyClick(find, Qt::Key_Return);                                 // the next one
    EXPECT_EQ(browser->textCursor().selectedText().toLower(), QStringLiteral("override"));
    EXPECT_NE(browser->textCursor().position(), found.position());
    QTest::keyClick(find, Qt::Key_F3, Qt::ShiftModifier); // and back
    EXPECT_EQ(browser->textCursor().position(), found.position());
    EXPECT_EQ(child<QLabel>(help, "helpFindStatus")->text(), QString());

    find->clear();
    typeInto(find, QStringLiteral("xyzzy"));
    EXPECT_EQ(child<QLabel>(help, "helpFindStatus")->text(), QStringLiteral("Not found"));
    QTest::keyClick(find, Qt::Key_Escape); // the find bar goes, the page keeps the keys
    EXPECT_FALSE(find->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), browser);

    // F1 again brings back the same window.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(openHelpWindow(), help);
    help->close();
}

TEST(HelpWindow, FollowsLinksWithinTheGuideAndShowsItsPictures) {
    test::TempDir dir;
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("red.png"))));
    std::string md = "# Guide\n\nSee [the keys](#keys-and-more).\n\n![A red box](red.png)\n\n";
    for (int i = 0; i < 80; ++i)
        md += "Paragraph " + std::to_string(i) + ".\n\n";
    md += "## Keys and more\n\n";
    for (int i = 0; i < 80; ++i)
        md += "More " + std::to_string(i) + ".\n\n";
    test::writeText(dir.file("guide.md"), md);

    HelpWindow help({QString::fromStdString(dir.file("guide.md"))});
    help.resize(700, 500);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    auto* browser = child<QTextBrowser>(&help, "helpBrowser");

    // The picture is drawn from beside the guide.
    const QImage shown = browser->viewport()->grab().toImage();
    bool red = false;
    for (int y = 0; y < shown.height() && !red; ++y)
        for (int x = 0; x < shown.width() && !red; ++x)
            red = shown.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);

    // Click the link: the view scrolls to the heading it names.
    EXPECT_EQ(browser->verticalScrollBar()->value(), 0);
    QTextCursor link = browser->document()->find(QStringLiteral("the keys"));
    ASSERT_FALSE(link.isNull());
    link.setPosition(link.selectionStart() + 2);
    const QPoint at = browser->cursorRect(link).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    const QTextBlock heading = browser->textCursor().block();
    EXPECT_EQ(heading.text(), QStringLiteral("Keys and more"));
    EXPECT_GT(browser->verticalScrollBar()->value(), 0);
    EXPECT_LT(std::abs(browser->cursorRect(browser->textCursor()).top()), 40); // at the top

    // The contents list jumps back to the top.
    auto* contents = child<QTreeWidget>(&help, "helpContents");
    QTreeWidgetItem* top = contents->topLevelItem(0);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->child(0)->text(0), QStringLiteral("Keys and more"));
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, Qt::NoModifier,
                      contents->visualItemRect(top).center());
    EXPECT_EQ(browser->verticalScrollBar()->value(), 0);
}

TEST(HelpWindow, AnchorsAreNamedAsOnWebPages) {
    EXPECT_EQ(HelpWindow::anchorFor(QStringLiteral("Keys")), QStringLiteral("keys"));
    EXPECT_EQ(HelpWindow::anchorFor(QStringLiteral("Cutting and saving a segment")),
              QStringLiteral("cutting-and-saving-a-segment"));
    EXPECT_EQ(HelpWindow::anchorFor(QStringLiteral("kv Player — User Guide")),
              QStringLiteral("kv-player--user-guide"));
    EXPECT_EQ(HelpWindow::anchorFor(QStringLiteral("Settings ▸ Alerts (F1)")),
              QStringLiteral("settings--alerts-f1"));
}

TEST(HelpWindow, SaysWhereItLookedWhenThereIsNoGuide) {
    const QStringList looked = {QStringLiteral("/nowhere/a/user-guide.md"),
                                QStringLiteral("/nowhere/b/user-guide.md")};
    HelpWindow help(looked);
    EXPECT_TRUE(help.guidePath().isEmpty());
    const QString text = child<QTextBrowser>(&help, "helpBrowser")->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("user guide was not found"))) << text.toStdString();
    for (const QString& place : looked)
        EXPECT_TRUE(text.contains(place)) << place.toStdString();
    EXPECT_EQ(child<QTreeWidget>(&help, "helpContents")->topLevelItemCount(), 0);
}

TEST(HelpWindow, LooksBesideTheProgramThenInTheInstallTree) {
    const QStringList paths = HelpWindow::defaultGuidePaths();
    ASSERT_GE(paths.size(), 3);
    const QString exeDir = QCoreApplication::applicationDirPath();
    EXPECT_EQ(paths[0], exeDir + QStringLiteral("/user-guide.md"));
    EXPECT_TRUE(paths.contains(
        QDir::cleanPath(exeDir + QStringLiteral("/../share/kv-player/user-guide.md"))));
}

} // namespace
} // namespace kv

namespace kv {
namespace {

TEST(HelpWindow, EveryLinkInTheGuideLeadsToAHeadingAndItsPictureLoads) {
    HelpWindow help(HelpWindow::defaultGuidePaths());
    ASSERT_FALSE(help.guidePath().isEmpty());
    QFile guide(help.guidePath());
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(guide.readAll());
    int links = 0;
    static const QRegularExpression link(QStringLiteral("\\]\\(#([^)]+)\\)"));
    for (auto it = link.globalMatch(text); it.hasNext(); ++links) {
        const QString anchor = it.next().captured(1);
        EXPECT_TRUE(help.jumpTo(anchor)) << anchor.toStdString();
    }
    EXPECT_GT(links, 5);
    static const QRegularExpression picture(QStringLiteral("!\\[[^\\]]*\\]\\(([^)]+)\\)"));
    auto* browser = child<QTextBrowser>(&help, "helpBrowser");
    for (auto it = picture.globalMatch(text); it.hasNext();) {
        const QString name = it.next().captured(1);
        const QVariant image =
            browser->document()->resource(QTextDocument::ImageResource, QUrl(name));
        EXPECT_TRUE(image.isValid()) << name.toStdString();
    }
}

} // namespace
} // namespace kv

namespace kv {
namespace {

TEST(HelpWindow, PicturesWiderThanThePageShrinkToFit) {
    test::TempDir dir;
    QImage wide(1200, 300, QImage::Format_RGB32);
    wide.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(wide.save(QString::fromStdString(dir.file("wide.png"))));
    test::writeText(dir.file("guide.md"), "# Guide\n\n![Wide](wide.png)\n\nText.\n");

    HelpWindow help({QString::fromStdString(dir.file("guide.md"))});
    help.resize(700, 500);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    auto* browser = child<QTextBrowser>(&help, "helpBrowser");
    EXPECT_EQ(browser->horizontalScrollBar()->maximum(), 0); // no sideways scrolling
    // The whole picture is in view: red at its right end, kept in proportion.
    const QImage shown = browser->viewport()->grab().toImage();
    int right = -1, top = shown.height(), bottom = -1;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) == qRgb(255, 0, 0))
                right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_GT(right, 0);
    EXPECT_LT(right, browser->viewport()->width());
    const int width = right - 16 + 1; // from the page margin
    EXPECT_NEAR(bottom - top + 1, width / 4, 3);

    // A wider window shows it larger, never beyond its own size.
    help.resize(1600, 500);
    QApplication::processEvents();
    EXPECT_EQ(browser->horizontalScrollBar()->maximum(), 0);
    const QImage larger = browser->viewport()->grab().toImage();
    int largerRight = -1;
    for (int x = 0; x < larger.width(); ++x)
        if (larger.pixel(x, 40) == qRgb(255, 0, 0) || larger.pixel(x, 60) == qRgb(255, 0, 0))
            largerRight = x;
    EXPECT_GT(largerRight, right);
    EXPECT_LE(largerRight, 16 + 1200);
}

} // namespace
} // namespace kv
