#include "document/transfer/BXNoteImport.h"

#include "document/transfer/ImportedTextLooks.h"
#include "document/transfer/MarkdownImporter.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/documents/ProgressPanel.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/text/HtmlImageEmbedder.h"
#include "platform/text/HtmlImageLoader.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/InlinePictureExtractor.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextDocumentTypes.h"
#include "platform/text/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using platform::localized;
using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;

namespace {

// Folders of these kinds are documents, taken whole and never walked.
bool isPackage(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("rtfd") || suffix == QLatin1String("brindlex");
}

QString errnoReason(int number)
{
    return QString::fromLocal8Bit(std::strerror(number));
}

QString notRegularReason()
{
    return localized(QStringLiteral("It is not a regular file."));
}

void walkFolder(const QString& folder, BXNoteImport::Files& files)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        files.skipped.append({ folder, errnoReason(errno) });
        return;
    }
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        // Hidden items, "." and ".." included.
        if (!name.startsWith(QLatin1Char('.')))
            names << name;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QString& name : std::as_const(names)) {
        const QString path = folder + QLatin1Char('/') + name;
        struct stat info { };
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
            files.skipped.append({ path, errnoReason(errno) });
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (isPackage(path))
                files.paths << path;
            else
                walkFolder(path, files);
        } else if (S_ISREG(info.st_mode)) {
            files.paths << path;
        }
        // Symbolic links are aliases, and pipes, sockets and devices hold no document.
    }
}

// The file is read in pieces of this size, its pictures decoded as they arrive.
constexpr qint64 kReadPiece = 1024 * 1024;

QString tooLargeReason()
{
    return platform::localizedFormat(
        QStringLiteral("The page holds more than %@ million characters of text and markup."),
        QString::number(platform::HtmlReader::maximumMarkupLength / 1'000'000));
}

// A Markdown file's rich text. Its text, pictures apart, is bounded as a page's is: that bound
// is known as the bytes arrive, and a page past it is refused with `refusal` set. Null without
// a refusal when the file is not UTF-8 and another reader may try.
std::unique_ptr<QTextDocument> markdownDocument(
    const QString& path, const QFont& noteFont, QStringList* leftOut, QString* refusal)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    // Its images name pictures beside the file, as a page's do.
    platform::HtmlImageLoader loader(
        QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    platform::InlinePictureExtractor extractor(loader);
    // UTF-8 takes at most three bytes for a character.
    constexpr qsizetype longestText = 3 * platform::HtmlReader::maximumMarkupLength;
    while (!file.atEnd()) {
        const QByteArray piece = file.read(kReadPiece);
        if (piece.isEmpty())
            break;
        extractor.append(piece);
        if (extractor.textLength() > longestText) {
            *refusal = tooLargeReason();
            return nullptr;
        }
    }
    if (file.error() != QFileDevice::NoError)
        return nullptr;
    const std::optional<QString> text = platform::TextEncoding::decode(
        extractor.finish(), platform::TextEncoding::UTF8StringEncoding);
    if (text && text->size() > platform::HtmlReader::maximumMarkupLength) {
        *refusal = tooLargeReason();
        return nullptr;
    }
    std::unique_ptr<QTextDocument> document
        = text ? MarkdownImporter::attributedStringFromMarkdown(*text, noteFont) : nullptr;
    if (document) {
        platform::HtmlImageEmbedder::embed(
            *document, [&loader](const QString& source) { return loader.load(source); });
        *leftOut = loader.leftOut();
    }
    return document;
}

QString reasonOf(const platform::Error& error)
{
    const QString reason = error.localizedFailureReason();
    return reason.isEmpty() ? error.localizedDescription() : reason;
}

} // namespace

BXNoteImport::BXNoteImport(std::shared_ptr<platform::PersistentStoreCoordinator> coordinator,
    QStringList paths, QList<platform::ManagedObjectID> categories)
    : m_coordinator(std::move(coordinator)),
      m_paths(std::move(paths)),
      m_categories(std::move(categories))
{
    // The user's default style, read here on the main thread where the defaults live.
    const std::unique_ptr<QTextDocument> style = BXNote::emptyStyle();
    const QTextCursor cursor(style.get());
    m_plainCharacters = cursor.charFormat();
    m_plainCharacters.clearForeground();
    m_plainParagraph = cursor.blockFormat();
}

BXNoteImport::Files BXNoteImport::flattenURLs(const QList<QUrl>& urls)
{
    Files files;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            files.skipped.append(
                { url.toString(), localized(QStringLiteral("It is not a local file.")) });
            continue;
        }
        const QString path = QDir::cleanPath(url.toLocalFile());
        struct stat info { };
        if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
            files.skipped.append({ path, errnoReason(errno) });
            continue;
        }
        if (S_ISDIR(info.st_mode) && !isPackage(path))
            walkFolder(path, files);
        else if (S_ISDIR(info.st_mode) || S_ISREG(info.st_mode))
            files.paths << path;
        else
            files.skipped.append({ path, notRegularReason() });
    }
    return files;
}

bool BXNoteImport::needsPanel(const QStringList& paths)
{
    if (paths.size() >= PanelThreshold)
        return true;
    qint64 bytes = 0;
    for (const QString& path : paths) {
        // A package folder's size is its contents', which only reading it tells.
        const QFileInfo info(path);
        bytes += info.isDir() ? PanelBytes : info.size();
        if (bytes >= PanelBytes)
            return true;
    }
    return false;
}

