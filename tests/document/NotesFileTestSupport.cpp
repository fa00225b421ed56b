#include "NotesFileTestSupport.h"

#include "platform/text/AttributedText.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace notesfiletest {

platform::Error save(NotesFile& document, const QUrl& url, platform::SaveOperation operation)
{
    platform::Error result(platform::kCocoaErrorDomain, -1, QStringLiteral("never completed"));
    document.saveToURL(url, NotesFile::NotesDocumentType, operation,
        [&](const platform::Error& error) { result = error; });
    return result;
}

std::unique_ptr<NotesFile> open(const QUrl& url, platform::Error* error)
{
    auto document = std::make_unique<NotesFile>();
    if (!document->initWithContentsOfURL(url, NotesFile::NotesDocumentType, error))
        return nullptr;
    return document;
}

BXNote::NotePtr addNote(NotesFile& document, const QString& text)
{
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    std::unique_ptr<QTextDocument> rich = platform::AttributedText::makeDocument();
    rich->setPlainText(text);
    note->setAttributedString(*rich);
    return note;
}

QStringList titles(NotesFile& document)
{
    QStringList result;
    const auto notes = document.managedObjectContext()->fetchObjects(
        platform::FetchRequest(BXNote::entityName()), nullptr);
    if (notes) {
        for (const platform::ManagedObjectPtr& note : *notes)
            result << note->valueForKey(QStringLiteral("noteTitle")).toString();
    }
    result.sort();
    return result;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QUrl packageURL(const QString& folder, const QString& name)
{
    return QUrl::fromLocalFile(folder + QLatin1Char('/') + name);
}

QMap<QString, QByteArray> snapshot(const QString& path)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(file.mid(path.size()), fileBytes(file));
    }
    return files;
}

// Makes the package read-only the way a locked volume is: immutable, which binds the
// superuser too. Falls back on permissions where the flag is not available.
bool setReadOnly(const QStringList& paths, bool readOnly)
{
    bool flagged = true;
    for (const QString& path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        int flags = 0;
        if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
            flagged = false;
        } else {
            flags = readOnly ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            flagged = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0 && flagged;
        }
        if (fd >= 0)
            ::close(fd);
        QFile::setPermissions(path,
            readOnly ? QFileDevice::ReadOwner | QFileDevice::ExeOwner
                     : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return flagged || !QFileInfo(paths.first()).isWritable();
}

} // namespace notesfiletest
