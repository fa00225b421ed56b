#include "MainWindowFixture.h"

#include "document/BXDocument.h"

#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

class InfoFollowsSelectionTest : public MainWindowFixture { };

QString heading(const BXDocument& document)
{
    return document.noteInfo().headInfo ? document.noteInfo().headInfo->toPlainText() : QString();
}

} // namespace

TEST_F(InfoFollowsSelectionTest, TheShownInformationFollowsTheMainWindowsSelection)
{
    makeFile({ QStringLiteral("Alpha note"), QStringLiteral("Beta note") });
    openWindow();
    bool visible = true;
    BXDocument::setInfoPanelHooks([&] { return visible; }, {});

    select({ noteTitled(QStringLiteral("Beta note")) });
    settle();
    EXPECT_EQ(heading(*document), QStringLiteral("Beta note"));
    select({ noteTitled(QStringLiteral("Alpha note")), noteTitled(QStringLiteral("Beta note")) });
    settle();
    EXPECT_EQ(heading(*document), QStringLiteral("2 notes selected"));
    EXPECT_EQ(document->noteInfo().noteIcon, QStringLiteral("MultiNotes"));

    // Hidden, the panel costs nothing: the selection no longer rebuilds the information.
    visible = false;
    select({ noteTitled(QStringLiteral("Alpha note")) });
    settle();
    EXPECT_EQ(heading(*document), QStringLiteral("2 notes selected"));
    EXPECT_EQ(document->observedNote(), noteTitled(QStringLiteral("Alpha note")));
    BXDocument::setInfoPanelHooks({}, {});
}