std::unique_ptr<QTextDocument> BXNoteImport::readFile(const QString& path,
    const QTextCharFormat& plain, const QTextBlockFormat& block, QString* reason,
    QStringList* leftOut)
{
    QStringList unreported;
    if (!leftOut)
        leftOut = &unreported;
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        *reason = errnoReason(errno);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode) && !(S_ISDIR(info.st_mode) && isPackage(path))) {
        *reason = notRegularReason();
        return nullptr;
    }
    // The readers' own messages name the path, which the report already shows.
    if (S_ISREG(info.st_mode)) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            *reason = errnoReason(errno);
            return nullptr;
        }
        ::close(fd);
    }
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("md") || extension == QLatin1String("markdown")) {
        QString refusal;
        if (std::unique_ptr<QTextDocument> markdown
            = markdownDocument(path, plain.font(), leftOut, &refusal))
            return markdown;
        if (!refusal.isEmpty()) {
            *reason = refusal;
            return nullptr;
        }
    }
    platform::Error error;
    std::optional<platform::TextDocumentReader::Result> read
        = platform::TextDocumentReader::readFile(path, {}, &error);
    if (!read || !read->document) {
        *reason = reasonOf(error);
        return nullptr;
    }
    std::unique_ptr<QTextDocument> document = std::move(read->document);
    *leftOut = std::move(read->leftOut);
    const bool plainText = read->documentType == platform::PlainTextDocumentType
        || extension == QLatin1String("txt");
    if (!plainText)
        ImportedTextLooks::fillUnstated(*document, plain.font());
    if (plainText && !document->isEmpty()) {
        const QString text = document->toPlainText();
        document->clear();
        QTextCursor cursor(document.get());
        // Outside an edit block the cursor lays its paragraph out to find its place, which for
        // a file of one long line costs seconds and several times the text's size.
        cursor.beginEditBlock();
        cursor.setBlockFormat(block);
        cursor.setBlockCharFormat(plain);
        cursor.insertText(text, plain);
        cursor.endEditBlock();
    }
    return document;
}

BXNoteImport::Outcome BXNoteImport::run(platform::ProgressPanel* panel)
{
    Outcome outcome;
    const qsizetype count = m_paths.size();
    if (count == 0 || !m_coordinator)
        return outcome;
    if (panel) {
        panel->postWindowTitle(localized(QStringLiteral("Import")));
        panel->postIndeterminate();
        panel->postMessage(localized(QStringLiteral("Importing file:")));
    }
    ManagedObjectContext context(ManagedObjectContext::ConcurrencyType::PrivateQueue);
    context.setPersistentStoreCoordinator(m_coordinator);
    context.setUndoManager(nullptr);
    context.performAndWait([&] {
        BXNote::resetLastImportFlagsInManagedObjectContext(&context);
        QList<ManagedObjectPtr> categories;
        for (const platform::ManagedObjectID& id : std::as_const(m_categories)) {
            if (ManagedObjectPtr category = context.existingObjectWithID(id, nullptr))
                categories << category;
        }
        QList<BXNote::NotePtr> made;
        for (qsizetype done = 0; done < count;) {
            const QString& path = m_paths.at(done);
            ++done;
            if (panel) {
                panel->postProgress(
                    platform::ProgressPanel::percentOf(done, count), QFileInfo(path).fileName());
                if (panel->stopped())
                    break;
            }
            QString reason;
            QStringList leftOut;
            const std::unique_ptr<QTextDocument> text
                = readFile(path, m_plainCharacters, m_plainParagraph, &reason, &leftOut);
            if (!text) {
                outcome.skipped.append({ path, reason });
                continue;
            }
            if (!leftOut.isEmpty())
                outcome.shortened.append({ path, leftOut.join(QLatin1Char(' ')) });
            BXNote::NotePtr note = BXNote::newNoteInManagedObjectContext(
                &context, QFileInfo(path).completeBaseName(), categories);
            if (!note)
                continue;
            note->setAttributedString(*text);
            note->setLastImportFlag(true);
            // The live storage is only for editors; the import keeps only the stored values.
            note->releaseTextStorage();
            made << note;
        }
        // One save, one transaction: an import interrupted anywhere leaves no part of itself
        // behind, so importing again never makes duplicates.
        platform::Error saveError;
        if (!context.save(&saveError)) {
            platform::log(QStringLiteral("Error saving import batch: %@"), saveError);
            outcome.lostCount = int(made.size());
            outcome.lostReason = reasonOf(saveError);
            return;
        }
        for (const BXNote::NotePtr& note : std::as_const(made))
            outcome.noteIDs << note->objectID();
    });
    return outcome;
}

std::optional<platform::Alert> BXNoteImport::report(const QList<Skip>& skipped,
    const QList<Skip>& shortened, int lostCount, const QString& lostReason)
{
    if (skipped.isEmpty() && shortened.isEmpty() && lostCount == 0)
        return std::nullopt;
    platform::Alert alert;
    alert.style = platform::AlertStyle::Warning;
    alert.messageText = skipped.isEmpty() && lostCount == 0
        ? localized(QStringLiteral("Some pictures were not imported."))
        : localized(QStringLiteral("Some files were not imported."));
    QStringList summary;
    if (!skipped.isEmpty())
        summary << platform::localizedFormat(
            QStringLiteral("%@ of the chosen files could not be read as notes."),
            QString::number(skipped.size()));
    if (!shortened.isEmpty())
        summary << platform::localizedFormat(
            QStringLiteral("%@ notes came in without some of their pictures."),
            QString::number(shortened.size()));
    if (lostCount > 0)
        summary << platform::localizedFormat(
            QStringLiteral("%@ notes were read but could not be saved: %@"),
            QString::number(lostCount), lostReason);
    alert.informativeText = summary.join(QLatin1Char('\n'));
    QStringList lines;
    for (const Skip& skip : skipped + shortened)
        lines << QStringLiteral("%1: %2").arg(skip.path, skip.reason);
    alert.detailedText = lines.join(QLatin1Char('\n'));
    return alert;
}
