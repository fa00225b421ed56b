#include "markdown/webview/MarkdownView.h"
#include "markdown/MarkdownErrors.h"
#include "markdown/webview/BundleFinder.h"
#include "markdown/webview/CopyFolderGuard.h"
#include "platform/foundation/Log.h"
#include "platform/testing/FakeUrlOpener.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlSchemeHandler>

using markdown::BundleFinder;
using markdown::MarkdownErrors;
using markdown::MarkdownOptions;
using markdown::MarkdownView;

namespace {

constexpr int loadTimeout = 30000;

void writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

// A template bundle of its own in a fresh folder: "index.html" plus any further files.
QString makeBundle(const QByteArray& index, const QList<QPair<QString, QByteArray>>& files = {})
{
    const QString bundle = bxtest::makeTempFolder(u"bundle"_qs) + u"/Template.bundle"_qs;
    writeFile(bundle + u"/Resources/index.html"_qs, index);
    for (const auto& [name, contents] : files)
        writeFile(bundle + u"/Resources/"_qs + name, contents);
    return bundle;
}

struct ViewSetup {
    bool openLinksInBrowser = false;
    QString bundle;
    QWebEngineProfile* profile = nullptr;
    MarkdownOptions options;
    MarkdownView::Callback callback;
};

// Creates the view and waits for its first page.
std::unique_ptr<MarkdownView> makeLoadedView(const QString& markdown, ViewSetup setup = {})
{
    platform::Error error;
    auto view = MarkdownView::create(QRect(0, 0, 640, 480), markdown, setup.openLinksInBrowser,
        setup.bundle, false, setup.profile, setup.options, setup.callback, &error);
    EXPECT_TRUE(view) << error.toString().toStdString();
    if (!view)
        return view;
    view->show();
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    EXPECT_TRUE(loaded.wait(loadTimeout));
    return view;
}

// Runs `script` in the page and returns its result once the page answers.
QVariant evaluate(MarkdownView& view, const QString& script)
{
    QVariant result;
    QEventLoop loop;
    bool answered = false;
    view.page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        answered = true;
        loop.quit();
    });
    QTimer::singleShot(loadTimeout, &loop, &QEventLoop::quit);
    if (!answered)
        loop.exec();
    EXPECT_TRUE(answered) << script.toStdString();
    return result;
}

// Clicks the middle of the element as the user would: the engine hands a scheme it cannot show
// to the desktop only for a click made by the user.
void click(MarkdownView& view, const QString& selector)
{
    const QVariantList point = evaluate(view, uR"((function () {
            var box = document.querySelector('%1').getBoundingClientRect();
            return [box.x + box.width / 2, box.y + box.height / 2];
        })())"_qs.arg(selector))
                                   .toList();
    ASSERT_EQ(point.size(), 2) << selector.toStdString();
    const QPoint position(int(point[0].toDouble()), int(point[1].toDouble()));
    QTest::mouseMove(view.focusProxy(), position);
    QTest::mouseClick(view.focusProxy(), Qt::LeftButton, {}, position);
}

QString temporaryRoot(const MarkdownView& view)
{
    return QFileInfo(view.temporaryDirectoryURL().toLocalFile()).path();
}

// Serves one small page for every request of its scheme.
class PageSchemeHandler final : public QWebEngineUrlSchemeHandler {
public:
    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        auto* buffer = new QBuffer(job);
        buffer->setData("<html><body><p id=\"served\">served</p></body></html>");
        job->reply("text/html", buffer);
    }
};

} // namespace

TEST(MarkdownViewTest, LoadsTheRenderedPageWithTheTemplateStyleSheet)
{
    auto view = makeLoadedView(u"# Hello\n\n> quoted\n\n```\ncode\n```\n"_qs);
    ASSERT_TRUE(view);
    EXPECT_EQ(
        evaluate(*view, u"document.querySelector('h1').textContent"_qs).toString(), u"Hello"_qs);
    // The style sheet beside the template loaded from the copy.
    EXPECT_EQ(
        evaluate(*view, u"getComputedStyle(document.querySelector('.markdown-body')).maxWidth"_qs)
            .toString(),
        u"750px"_qs);
    EXPECT_EQ(
        view->url().toLocalFile(), view->temporaryDirectoryURL().toLocalFile() + u"/index.html"_qs);
    EXPECT_EQ(view->baseURL().fileName(), u"index.html"_qs);

    // Offscreen the engine may paint nothing; the checks above rely on the page's own answers.
    view->grab().save(QCoreApplication::applicationDirPath() + u"/markdown-webview.png"_qs);
}

