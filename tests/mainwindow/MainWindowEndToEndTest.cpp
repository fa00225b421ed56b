#include "MainWindowFixture.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/BXTableView.h"

#include "document/model/BXAttributedStringAdditions.h"

#include "platform/text/AttributedText.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <QTextDocument>

using platform::AttributedText;

namespace {

class MainWindowEndToEndTest : public MainWindowFixture {
protected:
    void clickNote(const QString& title)
    {
        BXTableView* table = controller->notesTableView();
        const int row
            = controller->notesController()->indexOfArrangedObject(noteTitled(title).get());
        ASSERT_GE(row, 0) << title.toStdString();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
            table->visualRect(table->model()->index(row, 0)).center());
        settle();
    }
};

TEST_F(MainWindowEndToEndTest, EditsMadeInTheWindowAreInTheFileWhenItOpensAgain)
{
    QStringList texts;
    for (int i = 1; i <= 20; ++i)
        texts << QStringLiteral("Note %1\nAbout #topic%1").arg(i, 2, 10, QLatin1Char('0'));
    makeFile(texts);
    openWindow();
    ASSERT_EQ(controller->notesController()->arrangedObjects().size(), 20);

    clickNote(QStringLiteral("Note 07"));
    const auto note = noteTitled(QStringLiteral("Note 07"));
    ASSERT_EQ(controller->selectedNote(), note);
    ASSERT_EQ(
        AttributedText::string(*textView->mirror()), QStringLiteral("Note 07\nAbout #topic07"));

    // Type at the end, then paste rich text, which arrives as plain text.
    QTest::mouseClick(textView->viewport(), Qt::LeftButton, {},
        QPoint(textView->viewport()->width() / 2, textView->viewport()->height() - 10));
    textView->setSelectedRange({ AttributedText::length(*textView->mirror()), 0 });
    QTest::keyClicks(textView, QStringLiteral(" and teh garden"));
    auto* rich = new QMimeData;
    rich->setHtml(QStringLiteral("<b>bold</b> <i>words</i>"));
    rich->setText(QStringLiteral("bold words"));
    QApplication::clipboard()->setMimeData(rich);
    QTest::keyClick(textView, Qt::Key_V, Qt::ControlModifier);
    settle();
    const QString expected = QStringLiteral("Note 07\nAbout #topic07 and teh garden bold words");
    EXPECT_EQ(note->noteText().toStdString(), expected.toStdString());
    screenshot(QStringLiteral("mainwindow-note.png"));
    screenshot(QStringLiteral("mainwindow-misspelling.png"));

    // A word in another font, then 200 %, then undo takes the font back.
    const QByteArray beforeFont = note->noteStyles();
    QVariantMap serif;
    serif.insert(AttributedText::FontAttributeName, QFont(QStringLiteral("Serif"), 24));
    textView->setTextAttributes(serif, { 0, 4 });
    EXPECT_NE(note->noteStyles(), beforeFont);
    textView->zoomToFactor(2.0);
    settle();
    screenshot(QStringLiteral("mainwindow-zoom-200.png"));
    QTest::keyClick(textView, Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_EQ(note->noteStyles(), beforeFont);
    const QByteArray left = note->noteStyles();

    save();
    controller->mainWindow()->close();
    settle();
    EXPECT_FALSE(controller) << "the window went with its document";
    EXPECT_TRUE(document->isClosed());

    openWindow();
    clickNote(QStringLiteral("Note 07"));
    const auto reopened = noteTitled(QStringLiteral("Note 07"));
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->noteText().toStdString(), expected.toStdString());
    EXPECT_EQ(reopened->noteStyles(), left);
    EXPECT_EQ(AttributedText::string(*textView->mirror()).toStdString(), expected.toStdString());
    EXPECT_EQ(BXAttributedStringAdditions::RTFData(*textView->mirror()), left);
}

} // namespace
