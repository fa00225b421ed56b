#include "ZipArchive.h"

#include "TextDocumentReader.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/SafeWrite.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <zip.h>

#include <algorithm>

namespace platform {

namespace {

Error writeError(const QString& reason)
{
    return Error(kCocoaErrorDomain, FileWriteUnknownError,
        localized(QStringLiteral("The file could not be saved.")), reason);
}

QString reason(zip_error_t* error)
{
    return QString::fromUtf8(zip_error_strerror(error));
}

// Names a package may hold: relative, "/" separated, no "." or ".." steps, no backslashes or
// control characters that other tools would read as separators or ends.
bool isSafeName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\'))
        return false;
    for (QChar c : name) {
        if (c.unicode() < 0x20)
            return false;
    }
    const QStringList steps = name.split(u'/');
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString& step = steps[i];
        // A trailing "/" marks a folder entry.
        if ((step.isEmpty() && i + 1 < steps.size()) || step == u"." || step == u"..")
            return false;
    }
    return true;
}

// Reads back the archive libzip wrote into a buffer source.
std::optional<QByteArray> bufferContents(zip_source_t* source, Error* error)
{
    if (zip_source_open(source) < 0) {
        Error::set(error, writeError(reason(zip_source_error(source))));
        return std::nullopt;
    }
    std::optional<QByteArray> result;
    if (zip_source_seek(source, 0, SEEK_END) == 0) {
        const zip_int64_t size = zip_source_tell(source);
        if (size > 0 && zip_source_seek(source, 0, SEEK_SET) == 0) {
            QByteArray bytes(qsizetype(size), Qt::Uninitialized);
            if (zip_source_read(source, bytes.data(), zip_uint64_t(size)) == size)
                result = std::move(bytes);
        }
    }
    if (!result)
        Error::set(error, writeError(reason(zip_source_error(source))));
    zip_source_close(source);
    return result;
}

} // namespace

void ZipArchive::Closer::operator()(zip* archive) const
{
    zip_discard(archive);
}

ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;
ZipArchive::~ZipArchive() = default;

std::optional<QByteArray> ZipArchive::build(const QList<Entry>& entries, Error* error)
{
    if (entries.isEmpty()) {
        Error::set(error, writeError(QStringLiteral("An archive needs at least one entry.")));
        return std::nullopt;
    }
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &zipError);
    if (!buffer) {
        Error::set(error, writeError(reason(&zipError)));
        zip_error_fini(&zipError);
        return std::nullopt;
    }
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &zipError);
    if (!archive) {
        Error::set(error, writeError(reason(&zipError)));
        zip_error_fini(&zipError);
        zip_source_free(buffer);
        return std::nullopt;
    }
    zip_error_fini(&zipError);
    // Ours too, so that the written bytes outlive zip_close().
    zip_source_keep(buffer);

    const auto fail = [&](const QString& why) -> std::optional<QByteArray> {
        Error::set(error, writeError(why));
        zip_discard(archive);
        zip_source_free(buffer);
        return std::nullopt;
    };
    for (const Entry& entry : entries) {
        if (!isSafeName(entry.name))
            return fail(QStringLiteral("\"%1\" cannot be a name in an archive.").arg(entry.name));
        zip_source_t* source = zip_source_buffer(
            archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
        if (!source)
            return fail(QString::fromUtf8(zip_strerror(archive)));
        const zip_int64_t index
            = zip_file_add(archive, entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return fail(QString::fromUtf8(zip_strerror(archive)));
        }
        if (zip_set_file_compression(
                archive, zip_uint64_t(index), entry.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0)
            < 0) {
            return fail(QString::fromUtf8(zip_strerror(archive)));
        }
    }
    if (zip_close(archive) < 0)
        return fail(QString::fromUtf8(zip_strerror(archive)));
    std::optional<QByteArray> result = bufferContents(buffer, error);
    zip_source_free(buffer);
    return result;
}

bool ZipArchive::packFolder(
    const QString& folder, const QString& target, const QStringList& storedFirst, Error* error)
{
    QList<Entry> entries;
    for (const QString& name : storedFirst)
        entries.append({ name, {}, true });
    QStringList others;
    QDirIterator it(
        folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    const QDir root(folder);
    while (it.hasNext())
        others.append(root.relativeFilePath(it.next()));
    // A stable order, so the same document packs to the same entries.
    std::sort(others.begin(), others.end());
    for (const QString& name : std::as_const(others)) {
        if (!storedFirst.contains(name))
            entries.append({ name, {}, false });
    }
    for (Entry& entry : entries) {
        QFile file(root.filePath(entry.name));
        if (!file.open(QIODevice::ReadOnly)) {
            Error::set(
                error, writeError(file.fileName() + QLatin1String(": ") + file.errorString()));
            return false;
        }
        entry.data = file.readAll();
    }
    const std::optional<QByteArray> archive = build(entries, error);
    return archive
        && SafeWrite::writeFile(
            target, *archive, localized(QStringLiteral("The file could not be saved.")), error);
}

bool ZipArchive::packNewFolder(
    const FolderFiller& fill, const QString& target, const QStringList& storedFirst, Error* error)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        Error::set(error, writeError(folder.errorString()));
        return false;
    }
    return fill(folder.path(), error) && packFolder(folder.path(), target, storedFirst, error);
}

