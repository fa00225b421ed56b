#include "document/model/BXDataModel.h"
#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/text/AttributedText.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;
using platform::TypeIdentifier;

namespace {

class ExportNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        context.setPersistentStoreCoordinator(
            std::make_shared<platform::PersistentStoreCoordinator>(BXDataModel::model()));
    }

    BXNote::NotePtr plainNote(const QString& title)
    {
        BXNote::NotePtr note = BXNote::newNoteInManagedObjectContext(&context, title, {});
        note->setNoteText(QStringLiteral("text"));
        note->setNoteStyles(QByteArray());
        return note;
    }
    BXNote::NotePtr richNote(const QString& title, bool withPicture)
    {
        BXNote::NotePtr note = BXNote::newNoteInManagedObjectContext(&context, title, {});
        std::unique_ptr<QTextDocument> text = AttributedText::makeDocument();
        text->setPlainText(QStringLiteral("Bold words"));
        QFont bold = AttributedText::systemFont();
        bold.setBold(true);
        AttributedText::addAttribute(*text, AttributedText::FontAttributeName, bold, { 0, 4 });
        if (withPicture) {
            QTextCursor cursor(text.get());
            cursor.movePosition(QTextCursor::End);
            AttributedText::insertAttachment(
                cursor, { QByteArray("GIF89a"), QStringLiteral("a.gif"), QSizeF(10, 10) });
        }
        note->setAttributedString(*text);
        note->setNoteTitle(title);
        return note;
    }

    platform::ManagedObjectContext context;
};

} // namespace

TEST_F(ExportNamesTest, AutoFollowsEachNotesContent)
{
    const BXNote::NotePtr plain = plainNote(QStringLiteral("Plain"));
    const BXNote::NotePtr rich = richNote(QStringLiteral("Rich"), false);
    const BXNote::NotePtr picture = richNote(QStringLiteral("Picture"), true);
    EXPECT_EQ(BXDocument::preferredExportTypeForNote(*plain), TypeIdentifier::PlainText);
    EXPECT_EQ(BXDocument::preferredExportTypeForNote(*rich), TypeIdentifier::Rtf);
    EXPECT_EQ(BXDocument::preferredExportTypeForNote(*picture), TypeIdentifier::Rtfd);
    // Styles that cannot be read leave the plain text, so that is what gets exported.
    const BXNote::NotePtr broken = plainNote(QStringLiteral("Broken"));
    broken->setNoteStyles(QByteArray("not rich text"));
    EXPECT_EQ(BXDocument::preferredExportTypeForNote(*broken), TypeIdentifier::PlainText);

    const QString folder = bxtest::makeTempFolder();
    EXPECT_EQ(BXDocument::exportFileNames(
                  { plain.get(), rich.get(), picture.get() }, QStringLiteral("Auto"), folder),
        QStringList({ "Plain.txt", "Rich.rtf", "Picture.rtfd" }));
    EXPECT_EQ(BXDocument::exportFileNames({ plain.get() }, TypeIdentifier::Markdown, folder),
        QStringList({ "Plain.md" }));
    // A type of no known extension gives the bare title.
    EXPECT_EQ(
        BXDocument::exportFileNames({ plain.get() }, QStringLiteral("org.example.unknown"), folder),
        QStringList({ "Plain" }));
}

TEST_F(ExportNamesTest, TitlesBecomeSafeUniqueNames)
{
    const QString folder = bxtest::makeTempFolder();
    {
        QFile existing(folder + QStringLiteral("/Taken.rtf"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    }
    struct Case {
        QString title;
        QString name;
    };
    const Case cases[] = {
        { QStringLiteral("a/b:c"), QStringLiteral("a-b-c.rtf") },
        { QStringLiteral("."), QStringLiteral("Note.rtf") },
        { QStringLiteral(".."), QStringLiteral("Note 1.rtf") },
        { QStringLiteral(".hidden"), QStringLiteral("hidden.rtf") },
        { QString(300, u'x'), QString(251, u'x') + QStringLiteral(".rtf") },
        { QStringLiteral("Taken"), QStringLiteral("Taken 1.rtf") },
        // Two notes of one title in one drag.
        { QStringLiteral("Same"), QStringLiteral("Same.rtf") },
        { QStringLiteral("Same"), QStringLiteral("Same 1.rtf") },
    };
    std::vector<BXNote::NotePtr> notes;
    QList<const BXNote*> dragged;
    for (const Case& c : cases) {
        notes.push_back(richNote(c.title, false));
        dragged << notes.back().get();
    }
    const QStringList names = BXDocument::exportFileNames(dragged, TypeIdentifier::Rtf, folder);
    ASSERT_EQ(names.size(), qsizetype(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].title.left(20).toStdString());
        EXPECT_EQ(names.at(qsizetype(i)), cases[i].name);
        EXPECT_LE(names.at(qsizetype(i)).toUtf8().size(), 255);
    }
}
