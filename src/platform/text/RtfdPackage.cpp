#include "RtfdPackage.h"

#include "RtfReader.h"
#include "RtfWriter.h"
#include "platform/foundation/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextDocument>

#include <algorithm>

namespace platform {

const QString RtfdPackage::TextFileName = QStringLiteral("TXT.rtf");

RtfdPackage::RtfdPackage(QByteArray rtf, FlatRtfd::Files attachments)
    : m_rtf(std::move(rtf)), m_attachments(std::move(attachments))
{ }

RtfdPackage RtfdPackage::fromDocument(const QTextDocument& doc)
{
    FlatRtfd::Files files;
    QByteArray rtf = RtfWriter::write(doc, &files);
    return RtfdPackage(std::move(rtf), std::move(files));
}

std::optional<RtfdPackage> RtfdPackage::fromFlatData(QByteArrayView data, Error* error)
{
    std::optional<FlatRtfd::Files> files = FlatRtfd::read(data, error);
    if (!files)
        return std::nullopt;
    RtfdPackage package;
    bool hasText = false;
    for (auto& [name, contents] : *files) {
        if (name == TextFileName) {
            package.m_rtf = std::move(contents);
            hasText = true;
        } else {
            package.m_attachments.append({ name, std::move(contents) });
        }
    }
    if (!hasText) {
        Error::set(error,
            Error(kCocoaErrorDomain, FileReadCorruptFileError,
                QStringLiteral("The rich text could not be read."),
                QStringLiteral("The flat RTFD holds no TXT.rtf.")));
        return std::nullopt;
    }
    return package;
}

std::optional<RtfdPackage> RtfdPackage::readFolder(const QString& path, Error* error)
{
    const QDir folder(path);
    const QFileInfoList entries
        = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    const auto text = std::find_if(entries.cbegin(), entries.cend(),
        [](const QFileInfo& entry) { return entry.fileName() == TextFileName; });
    if (text == entries.cend()) {
        Error::set(error,
            Error(kCocoaErrorDomain, FileReadCorruptFileError,
                QStringLiteral("The rich text could not be read."),
                QStringLiteral("The RTFD folder holds no readable TXT.rtf.")));
        return std::nullopt;
    }
    RtfdPackage package;
    qint64 total = 0;
    for (const QFileInfo& entry : entries) {
        QFile file(entry.filePath());
        // Read no further than the bound, whatever the size said when the folder was listed.
        const qint64 room = maximumFolderBytes - total;
        if (!file.open(QIODevice::ReadOnly)) {
            Error::set(error,
                Error(kCocoaErrorDomain, FileReadNoPermissionError,
                    QStringLiteral("The rich text could not be read."), file.errorString()));
            return std::nullopt;
        }
        QByteArray contents = file.read(room + 1);
        total += contents.size();
        if (total > maximumFolderBytes) {
            Error::set(error,
                Error(kCocoaErrorDomain, FileReadCorruptFileError,
                    QStringLiteral("The rich text could not be read."),
                    QStringLiteral("The RTFD folder holds more than %1 MB.")
                        .arg(maximumFolderBytes / (1024 * 1024))));
            return std::nullopt;
        }
        if (entry.fileName() == TextFileName)
            package.m_rtf = std::move(contents);
        else
            package.m_attachments.append({ entry.fileName(), std::move(contents) });
    }
    return package;
}

QByteArray RtfdPackage::flatData() const
{
    FlatRtfd::Files files;
    files.reserve(m_attachments.size() + 1);
    files.append({ TextFileName, m_rtf });
    files.append(m_attachments);
    return FlatRtfd::write(files);
}

bool RtfdPackage::writeFolder(const QString& path, Error* error) const
{
    const QString description = QStringLiteral("The rich text could not be saved.");
    return SafeWrite::writeFolder(
        path,
        [&](const QString& folder, Error* failure) {
            // Names come from documents: keep them inside the folder.
            const auto writeFile = [&](const QString& name, const QByteArray& contents) {
                return SafeWrite::createFile(QDir(folder).filePath(QFileInfo(name).fileName()),
                    contents, description, failure);
            };
            if (!writeFile(TextFileName, m_rtf))
                return false;
            for (const auto& [name, contents] : m_attachments) {
                if (!writeFile(name, contents))
                    return false;
            }
            return true;
        },
        description, error);
}

std::unique_ptr<QTextDocument> RtfdPackage::document(
    Error* error, const std::atomic<bool>* stop) const
{
    QHash<QString, QByteArray> files;
    for (const auto& [name, contents] : m_attachments)
        files.insert(name, contents);
    return RtfReader::read(m_rtf, files, error, stop);
}

} // namespace platform
