#include "app/BXPreferencesWindowController.h"
#include "app/BXVersionCheck.h"
#include "app/BXVersionCheckDateValueTransformer.h"
#include "app/BXVersionCheckSchedule.h"
#include "app/BXVersionCheckWindowController.h"
#include "app/kVersionCheck.h"
#include "document/BXDefaults.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/WallClock.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUrlOpener.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

const QByteArray kGoodFeed = R"(<?xml version="1.0"?>
<versions>
  <lastversion>2.0</lastversion>
  <downloadurl>https://example.org/get</downloadurl>
  <titletext><english>New & better</english><it>Nuovo</it></titletext>
  <infotext><english><b>bold</b> claims</english></infotext>
</versions>)";

kVersionCheckError errorOf(const QVariantMap& result)
{
    return result.value(kVersionCheck::ErrorKey).value<kVersionCheckError>();
}

struct VersionCheckFixture : ::testing::Test {
    VersionCheckFixture()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.9"));
        // Generous limits: a loaded test machine must not turn a good answer into a time-out.
        check.setTimeouts(30000, 60);
    }

    platform::UserDefaults defaults { bxtest::makeTempFolder() + QStringLiteral("/s.conf") };
    bxtest::LoopbackHttpServer server;
    platform::FakeAlertPresenter presenter;
    platform::FakeUrlOpener opener;
    BXVersionCheck check { defaults };

    QVariantMap runCheck(const QString& path)
    {
        check.setFeedURL(server.url(path));
        QSignalSpy finished(&check, &kVersionCheck::checkFinished);
        check.checkVersion();
        if (!finished.wait(20000))
            return {};
        return finished.first().first().toMap();
    }
};

} // namespace

TEST(VersionFeed, ParsesElementsCaseInsensitivelyAndTrimmed)
{
    platform::UserDefaults defaults(bxtest::makeTempFolder() + QStringLiteral("/s.conf"));
    kVersionCheck check(defaults);
    check.setLanguageSource([] { return QStringLiteral("en-GB"); });
    ASSERT_TRUE(check.parseString(QStringLiteral(
        "< LastVersion >  2.0 \n</ LASTVERSION><lastversion>3.0</lastversion>"
        "<TitleText><en>Hi</en></TitleText><infotext>< english >   </english></infotext>")));
    const QVariantMap result = check.versionDictionary();
    EXPECT_EQ(result.value(kVersionCheck::LastVersionKey).toString(), QStringLiteral("2.0"));
    EXPECT_EQ(result.value(kVersionCheck::TitleTextKey).toString(), QStringLiteral("Hi"));
    // A blank text is no text, and the fallback does not run for a present element.
    EXPECT_FALSE(result.contains(kVersionCheck::InfoTextKey));
    EXPECT_FALSE(result.contains(kVersionCheck::DownloadURLKey));

    kVersionCheckError error;
    EXPECT_FALSE(check.parseString(QStringLiteral("<version>2</version>"), &error));
    EXPECT_EQ(error.code(), -3);
    EXPECT_EQ(check.versionDictionary().value(kVersionCheck::LastVersionKey).toString(),
        QStringLiteral("2.0")); // untouched by the failure
}

