#include "platform/appkit/MenuAccessKeys.h"

#include "platform/appkit/CommandRouter.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace platform;

namespace {

QStringList texts(const QMenu& menu)
{
    QStringList shown;
    for (const QAction* action : menu.actions())
        shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return shown;
}

} // namespace

TEST(MenuAccessKeys, EachItemGetsAKeyNoOtherItemOfItsMenuHas)
{
    struct Case {
        const char* name;
        QStringList titles;
        QStringList expected;
    };
    const QList<Case> cases {
        { "word starts come first", { "Save", "Save As…", "Sort Tags by Name" },
            { "&Save", "Save &As…", "Sort &Tags by Name" } },
        { "then any letter of the title", { "Copy", "Cut", "Center" },
            { "&Copy", "C&ut", "C&enter" } },
        { "a key already marked is kept and others go around it", { "Open", "He&lp", "Help" },
            { "&Open", "He&lp", "&Help" } },
        { "a second item marked with a taken key gets another", { "&New", "&New Page" },
            { "&New", "New &Page" } },
        { "a literal ampersand stays one", { "Tom && Jerry", "Tags" },
            { "&Tom && Jerry", "T&ags" } },
        { "an item whose letters are all taken has none", { "ab", "ba", "a b" },
            { "&ab", "&ba", "a b" } },
        { "keys are the same letter in either case", { "open", "Other" }, { "&open", "O&ther" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMenu menu;
        for (const QString& title : c.titles)
            menu.addAction(title);
        MenuAccessKeys::assign(menu.actions());
        EXPECT_EQ(texts(menu), c.expected);
    }
}

TEST(MenuAccessKeys, SeparatorsHiddenItemsAndHeadingsTakeNoKey)
{
    QMenu menu;
    QAction* heading = menu.addAction(QStringLiteral("Paragraph"));
    heading->setEnabled(false);
    menu.addSeparator();
    QAction* hidden = menu.addAction(QStringLiteral("Print"));
    hidden->setVisible(false);
    QAction* disabledCommand = menu.addAction(QStringLiteral("Paste"));
    CommandRouter::setAction(disabledCommand, QStringLiteral("paste:"));
    disabledCommand->setEnabled(false);
    menu.addAction(QStringLiteral("Plain"));

    MenuAccessKeys::assign(menu.actions());
    EXPECT_EQ(texts(menu), QStringList({ "Paragraph", "-", "Print", "&Paste", "P&lain" }));
}

TEST(MenuAccessKeys, ARetitledItemKeepsItsKeyWhileTheNewTitleHasTheLetter)
{
    QMenu menu;
    QAction* sidebar = menu.addAction(QStringLiteral("Hide Sidebar"));
    QAction* info = menu.addAction(QStringLiteral("Show Info"));
    MenuAccessKeys::assign(menu.actions());
    ASSERT_EQ(texts(menu), QStringList({ "&Hide Sidebar", "&Show Info" }));

    // Retitled as validation does, without marks: the letter is still there, the key stays.
    sidebar->setText(QStringLiteral("Show Sidebar"));
    MenuAccessKeys::assign(menu.actions());
    EXPECT_EQ(texts(menu), QStringList({ "S&how Sidebar", "&Show Info" }));

    // A title without the letter takes a free one; the others keep theirs.
    sidebar->setText(QStringLiteral("Undo Typing"));
    info->setText(QStringLiteral("Show Info"));
    MenuAccessKeys::assign(menu.actions());
    EXPECT_EQ(texts(menu), QStringList({ "&Undo Typing", "&Show Info" }));
}

TEST(MenuAccessKeys, MenusGetKeysForItemsAddedBeforeTheyShow)
{
    QMenuBar bar;
    QMenu* file = bar.addMenu(MenuAccessKeys::marked(QStringLiteral("File"), u'f'));
    QMenu* format = bar.addMenu(QStringLiteral("Format"));
    file->addAction(QStringLiteral("New"));
    QMenu* recent = file->addMenu(QStringLiteral("Recent"));
    MenuAccessKeys::keep(&bar);
    EXPECT_EQ(format->title(), QStringLiteral("F&ormat"));
    EXPECT_EQ(texts(*file), QStringList({ "&New", "&Recent" }));

    // Filled when about to show, as the recent items are.
    QObject::connect(recent, &QMenu::aboutToShow, recent, [recent] {
        recent->clear();
        recent->addAction(QStringLiteral("Notes"));
        recent->addAction(QStringLiteral("Numbers"));
    });
    recent->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(recent));
    EXPECT_EQ(texts(*recent), QStringList({ "&Notes", "N&umbers" }));
    recent->hide();
}

TEST(MenuAccessKeys, PlainTitlesAndKeysReadMarksAsTheMenuShowsThem)
{
    struct Case {
        const char* text;
        const char* plain;
        QChar key;
    };
    const QList<Case> cases {
        { "&Save", "Save", u's' },
        { "Save &As…", "Save As…", u'a' },
        { "Tom && Jerry", "Tom & Jerry", QChar() },
        { "R&&D &notes", "R&D notes", u'n' },
        { "Plain", "Plain", QChar() },
        { "Trailing&", "Trailing&", QChar() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(MenuAccessKeys::plainTitle(text), QString::fromUtf8(c.plain));
        EXPECT_EQ(MenuAccessKeys::accessKey(text), c.key);
    }
    EXPECT_EQ(MenuAccessKeys::marked(QStringLiteral("History"), u's'), QStringLiteral("Hi&story"));
    EXPECT_EQ(MenuAccessKeys::marked(QStringLiteral("Help"), u'x'), QStringLiteral("Help"));
    EXPECT_EQ(MenuAccessKeys::marked(QStringLiteral("&Help"), u'l'), QStringLiteral("&Help"));
}