TEST(MarkdownViewTest, ClickedLinksLeaveOnlyForWebAndMailSchemes)
{
    struct Case {
        const char* name;
        bool openLinksInBrowser;
        bool withCallback;
        QString href;
        bool opened;
    };
    const QList<Case> cases = {
        { "web link, opening in browser", true, false, u"https://example.com/a"_qs, true },
        { "mail link, delegate through a callback", false, true, u"mailto:a@example.com"_qs, true },
        { "file link", true, false, u"file:///usr/bin/env"_qs, false },
        { "custom scheme", true, false, u"launcher:run"_qs, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::FakeUrlOpener opener;
        platform::LogCapture log;
        ViewSetup setup;
        setup.openLinksInBrowser = c.openLinksInBrowser;
        if (c.withCallback)
            setup.callback = [] {};
        // Raw HTML, since cmark's safe rendering drops file: links.
        setup.options = MarkdownOptions::unsafe;
        auto view
            = makeLoadedView(u"<a id=\"tested\" href=\"%1\">tested</a>"_qs.arg(c.href), setup);
        ASSERT_TRUE(view);
        const QUrl shown = view->url();
        click(*view, u"#tested"_qs);
        const QString refusal = u"link not opened: "_qs + c.href;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !opener.openedUrls().isEmpty() || log.contains(refusal); }, loadTimeout));
        EXPECT_EQ(opener.openedUrls(), c.opened ? QList { QUrl(c.href) } : QList<QUrl> {});
        EXPECT_EQ(log.contains(refusal), !c.opened);
        EXPECT_EQ(view->url(), shown);
    }
}

TEST(MarkdownViewTest, LinksNavigateInsideWithoutDelegate)
{
    platform::FakeUrlOpener opener;
    ViewSetup setup;
    setup.bundle = makeBundle("<html><body>MARKDOWN_HTML</body></html>",
        { { u"other.html"_qs, "<html><body><p id=\"other\">other</p></body></html>" } });
    auto view = makeLoadedView(u"[elsewhere](launcher:run) [next](other.html)"_qs, setup);
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->isNavigationDelegate());

    // A scheme the page cannot show is not passed to the desktop either.
    platform::LogCapture log;
    click(*view, u"a[href=\"launcher:run\"]"_qs);
    click(*view, u"a[href=\"other.html\"]"_qs);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return view->url().fileName() == u"other.html"_qs; }, loadTimeout));
    EXPECT_TRUE(log.contains(u"navigation not followed: launcher:run"_qs));
    EXPECT_TRUE(opener.openedUrls().isEmpty());
}

TEST(MarkdownViewTest, LinksWithASchemeHandlerStayInside)
{
    platform::FakeUrlOpener opener;
    QWebEngineProfile profile;
    PageSchemeHandler handler;
    profile.installUrlSchemeHandler("bxtest", &handler);
    ViewSetup setup;
    setup.openLinksInBrowser = true;
    setup.profile = &profile;
    auto view = makeLoadedView(u"[served](bxtest://host/page)"_qs, setup);
    ASSERT_TRUE(view);

    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    click(*view, u"a"_qs);
    ASSERT_TRUE(loaded.wait(loadTimeout));
    EXPECT_EQ(view->url(), QUrl(u"bxtest://host/page"_qs));
    EXPECT_EQ(evaluate(*view, u"document.getElementById('served').textContent"_qs).toString(),
        u"served"_qs);
    EXPECT_TRUE(opener.openedUrls().isEmpty());
    view.reset();
}

TEST(MarkdownViewTest, CallbackRunsAfterEveryLoadOnlyWhenTheViewIsItsOwnDelegate)
{
    int calls = 0;
    ViewSetup setup;
    setup.callback = [&] { ++calls; };
    auto view = makeLoadedView(u"one"_qs, setup);
    ASSERT_TRUE(view);
    EXPECT_EQ(calls, 1);
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    ASSERT_TRUE(view->update(u"two"_qs, std::nullopt, nullptr, nullptr));
    ASSERT_TRUE(loaded.wait(loadTimeout));
    EXPECT_EQ(calls, 2);

    // A callback handed over later does not make the view a delegate.
    int lateCalls = 0;
    auto plain = makeLoadedView(u"one"_qs);
    ASSERT_TRUE(plain);
    QSignalSpy plainLoaded(plain->page(), &QWebEnginePage::loadFinished);
    ASSERT_TRUE(plain->update(
        u"two"_qs, std::nullopt, [&] { ++lateCalls; }, nullptr));
    ASSERT_TRUE(plainLoaded.wait(loadTimeout));
    EXPECT_EQ(lateCalls, 0);
}

