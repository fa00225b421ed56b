#include "MainWindowFixture.h"

#include "mainwindow/editor/BXFormatMenu.h"

#include "lists/BXTableView.h"

#include "document/BXDefaults.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/RulerView.h"
#include "platform/appkit/TextListPanel.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"

#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using platform::AttributedText;

namespace {

class BXFormatMenuTest : public MainWindowFixture {
protected:
    // One row per item: "title|action|tag|keys", "---" for a separator, "title>" for a submenu.
    static QStringList rows(const QMenu* menu)
    {
        QStringList result;
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator()) {
                result << QStringLiteral("---");
                continue;
            }
            const QString title = action->property("menuTitle").toString();
            if (action->menu()) {
                result << action->text() + u'>';
                continue;
            }
            result << QStringLiteral("%1|%2|%3|%4")
                          .arg(title, platform::CommandRouter::action(action))
                          .arg(platform::CommandRouter::tag(action))
                          .arg(action->shortcut().toString(QKeySequence::PortableText));
        }
        return result;
    }
    static QMenu* submenu(const QMenu* menu, const QString& title)
    {
        for (const QAction* action : menu->actions()) {
            if (action->menu() && action->text() == title)
                return action->menu();
        }
        ADD_FAILURE() << title.toStdString();
        return nullptr;
    }
    static QAction* item(const QMenu* menu, const QString& title)
    {
        for (QAction* action : menu->actions()) {
            if (action->property("menuTitle").toString() == title)
                return action;
        }
        ADD_FAILURE() << title.toStdString();
        return nullptr;
    }
    // Triggers the item at the end of `path` as a click would, after its menu validated it.
    void choose(const QStringList& path)
    {
        QMenu* menu = controller->formatPopupMenuIfNeeded();
        for (const QString& title : path.mid(0, path.size() - 1))
            menu = submenu(menu, title);
        emit menu->aboutToShow();
        QAction* action = item(menu, path.last());
        ASSERT_TRUE(action && action->isEnabled()) << path.join(u'/').toStdString();
        action->trigger();
        settle();
    }
    std::shared_ptr<BXNote> openNote(const QString& text)
    {
        makeFile({ text });
        openWindow();
        const auto note = noteTitled(text.section(u'\n', 0, 0));
        select({ note });
        textView->setFocus();
        settle();
        return note;
    }
    static QString keys(const char* portable)
    {
        return QKeySequence::fromString(QString::fromLatin1(portable), QKeySequence::PortableText)
            .toString(QKeySequence::PortableText);
    }
};

