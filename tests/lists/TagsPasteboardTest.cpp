#include "SidebarFixture.h"

#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXTagTokens.h"
#include "lists/tags/BXTagsPasteboard.h"

#include "document/model/BXCategory.h"

#include "platform/foundation/Log.h"

#include <QMimeData>

using namespace platform;

// Tokens copied from a tag field and pasted into one, over the sidebar of a saved store.
class TagsPasteboardTest : public SidebarFixture {
protected:
    void SetUp() override
    {
        SidebarFixture::SetUp();
        work = makeCategory(QStringLiteral("Work"), 1);
        home = makeCategory(QStringLiteral("Home"), 2);
        ideas = makeCategory(QStringLiteral("Ideas"), 3);
        gone = makeCategory(QStringLiteral("Gone"), 4);
        Error error;
        ASSERT_TRUE(context->save(&error));
    }

    static QVariant token(const ManagedObjectPtr& category)
    {
        return BXCategoryToken::tokenWithCategory(category)->toVariant();
    }
    static QStringList names(const QVariantList& tokens)
    {
        QStringList result;
        for (const QVariant& entry : tokens)
            result.append(BXTagTokens::displayString(entry));
        return result;
    }

    BXTagTokens tokens { [this] { return controller.get(); } };
    BXTagsPasteboard pasteboard { tokens };
    ManagedObjectPtr work, home, ideas, gone;
};

TEST_F(TagsPasteboardTest, CopiedTokensComeBackByTheirURIsElseTheTextIsReadAsNames)
{
    const QVariant typed = QStringLiteral("typed");
    const struct {
        const char* what;
        QVariantList copied;
        QString text;
        QVariantList shown;
        QStringList pasted;
    } cases[] = {
        { "each copied token once, under the name its category has now, shown ones left out",
            { token(work), typed, token(home), token(work) }, QStringLiteral("Ideas"),
            { token(home) }, { "Job" } },
        { "tokens of a smart category or a deleted one bring nothing: the text is read",
            { token(allNotes()), token(gone) }, QStringLiteral("Ideas\nHome\nNothing"), {},
            { "Ideas", "Home" } },
        { "every copied token shown already: the text is read", { token(home) },
            QStringLiteral("Home\r\nIdeas"), { token(home) }, { "Ideas" } },
        { "plain strings alone are no tokens to copy", { typed }, QStringLiteral("Home"), {},
            { "Home" } },
    };
    work->setValue(QStringLiteral("Job"), BXCategory::CategoryNameKey);
    context->deleteObject(gone);
    Error error;
    ASSERT_TRUE(context->save(&error));
    LogCapture log;
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        QMimeData data;
        data.setText(entry.text);
        BXTagsPasteboard::writeTokens(entry.copied, data);
        EXPECT_EQ(names(pasteboard.readTokens(data, entry.shown)), entry.pasted);
    }
}

TEST_F(TagsPasteboardTest, OnlyTokensAreArchivedAndNothingIsReadWithoutCategories)
{
    QMimeData strings;
    BXTagsPasteboard::writeTokens({ QStringLiteral("typed") }, strings);
    EXPECT_FALSE(strings.hasFormat(BXCategoryToken::PasteboardType));

    QMimeData copied;
    copied.setText(QStringLiteral("Home"));
    BXTagsPasteboard::writeTokens({ token(work) }, copied);
    controller.reset();
    EXPECT_TRUE(pasteboard.readTokens(copied, {}).isEmpty())
        << "a token holding its category still needs the categories to be pasted";
}