TEST(VersionFeed, LanguageCandidates)
{
    const struct {
        const char* language;
        QStringList candidates;
    } cases[] = {
        { "pt-BR", { "portuguese", "pt" } },
        { "zh_TW", { "chinese", "zh" } },
        { "zh-Hans", { "chinese", "zh" } },
        { "nl", { "english", "en" } },
        { "IT", { "italian", "italiano", "it" } },
        { "ita", { "english", "en" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        EXPECT_EQ(
            kVersionCheck::languageBlockCandidates(QString::fromLatin1(c.language)), c.candidates);
    }

    platform::UserDefaults defaults(bxtest::makeTempFolder() + QStringLiteral("/s.conf"));
    kVersionCheck check(defaults);
    const QString feed
        = QStringLiteral("<lastversion>1</lastversion><titletext>"
                         "<en>English</en><pt>Português</pt><portuguese>Long</portuguese>"
                         "</titletext><infotext><pt> </pt><en>fallback</en></infotext>");
    check.setLanguageSource([] { return QStringLiteral("pt-BR"); });
    ASSERT_TRUE(check.parseString(feed));
    EXPECT_EQ(check.versionDictionary().value(kVersionCheck::TitleTextKey).toString(),
        QStringLiteral("Long"));
    EXPECT_FALSE(check.versionDictionary().contains(kVersionCheck::InfoTextKey));
    check.setLanguageSource([] { return QStringLiteral("nl"); });
    ASSERT_TRUE(check.parseString(feed));
    EXPECT_EQ(check.versionDictionary().value(kVersionCheck::TitleTextKey).toString(),
        QStringLiteral("English"));
}

TEST(VersionFeed, NumericCompareOrdersDigitRunsByValue)
{
    const struct {
        const char* left;
        const char* right;
        int order;
    } cases[] = {
        { "1.10", "1.9", 1 },
        { "1.9", "1.9", 0 },
        { "1.8", "1.9", -1 },
        { "2", "1.99", 1 },
        { "1.0.1", "1.0", 1 },
        { "1.010", "1.10", 0 },
        { "99999999999999999999", "1", 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " vs " + c.right);
        EXPECT_EQ(kVersionCheck::numericCompare(
                      QString::fromLatin1(c.left), QString::fromLatin1(c.right)),
            c.order);
    }
}

TEST(VersionFeed, ErrorTexts)
{
    const kVersionCheckError upToDate(platform::kVersionCheckErrorDomain, 0, QStringLiteral("d"));
    EXPECT_TRUE(upToDate.localizedRecoveryOptions().isEmpty());
    const kVersionCheckError invalid(platform::kVersionCheckErrorDomain, -3, QStringLiteral("d"));
    EXPECT_EQ(invalid.localizedRecoveryOptions(),
        QStringList({ QStringLiteral("Go to Download Page"), QStringLiteral("Cancel") }));
    EXPECT_EQ(invalid.localizedFailureReason(), QStringLiteral("Try again later."));
    const kVersionCheckError transport(QStringLiteral("Other"), 99, QStringLiteral("socket gone"));
    EXPECT_EQ(transport.localizedDescription(), QStringLiteral("Version check failed."));
    EXPECT_TRUE(transport.localizedRecoverySuggestion().contains(QStringLiteral("download page")));
}

TEST_F(VersionCheckFixture, LoopbackFeedsEndAsDocumented)
{
    server.setBody(QStringLiteral("/good"), kGoodFeed);
    server.setBody(QStringLiteral("/same"), "<lastversion>1.9</lastversion>");
    server.setBody(QStringLiteral("/older"), "<lastversion>1.8</lastversion>");
    server.setBody(QStringLiteral("/ten"), "<LASTVERSION> 1.10 </LASTVERSION>");
    server.setBody(QStringLiteral("/none"), "<versions></versions>");
    server.setBody(QStringLiteral("/latin1"), "<lastversion>2.0</lastversion>caf\xe9");
    server.setLargeBody(QStringLiteral("/huge"), 50);
    server.setRedirect(QStringLiteral("/moved"), server.url(QStringLiteral("/good")).toString());
    server.setRedirect(QStringLiteral("/loop"), server.url(QStringLiteral("/loop")).toString());
    server.setRedirect(QStringLiteral("/file"), QStringLiteral("file:///etc/passwd"));

    const struct {
        const char* path;
        QString lastVersion; // empty: an error is expected
        QString domain;
        int code;
    } cases[] = {
        { "/good", QStringLiteral("2.0"), {}, 0 },
        { "/ten", QStringLiteral("1.10"), {}, 0 },
        { "/moved", QStringLiteral("2.0"), {}, 0 },
        { "/same", {}, platform::kVersionCheckErrorDomain, 0 },
        { "/older", {}, platform::kVersionCheckErrorDomain, 0 },
        { "/none", {}, platform::kVersionCheckErrorDomain, -3 },
        { "/latin1", {}, platform::kVersionCheckErrorDomain, -3 },
        { "/huge", {}, platform::kVersionCheckErrorDomain, -3 },
        { "/loop", {}, QStringLiteral("QNetworkReplyErrorDomain"), -1 },
        { "/file", {}, QStringLiteral("QNetworkReplyErrorDomain"), -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        defaults.removeObject(LastUpdatesCheck);
        defaults.removeObject(LastFailedUpdatesCheck);
        const QVariantMap result = runCheck(QString::fromLatin1(c.path));
        ASSERT_FALSE(result.isEmpty()) << "the check never ended";
        if (!c.lastVersion.isEmpty()) {
            EXPECT_EQ(result.value(kVersionCheck::LastVersionKey).toString(), c.lastVersion);
            EXPECT_FALSE(result.contains(kVersionCheck::ErrorKey));
            EXPECT_TRUE(defaults.dateForKey(LastUpdatesCheck).isValid());
            continue;
        }
        const kVersionCheckError error = errorOf(result);
        EXPECT_EQ(error.domain(), c.domain);
        if (c.code != -1)
            EXPECT_EQ(error.code(), c.code);
        else
            EXPECT_NE(error.code(), 0);
        // Only a good parse (up to date included) records the check; the rest record a failure.
        const bool good = c.domain == platform::kVersionCheckErrorDomain && c.code == 0;
        EXPECT_EQ(defaults.dateForKey(LastUpdatesCheck).isValid(), good);
        EXPECT_EQ(defaults.dateForKey(LastFailedUpdatesCheck).isValid(), !good);
    }
    // The first request and five redirects; Qt sends any of them again when the server closes a
    // kept-alive connection first, which happens on a slow or busy run, so bound each to twice.
    EXPECT_LE(
        server.requestCount(QStringLiteral("/loop")), 2 * (1 + kVersionCheck::kMaximumRedirects));
    // The good feed's window came up once and is reused.
    ASSERT_NE(check.versionCheckWindowController(), nullptr);
}

TEST_F(VersionCheckFixture, TrickleAndRefusedConnectionFail)
{
    server.setTrickle(QStringLiteral("/slow"), 50);
    check.setTimeouts(5000, 0.5);
    kVersionCheckError error = errorOf(runCheck(QStringLiteral("/slow")));
    EXPECT_EQ(error.domain(), QStringLiteral("QNetworkReplyErrorDomain"));
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("Version check failed."));

    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const quint16 port = closed.serverPort();
    closed.close();
    check.setFeedURL(QUrl(QStringLiteral("http://127.0.0.1:%1/feed").arg(port)));
    QSignalSpy finished(&check, &kVersionCheck::checkFinished);
    check.checkVersion();
    ASSERT_TRUE(finished.wait(20000));
    error = errorOf(finished.first().first().toMap());
    EXPECT_EQ(error.domain(), QStringLiteral("QNetworkReplyErrorDomain"));
    EXPECT_FALSE(defaults.dateForKey(LastUpdatesCheck).isValid());
}

TEST_F(VersionCheckFixture, UpdateWindowShowsPlainTextAndItsButtonsAct)
{
    server.setBody(QStringLiteral("/good"), kGoodFeed);
    runCheck(QStringLiteral("/good"));
    BXVersionCheckWindowController* window = check.versionCheckWindowController();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->window()->isVisible());
    EXPECT_EQ(window->messageTextField()->textFormat(), Qt::PlainText);
    EXPECT_EQ(window->messageTextField()->text(), QStringLiteral("<b>bold</b> claims"));
    EXPECT_EQ(window->window()->windowTitle(), QStringLiteral("New & better"));
    EXPECT_TRUE(window->detailsLabel()->text().contains(QStringLiteral("2.0")));
    EXPECT_TRUE(window->okButton()->isDefault());
    bxtest::saveScreenshot(window->window()->grab().toImage(), QStringLiteral("update-window"));

    // A second newer result shows the same window.
    runCheck(QStringLiteral("/good"));
    EXPECT_EQ(check.versionCheckWindowController(), window);

    defaults.setBool(AutoCheckForUpdates, true);
    const QString disable = window->checkButton()->text();
    window->checkButton()->click();
    EXPECT_FALSE(defaults.boolForKey(AutoCheckForUpdates));
    EXPECT_NE(window->checkButton()->text(), disable);

    window->skipThisVersionAction();
    EXPECT_EQ(defaults.stringForKey(SkipUpdateVersion), QStringLiteral("2.0"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(check.versionCheckWindowController(), nullptr);

    // An automatic check passes over the skipped version; a manual one shows it.
    runCheck(QStringLiteral("/good"));
    EXPECT_EQ(check.versionCheckWindowController(), nullptr);
    BXVersionCheckSchedule schedule(check, defaults, {});
    schedule.checkVersion(true);
    QSignalSpy finished(&check, &kVersionCheck::checkFinished);
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_NE(check.versionCheckWindowController(), nullptr);
    check.versionCheckWindowController()->downloadAction();
    ASSERT_EQ(opener.openedUrls().size(), 1);
    EXPECT_EQ(opener.openedUrls().first(), QUrl(QStringLiteral("https://example.org/get")));
}

TEST_F(VersionCheckFixture, AnAbsurdlyLongVersionStaysWithinTheScreenAndEscapeCloses)
{
    server.setBody(QStringLiteral("/long"),
        "<lastversion>2" + QByteArray(100000, '7')
            + "</lastversion>"
              "<titletext><english>Huge</english></titletext>");
    runCheck(QStringLiteral("/long"));
    BXVersionCheckWindowController* window = check.versionCheckWindowController();
    ASSERT_NE(window, nullptr);
    QWidget* shown = window->window();
    ASSERT_TRUE(shown->isVisible());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(shown->width(), screen.width());
    EXPECT_TRUE(shown->rect().contains(window->okButton()->geometry()));
    // The version is shortened in the middle, its ends kept.
    EXPECT_TRUE(window->detailsLabel()->text().contains(QStringLiteral("…")));
    EXPECT_LT(window->detailsLabel()->text().size(), 1000);
    bxtest::saveScreenshot(shown->grab().toImage(), QStringLiteral("update-window-long-version"));

    QTest::keyClick(shown, Qt::Key_Escape);
    EXPECT_FALSE(shown->isVisible());
}

TEST_F(VersionCheckFixture, DownloadOpensOnlyWebAddresses)
{
    for (const char* address : { "javascript:alert(1)", "file:///bin/sh", "not a url" }) {
        SCOPED_TRACE(address);
        ASSERT_TRUE(check.parseString(
            QStringLiteral("<lastversion>3</lastversion><downloadurl>%1</downloadurl>")
                .arg(QString::fromLatin1(address))));
        platform::LogCapture log;
        check.downloadUpdate();
        EXPECT_TRUE(opener.openedUrls().isEmpty());
        EXPECT_TRUE(log.contains(QStringLiteral("not a web address")));
    }
    ASSERT_TRUE(check.parseString(QStringLiteral("<lastversion>3</lastversion>")));
    check.downloadUpdate(); // no address: nothing opens
    EXPECT_TRUE(opener.openedUrls().isEmpty());
}

TEST_F(VersionCheckFixture, ManualChecksReportAutomaticOnesStaySilent)
{
    server.setBody(QStringLiteral("/same"), "<lastversion>1.9</lastversion>");
    server.setBody(QStringLiteral("/none"), "nothing");
    int downloadPages = 0;
    BXVersionCheckSchedule schedule(check, defaults, [&] { ++downloadPages; });

    runCheck(QStringLiteral("/same")); // automatic: no delegate
    EXPECT_TRUE(presenter.shown().empty());

    check.setFeedURL(server.url(QStringLiteral("/same")));
    QSignalSpy finished(&check, &kVersionCheck::checkFinished);
    schedule.checkVersion(true);
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_EQ(presenter.shown().size(), 1u);
    EXPECT_EQ(presenter.shown()[0].alert.messageText, QStringLiteral("You’re up-to-date."));
    EXPECT_TRUE(presenter.shown()[0].alert.informativeText.contains(QStringLiteral("1.9")));
    EXPECT_EQ(check.delegate(), nullptr);

    check.setFeedURL(server.url(QStringLiteral("/none")));
    presenter.enqueueModalAnswer(0);
    schedule.checkVersion(true);
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_EQ(presenter.shown().size(), 2u);
    EXPECT_EQ(
        presenter.shown()[1].alert.buttonTitles.first(), QStringLiteral("Go to Download Page"));
    EXPECT_EQ(downloadPages, 1);
}

namespace {

// Counts the checks the schedule starts, without a network.
class CountingCheck final : public kVersionCheck {
public:
    using kVersionCheck::kVersionCheck;
    void checkVersion() override { ++started; }
    int started = 0;
};

} // namespace

TEST(VersionCheckScheduleTest, TimerFollowsTheLastCheck)
{
    platform::FakeScheduler scheduler;
    platform::UserDefaults defaults(bxtest::makeTempFolder() + QStringLiteral("/s.conf"));
    CountingCheck check(defaults);
    const double day = 86400;
    const struct {
        const char* name;
        double lastCheckDaysAgo; // NaN: none stored
        double firstCheckAfter; // seconds after the timer starts
    } cases[] = {
        { "three days old", 3, 4 * day },
        { "no date", std::nan(""), 60 },
        { "a future date (clock set back)", -30, 60 + 7 * day },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::isnan(c.lastCheckDaysAgo))
            defaults.removeObject(LastUpdatesCheck);
        else
            defaults.setDate(LastUpdatesCheck,
                platform::WallClock::now().addSecs(qint64(-c.lastCheckDaysAgo * day)));
        check.started = 0;
        BXVersionCheckSchedule schedule(check, defaults, {});
        schedule.setCheckTimer(true);
        EXPECT_EQ(schedule.versionCheckTimer()->interval(), 60.0);
        EXPECT_EQ(schedule.versionCheckTimer()->tolerance(), 6.0);
        scheduler.advance(c.firstCheckAfter - 1);
        EXPECT_EQ(check.started, 0);
        scheduler.advance(1);
        EXPECT_EQ(check.started, 1);
        // A check that fails writes no date: the next one comes a full interval later.
        scheduler.advance(7 * day - 1);
        EXPECT_EQ(check.started, 1);
        scheduler.advance(1);
        EXPECT_EQ(check.started, 2);
        schedule.setCheckTimer(false);
        EXPECT_EQ(schedule.versionCheckTimer(), nullptr);
    }
}

TEST(VersionCheckScheduleTest, AutoCheckSettingStartsAndStopsOneTimer)
{
    platform::FakeScheduler scheduler;
    platform::UserDefaults defaults(bxtest::makeTempFolder() + QStringLiteral("/s.conf"));
    CountingCheck check(defaults);
    BXVersionCheckSchedule schedule(check, defaults, {});
    defaults.setBool(AutoCheckForUpdates, true);
    schedule.start();
    ASSERT_NE(schedule.versionCheckTimer(), nullptr);
    schedule.setCheckTimer(true); // restarting leaves one timer, not two
    EXPECT_EQ(scheduler.pendingCount(), 1);
    defaults.setBool(AutoCheckForUpdates, false);
    EXPECT_EQ(schedule.versionCheckTimer(), nullptr);
    EXPECT_EQ(scheduler.pendingCount(), 0);
    defaults.setBool(AutoCheckForUpdates, true);
    ASSERT_NE(schedule.versionCheckTimer(), nullptr);
    EXPECT_DOUBLE_EQ(schedule.versionCheckTimer()->fireDate(), scheduler.now() + 60);
}

TEST(VersionCheckDateTransformer, LongDateWithShortTime)
{
    const BXVersionCheckDateValueTransformer transformer(QStringLiteral("en_US"));
    EXPECT_EQ(
        transformer.transformedValue({}).toString(), QStringLiteral("Update check never run."));
    EXPECT_TRUE(transformer.failedCheckText(QDateTime(QDate(2026, 3, 4), QTime(15, 7)))
                    .startsWith(QStringLiteral("Last update check failed on March 4, 2026")));
    const QString text
        = transformer.transformedValue(QDateTime(QDate(2026, 3, 4), QTime(15, 7))).toString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Last update check run on March 4, 2026")))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("3:07"))) << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("Wednesday")));
}

TEST_F(VersionCheckFixture, CheckNowInPreferencesShowsTheUpdateWindowAndSkipStoresTheVersion)
{
    server.setBody(QStringLiteral("/good"), kGoodFeed);
    check.setFeedURL(server.url(QStringLiteral("/good")));
    BXVersionCheckSchedule schedule(check, defaults, {});
    BXPreferencesWindowController preferences(defaults, [&] { schedule.checkVersion(true); });
    preferences.showWindow();
    preferences.selectPane(BXPreferencesWindowController::UpdatesPane);
    QSignalSpy finished(&check, &kVersionCheck::checkFinished);
    preferences.window()->findChild<QPushButton*>(QStringLiteral("checkNow"))->click();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(preferences.updateDetails(), QStringLiteral("New version 2.0 available."));
    EXPECT_TRUE(presenter.shown().empty()) << "a newer version shows the window, not an alert";
    BXVersionCheckWindowController* window = check.versionCheckWindowController();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->window()->isVisible());
    window->skipThisVersionAction();
    EXPECT_EQ(defaults.stringForKey(SkipUpdateVersion), QStringLiteral("2.0"));
    EXPECT_FALSE(window->window()->isVisible());
    EXPECT_FALSE(preferences.lastCheckLabel()->text().contains(QStringLiteral("never")));
}