TEST(MarkdownViewTest, EveryPlaceholderReceivesTheHtml)
{
    ViewSetup setup;
    setup.bundle = makeBundle(
        "<html><body><div id=\"a\">MARKDOWN_HTML</div><div id=\"b\">MARKDOWN_HTML</div>"
        "<p id=\"c\">markdown_html</p></body></html>");
    auto view = makeLoadedView(u"# Twice"_qs, setup);
    ASSERT_TRUE(view);
    EXPECT_EQ(evaluate(*view, u"document.querySelectorAll('h1').length"_qs).toInt(), 2);
    // The replacement is case-sensitive.
    EXPECT_EQ(evaluate(*view, u"document.getElementById('c').textContent"_qs).toString(),
        u"markdown_html"_qs);
}

TEST(MarkdownViewTest, UpdateWithoutOptionsKeepsTheLastOnes)
{
    ViewSetup setup;
    setup.options = MarkdownOptions::hardBreaks;
    auto view = makeLoadedView(u"a"_qs, setup);
    ASSERT_TRUE(view);
    const QString countBreaks = u"document.querySelectorAll('br').length"_qs;

    struct Step {
        const char* name;
        std::optional<MarkdownOptions> options;
        int breaks;
    };
    const QList<Step> steps = {
        { "no options keeps hard breaks", std::nullopt, 1 },
        { "given options replace them", MarkdownOptions::defaultOptions, 0 },
        { "and are kept in turn", std::nullopt, 0 },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
        ASSERT_TRUE(view->update(u"a\nb"_qs, step.options, nullptr, nullptr));
        ASSERT_TRUE(loaded.wait(loadTimeout));
        EXPECT_EQ(evaluate(*view, countBreaks).toInt(), step.breaks);
    }
}

