#include "ui/BXBlockAlert.h"

#include "platform/testing/FakeAlertPresenter.h"

#include <gtest/gtest.h>

#include <QWidget>

using platform::AlertStyle;
using platform::FakeAlertPresenter;

namespace {

const QStringList kDeleteKeep { QStringLiteral("Delete"), QStringLiteral("Keep") };

// Runs the alert and answers it with `button`; returns what the callbacks saw.
QString answered(
    const QString& cancelTitle, const QStringList& others, int button, bool suppressed = false)
{
    FakeAlertPresenter fake;
    QWidget window;
    QString seen = QStringLiteral("nothing");
    BXBlockAlert::showSheetModalForWindow(
        &window, QStringLiteral("Delete?"), QString(), AlertStyle::Warning, cancelTitle, others,
        QStringLiteral("Do not ask again"),
        [&](qint64 index, bool state) {
            seen = QStringLiteral("dismiss %1 %2").arg(index).arg(state);
        },
        [&] { seen = QStringLiteral("cancel"); });
    EXPECT_EQ(seen, QStringLiteral("nothing"));
    EXPECT_TRUE(fake.answerSheet(&window, button, suppressed));
    return seen;
}

} // namespace

TEST(BXBlockAlert, ButtonsReachTheirCallbacksWithIndexAndSuppression)
{
    struct Case {
        QString cancel;
        int button;
        bool suppressed;
        QString expected;
    };
    const std::vector<Case> cases = {
        { QStringLiteral("Cancel"), 0, false, QStringLiteral("dismiss 0 0") },
        { QStringLiteral("Cancel"), 1, true, QStringLiteral("dismiss 1 1") },
        { QStringLiteral("Cancel"), 2, false, QStringLiteral("cancel") },
        // Without a cancel title the last button is an ordinary one.
        { QString(), 1, false, QStringLiteral("dismiss 1 0") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cancel.toStdString() << " " << c.button);
        EXPECT_EQ(answered(c.cancel, kDeleteKeep, c.button, c.suppressed), c.expected);
    }
}

TEST(BXBlockAlert, AlertShowsTheGivenTextsAndButtonsInOrder)
{
    FakeAlertPresenter fake;
    QWidget window;
    BXBlockAlert::showSheetModalForWindow(&window, QStringLiteral("Delete the page?"), QString(),
        AlertStyle::Critical, QStringLiteral("Cancel"), kDeleteKeep, QString(), {}, {});
    BXBlockAlert::showSheetModalForWindow(&window, QString(), QStringLiteral("Details"),
        AlertStyle::Informational, QString(), {}, QStringLiteral("Do not show again"), {}, {});
    ASSERT_EQ(fake.shown().size(), 2u);
    const platform::Alert& first = fake.shown()[0].alert;
    EXPECT_EQ(first.messageText, QStringLiteral("Delete the page?"));
    EXPECT_TRUE(first.informativeText.isEmpty());
    EXPECT_EQ(first.style, AlertStyle::Critical);
    EXPECT_EQ(first.buttonTitles,
        (QStringList {
            QStringLiteral("Delete"), QStringLiteral("Keep"), QStringLiteral("Cancel") }));
    EXPECT_EQ(first.cancelButton, 2);
    EXPECT_TRUE(first.suppressionTitle.isEmpty());

    const platform::Alert& second = fake.shown()[1].alert;
    EXPECT_TRUE(second.messageText.isEmpty());
    EXPECT_EQ(second.informativeText, QStringLiteral("Details"));
    EXPECT_TRUE(second.buttonTitles.isEmpty());
    EXPECT_EQ(second.cancelButton, -1);
    EXPECT_EQ(second.suppressionTitle, QStringLiteral("Do not show again"));

    // Answering with no callbacks given does nothing at all.
    EXPECT_TRUE(fake.answerSheet(&window, 0));
    EXPECT_TRUE(fake.answerSheet(&window, 0));
}

TEST(BXBlockAlert, OverlappingSheetsInTwoWindowsEachRunTheirOwnCallbacks)
{
    FakeAlertPresenter fake;
    QWidget first;
    QWidget second;
    QStringList actions;
    const auto show = [&](QWidget* window, const QString& name) {
        BXBlockAlert::showSheetModalForWindow(
            window, QStringLiteral("Delete?"), QString(), AlertStyle::Warning,
            QStringLiteral("Cancel"), { QStringLiteral("Delete") }, QString(),
            [&actions, name](qint64 index, bool) {
                actions << QStringLiteral("delete in %1 (%2)").arg(name).arg(index);
            },
            [&actions, name] { actions << QStringLiteral("cancel in %1").arg(name); });
    };
    show(&first, QStringLiteral("first"));
    show(&second, QStringLiteral("second"));
    ASSERT_EQ(fake.pendingSheetCount(), 2);

    // The first window's answer comes last and still reaches the first window's callbacks.
    fake.answerSheet(&second, 1);
    fake.answerSheet(&first, 0);
    EXPECT_EQ(actions,
        (QStringList {
            QStringLiteral("cancel in second"), QStringLiteral("delete in first (0)") }));
}

TEST(BXBlockAlert, WithoutAWindowTheAlertIsModalAndAnsweredBeforeReturning)
{
    FakeAlertPresenter fake;
    fake.enqueueModalAnswer(1, true);
    fake.enqueueModalAnswer(2);
    QStringList actions;
    for (int i = 0; i < 2; ++i) {
        BXBlockAlert::showSheetModalForWindow(
            nullptr, QStringLiteral("Replace?"), QString(), AlertStyle::Warning,
            QStringLiteral("Cancel"), kDeleteKeep, QStringLiteral("Always"),
            [&](qint64 index, bool suppressed) {
                actions << QStringLiteral("dismiss %1 %2").arg(index).arg(suppressed);
            },
            [&] { actions << QStringLiteral("cancel"); });
    }
    EXPECT_EQ(actions, (QStringList { QStringLiteral("dismiss 1 1"), QStringLiteral("cancel") }));
    ASSERT_EQ(fake.shown().size(), 2u);
    EXPECT_FALSE(fake.shown()[0].isSheet);
}