TEST_F(BXFormatMenuTest, TheTreeHasItsTitlesTagsAndKeysAndTheSecondClickShowsTheSameMenu)
{
    openNote(QStringLiteral("Formatting"));
    QMenu* menu = controller->formatPopupMenuIfNeeded();
    EXPECT_EQ(menu->title(), QStringLiteral("Format"));
    EXPECT_EQ(rows(menu), QStringList({ "Font>", "Text>" }));
    QMenu* font = submenu(menu, QStringLiteral("Font"));
    EXPECT_EQ(rows(font),
        QStringList({ "Show Fonts|orderFrontFontPanel:|0|" + keys("Ctrl+T"), "---",
            "Bold|addFontTrait:|2|" + keys("Ctrl+B"), "Italic|addFontTrait:|1|" + keys("Ctrl+I"),
            "Underline|underline:|0|" + keys("Ctrl+U"),
            "Default Style|setDefaultStyle:|0|" + keys("Ctrl+Shift+D"), "---",
            "Bigger|modifyFont:|3|" + keys("Ctrl++"), "Smaller|modifyFont:|4|" + keys("Ctrl+-"),
            "---", "Kern>", "Ligatures>", "Baseline>", "---",
            "Show Colors|orderFrontColorPanel:|0|" + keys("Ctrl+Shift+C"), "---",
            "Copy Style|copyFont:|0|" + keys("Ctrl+Alt+C"),
            "Paste Style|pasteFont:|0|" + keys("Ctrl+Alt+V"),
            QStringLiteral("Styles\u2026|orderFrontStylesPanel:|0|") }));
    EXPECT_EQ(rows(submenu(font, QStringLiteral("Kern"))),
        QStringList({ "Use Default|useStandardKerning:|0|", "Use None|turnOffKerning:|0|",
            "Tighten|tightenKerning:|0|", "Loosen|loosenKerning:|0|" }));
    EXPECT_EQ(rows(submenu(font, QStringLiteral("Ligatures"))),
        QStringList({ "Use Default|useStandardLigatures:|0|", "Use None|turnOffLigatures:|0|",
            "Use All|useAllLigatures:|0|" }));
    EXPECT_EQ(rows(submenu(font, QStringLiteral("Baseline"))),
        QStringList({ "Use Default|unscript:|0|", "Superscript|superscript:|0|",
            "Subscript|subscript:|0|", "Raise|raiseBaseline:|0|", "Lower|lowerBaseline:|0|" }));
    QMenu* text = submenu(menu, QStringLiteral("Text"));
    EXPECT_EQ(rows(text),
        QStringList({ "Align Left|alignLeft:|0|" + keys("Ctrl+{"),
            "Center|alignCenter:|0|" + keys("Ctrl+|"), "Justify|alignJustified:|0|",
            "Align Right|alignRight:|0|" + keys("Ctrl+}"), "---", "Writing Direction>", "---",
            "Show Ruler|toggleRuler:|0|" + keys("Ctrl+R"),
            "Copy Ruler|copyRuler:|0|" + keys("Ctrl+Meta+C"),
            "Paste Ruler|pasteRuler:|0|" + keys("Ctrl+Meta+V"), "---",
            "Table...|orderFrontTablePanel:|0|", "List...|orderFrontListPanel:|0|",
            "Spacing...|orderFrontSpacingPanel:|0|" }));
    EXPECT_EQ(rows(submenu(text, QStringLiteral("Writing Direction"))),
        QStringList({ "Paragraph||0|", "\tDefault|makeBaseWritingDirectionNatural:|0|",
            "\tLeft to Right|makeBaseWritingDirectionLeftToRight:|0|",
            "\tRight to Left|makeBaseWritingDirectionRightToLeft:|0|", "---", "Selection||0|",
            "\tDefault|makeTextWritingDirectionNatural:|0|",
            "\tLeft to Right|makeTextWritingDirectionLeftToRight:|0|",
            "\tRight to Left|makeTextWritingDirectionRightToLeft:|0|" }));

    // With the text focused the text commands are on; what nothing answers stays off.
    emit font->aboutToShow();
    emit text->aboutToShow();
    EXPECT_TRUE(item(font, QStringLiteral("Bold"))->isEnabled());
    EXPECT_FALSE(item(font, QStringLiteral("Styles\u2026"))->isEnabled());
    EXPECT_FALSE(item(text, QStringLiteral("Table..."))->isEnabled());
    EXPECT_TRUE(item(text, QStringLiteral("List..."))->isEnabled());
    // With the list focused they follow the responder chain, which has no text in it.
    controller->notesTableView()->setFocus();
    emit font->aboutToShow();
    EXPECT_FALSE(item(font, QStringLiteral("Bold"))->isEnabled());
    EXPECT_FALSE(item(font, QStringLiteral("Default Style"))->isEnabled());
    textView->setFocus();

    // The same menu each click, 5 points below the button.
    QPushButton button(QStringLiteral("Format"), controller->mainWindow());
    // Well inside the screen, so the menu is not moved to fit.
    button.move(controller->mainWindow()->mapFromGlobal(QPoint(100, 100)));
    button.show();
    controller->formatButtonClicked(&button);
    QCoreApplication::processEvents();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), button.mapToGlobal(QPoint(0, button.height() + 5)));
    menu->hide();
    controller->formatButtonClicked(&button);
    EXPECT_EQ(controller->formatPopupMenuIfNeeded(), menu);
    EXPECT_TRUE(menu->isVisible());
    font->popup(menu->geometry().topRight());
    text->popup(font->geometry().topRight());
    QMenu* directions = submenu(text, QStringLiteral("Writing Direction"));
    directions->popup(text->geometry().topRight());
    QCoreApplication::processEvents();
    // The menu and its two submenus side by side, beside the other window pictures.
    QImage sheet(menu->width() + font->width() + text->width() + directions->width(),
        std::max({ menu->height(), font->height(), text->height() }), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int x = 0;
    for (QMenu* shown : { menu, font, text, directions }) {
        painter.drawPixmap(x, 0, shown->grab());
        x += shown->width();
    }
    painter.end();
    sheet.save(QCoreApplication::applicationDirPath() + QStringLiteral("/format-menu.png"));
    directions->hide();
    text->hide();
    font->hide();
    menu->hide();
}