bool ZipArchive::writeFolderFile(
    const QString& folder, const QString& name, const QByteArray& data, Error* error)
{
    const QString path = folder + u'/' + name;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        Error::set(error, writeError(path));
        return false;
    }
    return SafeWrite::createFile(
        path, data, localized(QStringLiteral("The file could not be saved.")), error);
}

std::optional<ZipArchive> ZipArchive::open(const QByteArray& data, Error* error)
{
    return open(data, Limits(), error);
}

std::optional<ZipArchive> ZipArchive::open(
    const QByteArray& data, const Limits& limits, Error* error)
{
    ZipArchive result;
    result.m_data = data;
    result.m_limits = limits;
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t* source = zip_source_buffer_create(
        result.m_data.constData(), zip_uint64_t(result.m_data.size()), 0, &zipError);
    zip_t* archive
        = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &zipError) : nullptr;
    if (!archive) {
        Error::set(error, TextDocumentReader::unreadableError(reason(&zipError)));
        zip_error_fini(&zipError);
        if (source)
            zip_source_free(source);
        return std::nullopt;
    }
    zip_error_fini(&zipError);
    result.m_archive.reset(archive);

    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0 || count > limits.maximumEntries) {
        Error::set(error,
            TextDocumentReader::unreadableError(
                QStringLiteral("The archive holds too many entries.")));
        return std::nullopt;
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!name)
            continue;
        const QString decoded = QString::fromUtf8(name);
        if (!isSafeName(decoded) || result.m_index.contains(decoded))
            continue;
        result.m_index.insert(decoded, i);
        result.m_names.append(decoded);
    }
    return result;
}

std::optional<QByteArray> ZipArchive::read(const QString& name, Error* error)
{
    const auto found = m_index.constFind(name);
    if (found == m_index.constEnd()) {
        Error::set(error,
            TextDocumentReader::unreadableError(
                QStringLiteral("The archive has no \"%1\".").arg(name)));
        return std::nullopt;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_archive.get(), zip_uint64_t(*found), 0, &stat) < 0
        || !(stat.valid & ZIP_STAT_SIZE)) {
        Error::set(error,
            TextDocumentReader::unreadableError(QString::fromUtf8(zip_strerror(m_archive.get()))));
        return std::nullopt;
    }
    if (stat.size > zip_uint64_t(m_limits.maximumEntrySize)
        || qint64(stat.size) > m_limits.maximumTotalSize - m_unpacked) {
        Error::set(error,
            TextDocumentReader::unreadableError(QStringLiteral("\"%1\" is too large.").arg(name)));
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(m_archive.get(), zip_uint64_t(*found), 0);
    if (!file) {
        Error::set(error,
            TextDocumentReader::unreadableError(QString::fromUtf8(zip_strerror(m_archive.get()))));
        return std::nullopt;
    }
    // One byte more than stated, to notice an entry that unpacks to more than it says.
    QByteArray bytes(qsizetype(stat.size) + 1, Qt::Uninitialized);
    qint64 total = 0;
    bool failed = false;
    while (total < bytes.size()) {
        const zip_int64_t got
            = zip_fread(file, bytes.data() + total, zip_uint64_t(bytes.size() - total));
        if (got < 0) {
            failed = true;
            break;
        }
        if (got == 0)
            break;
        total += got;
    }
    const QString why = QString::fromUtf8(zip_file_strerror(file));
    zip_fclose(file);
    if (failed || total != qint64(stat.size)) {
        Error::set(error,
            TextDocumentReader::unreadableError(
                QStringLiteral("\"%1\" is damaged: %2")
                    .arg(name, failed ? why : QStringLiteral("wrong size"))));
        return std::nullopt;
    }
    m_unpacked += total;
    bytes.truncate(qsizetype(total));
    return bytes;
}

QString ZipArchive::resolvePath(const QString& base, const QString& relative)
{
    QStringList steps;
    const bool fromRoot = relative.startsWith(u'/');
    if (!fromRoot && !base.isEmpty())
        steps = base.split(u'/', Qt::SkipEmptyParts);
    for (const QString& step : relative.split(u'/', Qt::SkipEmptyParts)) {
        if (step == u".")
            continue;
        if (step == u"..") {
            if (steps.isEmpty())
                return QString();
            steps.removeLast();
            continue;
        }
        steps.append(step);
    }
    return steps.join(u'/');
}

} // namespace platform
