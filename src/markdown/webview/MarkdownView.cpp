#include "MarkdownView.h"

#include "BundleFinder.h"
#include "MarkdownWebPage.h"
#include "markdown/MarkdownErrors.h"
#include "markdown/renderers/MarkdownHTMLRenderable.h"
#include "platform/foundation/CopyRecursively.h"
#include "platform/foundation/SafeWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWebEngineProfile>

namespace markdown {

namespace {

const QString placeholder = QStringLiteral("MARKDOWN_HTML");
const QString copyFolderName = QStringLiteral("Markdown");
const QString pageName = QStringLiteral("index.html");

platform::Error fileError(int code, const QString& description, const QString& reason)
{
    return platform::Error(platform::kCocoaErrorDomain, code, description, reason);
}

} // namespace

std::unique_ptr<MarkdownView> MarkdownView::create(const QRect& frame,
    const QString& markdownString, bool openLinksInBrowser, const QString& templateBundle,
    bool writableBundle, QWebEngineProfile* profile, MarkdownOptions options,
    Callback didLoadSuccessfully, platform::Error* error)
{
    const QString bundle
        = templateBundle.isEmpty() ? BundleFinder::defaultTemplateBundle() : templateBundle;
    const bool isDelegate = openLinksInBrowser || bool(didLoadSuccessfully);
    std::unique_ptr<MarkdownView> view(new MarkdownView(
        bundle, writableBundle, profile, isDelegate, options, std::move(didLoadSuccessfully)));
    view->setGeometry(frame);
    if (!view->loadPage(markdownString, error))
        return nullptr;
    return view;
}

MarkdownView::MarkdownView(const QString& bundle, bool writableBundle, QWebEngineProfile* profile,
    bool isNavigationDelegate, MarkdownOptions options, Callback didLoadSuccessfully)
    : m_bundle(bundle),
      m_writableBundle(writableBundle),
      m_options(options),
      m_didLoadSuccessfully(std::move(didLoadSuccessfully))
{
    if (!profile) {
        m_ownProfile = std::make_unique<QWebEngineProfile>();
        profile = m_ownProfile.get();
    }
    m_page = new MarkdownWebPage(profile, isNavigationDelegate, this);
    setPage(m_page);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MarkdownView::clearTemporaryDirectory);
    if (isNavigationDelegate) {
        connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
            if (ok && m_didLoadSuccessfully)
                m_didLoadSuccessfully();
        });
    }
}

MarkdownView::~MarkdownView()
{
    clearTemporaryDirectory();
    // A page must go before its profile.
    delete m_page;
}

bool MarkdownView::update(const QString& markdownString, std::optional<MarkdownOptions> options,
    Callback didLoadSuccessfully, platform::Error* error)
{
    if (options)
        m_options = *options;
    if (didLoadSuccessfully)
        m_didLoadSuccessfully = std::move(didLoadSuccessfully);
    return loadPage(markdownString, error);
}

QUrl MarkdownView::baseURL() const
{
    const QString resources = BundleFinder::resourceFolder(m_bundle);
    return resources.isEmpty() ? QUrl() : QUrl::fromLocalFile(resources + u'/' + pageName);
}

bool MarkdownView::isNavigationDelegate() const
{
    return m_page->isNavigationDelegate();
}

void MarkdownView::clearTemporaryDirectory()
{
    if (!m_temporaryRoot.isEmpty())
        QDir(m_temporaryRoot).removeRecursively();
    m_temporaryRoot.clear();
}

bool MarkdownView::loadPage(const QString& markdownString, platform::Error* error)
{
    const std::optional<QString> html = toHTML(markdownString, m_options, error);
    if (!html)
        return false;
    const QString resources = BundleFinder::resourceFolder(m_bundle);
    if (resources.isEmpty())
        return platform::Error::set(
            error, makeMarkdownError(MarkdownErrors::nonStandardBundleFormatError));

    QFile templateFile(resources + u'/' + pageName);
    if (!templateFile.open(QIODevice::ReadOnly))
        return platform::Error::set(error,
            fileError(templateFile.exists() ? platform::FileReadUnknownError
                                            : platform::FileNoSuchFileError,
                QStringLiteral("The page template could not be read."),
                templateFile.errorString()));
    QString page = QString::fromUtf8(templateFile.readAll());
    page.replace(placeholder, *html);

    const QString root = writeCopy(resources, page, error);
    if (root.isEmpty())
        return false;
    // The shown page moves to the new copy, so the previous one is no longer needed.
    clearTemporaryDirectory();
    m_temporaryRoot = root;
    const QString copyFolder = root + u'/' + copyFolderName;
    m_temporaryDirectoryURL = QUrl::fromLocalFile(copyFolder);
    m_page->setCopyFolder(copyFolder);
    m_page->load(QUrl::fromLocalFile(copyFolder + u'/' + pageName));
    return true;
}

QString MarkdownView::writeCopy(
    const QString& resources, const QString& page, platform::Error* error)
{
    QTemporaryDir temporary(QDir::tempPath() + u"/brindlex-markdown-XXXXXX"_qs);
    if (!temporary.isValid()) {
        platform::Error::set(error,
            fileError(platform::FileWriteUnknownError,
                QStringLiteral("No temporary folder could be made for the page."),
                temporary.errorString()));
        return {};
    }
    const QString copyFolder = temporary.path() + u'/' + copyFolderName;
    if (!platform::copyRecursively(resources, copyFolder)) {
        platform::Error::set(error,
            fileError(platform::FileWriteUnknownError,
                QStringLiteral("The page template could not be copied."), copyFolder));
        return {};
    }
    // Files copied out of the compiled-in resources are read-only.
    const QString pagePath = copyFolder + u'/' + pageName;
    if (!platform::SafeWrite::writeFile(
            pagePath, page.toUtf8(), QStringLiteral("The page could not be written."), error))
        return {};
    temporary.setAutoRemove(false);
    return temporary.path();
}

} // namespace markdown