TEST_F(BXFormatMenuTest, BoldTwiceAndKernLigatureDirectionAndListSurviveReopening)
{
    const auto note = openNote(QStringLiteral("Shopping\nEggs and flour\nMilk"));
    const auto stored = [&](const QString& name, int index) {
        return AttributedText::attribute(*note->textStorage(), name, index);
    };
    const auto bold = [&](int index) {
        return stored(AttributedText::FontAttributeName, index).value<QFont>().bold();
    };

    // Ctrl+B twice: bold, then not; Ctrl+I is the text's, not the window's.
    textView->setSelectedRange({ 0, 8 });
    QTest::keyClick(textView, Qt::Key_B, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(bold(2));
    QTest::keyClick(textView, Qt::Key_B, Qt::ControlModifier);
    settle();
    EXPECT_FALSE(bold(2));
    QTest::keyClick(textView, Qt::Key_I, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(stored(AttributedText::FontAttributeName, 2).value<QFont>().italic());

    textView->setSelectedRange({ 9, 4 }); // "Eggs"
    choose({ "Font", "Kern", "Use None" });
    choose({ "Font", "Kern", "Loosen" });
    choose({ "Font", "Ligatures", "Use None" });
    choose({ "Text", "Writing Direction", "\tRight to Left" });
    ASSERT_TRUE(textView->setSelectedRange({ 9, 19 })); // the last two paragraphs
    choose({ "Text", "List..." });
    auto* panel = controller->mainWindow()->findChild<platform::TextListPanel*>();
    ASSERT_TRUE(panel);
    panel->setMarkerStyle(QTextListFormat::ListDisc);
    panel->accept();
    settle();
    const QString expected = QStringLiteral("Shopping\n\t\u2022\tEggs and flour\n\t\u2022\tMilk");
    ASSERT_EQ(AttributedText::string(*note->textStorage()), expected);

    save();
    closeWindow();
    openWindow();
    const auto reopened = noteTitled(QStringLiteral("Shopping"));
    ASSERT_TRUE(reopened);
    QTextDocument& text = *reopened->textStorage();
    EXPECT_EQ(AttributedText::string(text), expected);
    EXPECT_EQ(AttributedText::attribute(text, AttributedText::KerningAttributeName, 13), false);
    EXPECT_EQ(AttributedText::attribute(text, AttributedText::LetterSpacingAttributeName, 13), 0.5);
    EXPECT_EQ(AttributedText::attribute(text, AttributedText::LigatureAttributeName, 13), 0);
    EXPECT_FALSE(
        AttributedText::attribute(text, AttributedText::LigatureAttributeName, 18).isValid());
    const platform::ParagraphStyle item
        = AttributedText::paragraphStyle(text.findBlockByNumber(1).blockFormat());
    EXPECT_EQ(item.baseWritingDirection, platform::WritingDirection::RightToLeft);
    EXPECT_EQ(item.headIndent, 36);
    EXPECT_EQ(
        AttributedText::paragraphStyle(text.findBlockByNumber(2).blockFormat()).headIndent, 36);
}

TEST_F(BXFormatMenuTest, TheRulerShowsItsEditsAreUndoableAndItStaysAsLeft)
{
    const auto note = openNote(QStringLiteral("Ruled lines\nSecond"));
    ASSERT_TRUE(textView->isRulerVisible()) << "a new file shows the ruler";
    platform::RulerView* ruler = textView->rulerView();
    const auto headIndent = [&](const std::shared_ptr<BXNote>& of) {
        return AttributedText::paragraphStyle(of->textStorage()->begin().blockFormat()).headIndent;
    };
    textView->setSelectedRange({ 2, 0 });
    const int bottom = platform::RulerView::kHeight - 3;
    const QPoint from(int(std::lround(ruler->xForLocation(0))), bottom);
    const QPoint to(int(std::lround(ruler->xForLocation(36))), bottom);
    QTest::mousePress(ruler, Qt::LeftButton, {}, from);
    QTest::mouseMove(ruler, (from + to) / 2);
    QTest::mouseMove(ruler, to);
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, to);
    settle();
    EXPECT_NEAR(headIndent(note), 36, 1);
    screenshot(QStringLiteral("mainwindow-ruler.png"));

    QTest::keyClick(textView, Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_EQ(headIndent(note), 0);
    QTest::keyClick(textView, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    EXPECT_NEAR(headIndent(note), 36, 1);

    save();
    closeWindow();
    openWindow();
    auto reopened = noteTitled(QStringLiteral("Ruled lines"));
    EXPECT_NEAR(headIndent(reopened), 36, 1);
    EXPECT_TRUE(textView->isRulerVisible());

    // Hidden with its key, it stays hidden.
    textView->setFocus();
    QTest::keyClick(textView, Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(textView->isRulerVisible());
    save();
    closeWindow();
    openWindow();
    EXPECT_FALSE(textView->isRulerVisible());
}

TEST_F(BXFormatMenuTest, TheRulerTakesItsUnitsFromTheDefaultsAndFollowsTheirChange)
{
    platform::UserDefaults::standard().setString(RulerUnits, QStringLiteral("Points"));
    openNote(QStringLiteral("Measured"));
    platform::RulerView* ruler = textView->rulerView();
    ASSERT_TRUE(ruler);
    EXPECT_EQ(ruler->measurementUnits(), QStringLiteral("Points"));
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const auto& [posted, expected] : { std::pair { "Centimeters", "Centimeters" },
             std::pair { "Furlongs", "Centimeters" }, std::pair { "Picas", "Picas" } }) {
        SCOPED_TRACE(posted);
        center.post(RulerUnitsChanged, nullptr, { { RulerUnits, QString::fromLatin1(posted) } });
        EXPECT_EQ(ruler->measurementUnits(), QString::fromLatin1(expected));
    }
    closeWindow();
    // Nobody listens any more.
    center.post(RulerUnitsChanged, nullptr, { { RulerUnits, QStringLiteral("Inches") } });
    platform::UserDefaults::standard().setString(RulerUnits, QStringLiteral("Inches"));
}

} // namespace