TEST(MarkdownViewTest, BrokenBundlesFailWithoutAView)
{
    struct Case {
        const char* name;
        QString bundle;
        std::optional<MarkdownErrors> markdownError;
    };
    const QString withoutResources = bxtest::makeTempFolder(u"bundle"_qs);
    const QString withoutPage = withoutResources + u"/Empty.bundle"_qs;
    QDir().mkpath(withoutPage + u"/Resources"_qs);
    const QList<Case> cases = {
        { "no Resources folder", withoutResources, MarkdownErrors::nonStandardBundleFormatError },
        { "no index.html", withoutPage, std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Error error;
        auto view = MarkdownView::create(
            QRect(0, 0, 100, 100), u"# x"_qs, false, c.bundle, false, nullptr, {}, nullptr, &error);
        EXPECT_FALSE(view);
        ASSERT_FALSE(error.isNull());
        EXPECT_EQ(markdown::markdownErrorsCase(error), c.markdownError);
        if (!c.markdownError) {
            EXPECT_TRUE(error.is(platform::kCocoaErrorDomain, platform::FileNoSuchFileError));
        }
    }
}

TEST(MarkdownViewTest, FailedUpdateKeepsThePageAndItsCopy)
{
    ViewSetup setup;
    setup.bundle = makeBundle("<html><body>MARKDOWN_HTML</body></html>");
    auto view = makeLoadedView(u"# Kept"_qs, setup);
    ASSERT_TRUE(view);
    const QUrl shown = view->url();
    const QUrl copy = view->temporaryDirectoryURL();
    QFile::remove(setup.bundle + u"/Resources/index.html"_qs);

    platform::Error error;
    EXPECT_FALSE(view->update(u"# New"_qs, MarkdownOptions::smart, nullptr, &error));
    EXPECT_FALSE(error.isNull());
    EXPECT_EQ(view->options(), MarkdownOptions::smart);
    EXPECT_EQ(view->url(), shown);
    EXPECT_EQ(view->temporaryDirectoryURL(), copy);
    EXPECT_TRUE(QFileInfo::exists(copy.toLocalFile() + u"/index.html"_qs));
    EXPECT_EQ(
        evaluate(*view, u"document.querySelector('h1').textContent"_qs).toString(), u"Kept"_qs);
}

TEST(MarkdownViewTest, PageScriptsCannotReadFilesOutsideTheCopy)
{
    const QString outside = bxtest::makeTempFolder(u"outside"_qs) + u"/secret.txt"_qs;
    writeFile(outside, "secret");
    auto view = makeLoadedView(u"# Page"_qs);
    ASSERT_TRUE(view);
    const auto read = [&](const QString& url) {
        return evaluate(*view, uR"(
            (function () {
                try {
                    var request = new XMLHttpRequest();
                    request.open('GET', '%1', false);
                    request.send();
                    return request.responseText;
                } catch (e) {
                    return 'refused';
                }
            })())"_qs.arg(url))
            .toString();
    };
    EXPECT_TRUE(read(u"style.css"_qs).contains(u":root"_qs));
    EXPECT_EQ(read(QUrl::fromLocalFile(outside).toString()), u"refused"_qs);
    EXPECT_EQ(read(u"../../"_qs + QFileInfo(outside).absoluteFilePath()), u"refused"_qs);
}

TEST(MarkdownViewTest, OnlyTheNewestCopyIsKeptAndClearingRemovesIt)
{
    auto view = makeLoadedView(u"one"_qs);
    ASSERT_TRUE(view);
    const QString first = temporaryRoot(*view);
    EXPECT_TRUE(first.startsWith(QDir::tempPath()));
    EXPECT_EQ(QFile::permissions(first) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);

    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    ASSERT_TRUE(view->update(u"two"_qs, std::nullopt, nullptr, nullptr));
    ASSERT_TRUE(loaded.wait(loadTimeout));
    const QString second = temporaryRoot(*view);
    EXPECT_NE(first, second);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_TRUE(QFileInfo::exists(second + u"/Markdown/style.css"_qs));

    view->clearTemporaryDirectory();
    EXPECT_FALSE(QFileInfo::exists(second));

    auto destroyed = makeLoadedView(u"three"_qs);
    ASSERT_TRUE(destroyed);
    const QString third = temporaryRoot(*destroyed);
    ASSERT_TRUE(QFileInfo::exists(third));
    destroyed.reset();
    EXPECT_FALSE(QFileInfo::exists(third));
}

TEST(CopyFolderGuardTest, AllowsLocalFilesOnlyInsideTheFolder)
{
    markdown::CopyFolderGuard guard;
    struct Case {
        const char* name;
        QString folder;
        QUrl url;
        bool allowed;
    };
    const QList<Case> cases = {
        { "page in the folder", u"/tmp/x/Markdown"_qs, QUrl(u"file:///tmp/x/Markdown/a.css"_qs),
            true },
        { "nested file", u"/tmp/x/Markdown/"_qs, QUrl(u"file:///tmp/x/Markdown/img/b.png"_qs),
            true },
        { "file elsewhere", u"/tmp/x/Markdown"_qs, QUrl(u"file:///etc/passwd"_qs), false },
        { "sibling sharing the prefix", u"/tmp/x/Markdown"_qs,
            QUrl(u"file:///tmp/x/Markdown2/a.css"_qs), false },
        { "climbing out", u"/tmp/x/Markdown"_qs,
            QUrl(u"file:///tmp/x/Markdown/../../../etc/passwd"_qs), false },
        { "the folder itself", u"/tmp/x/Markdown"_qs, QUrl(u"file:///tmp/x/Markdown"_qs), false },
        { "no folder yet", QString(), QUrl(u"file:///tmp/x/Markdown/a.css"_qs), false },
        { "web request", QString(), QUrl(u"https://example.com/"_qs), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        guard.setFolder(c.folder);
        EXPECT_EQ(guard.allows(c.url), c.allowed);
    }
}

TEST(BundleFinderTest, TakesTheFirstFolderHoldingTheLibraryBundle)
{
    const QString root = bxtest::makeTempFolder(u"finder"_qs);
    const QString empty = root + u"/empty"_qs;
    const QString first = root + u"/first"_qs;
    const QString second = root + u"/second"_qs;
    for (const QString& folder : { empty, first + u"/Markdown_Markdown.bundle"_qs,
             second + u"/Markdown_Markdown.bundle"_qs })
        QDir().mkpath(folder);

    EXPECT_EQ(BundleFinder::findLibraryBundle({ root + u"/missing"_qs, empty, second, first }),
        second + u"/Markdown_Markdown.bundle"_qs);
    EXPECT_TRUE(BundleFinder::findLibraryBundle({ empty }).isEmpty());
    // The compiled-in bundle is always there and carries the default template.
    EXPECT_TRUE(QFileInfo::exists(
        BundleFinder::resourceFolder(BundleFinder::defaultTemplateBundle()) + u"/index.html"_qs));
}
