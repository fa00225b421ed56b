#include "TextFormatRegistry.h"

#include "BuiltInTextFormats.h"

#include <QReadWriteLock>

namespace platform {

namespace {

class Table {
public:
    Table() : m_formats(BuiltInTextFormats::all()) { }

    void add(TextFormat format)
    {
        QWriteLocker locker(&m_lock);
        for (TextFormat& existing : m_formats) {
            if (existing.typeIdentifier == format.typeIdentifier) {
                existing = std::move(format);
                return;
            }
        }
        m_formats.append(std::move(format));
    }

    QList<TextFormat> formats() const
    {
        QReadLocker locker(&m_lock);
        return m_formats;
    }

    std::optional<TextFormat> find(const std::function<bool(const TextFormat&)>& matches) const
    {
        QReadLocker locker(&m_lock);
        for (const TextFormat& format : m_formats) {
            if (matches(format))
                return format;
        }
        return std::nullopt;
    }

private:
    mutable QReadWriteLock m_lock;
    QList<TextFormat> m_formats;
};

Table& table()
{
    static Table instance;
    return instance;
}

} // namespace

void TextFormatRegistry::registerFormat(TextFormat format)
{
    table().add(std::move(format));
}

QList<TextFormat> TextFormatRegistry::formats()
{
    return table().formats();
}

std::optional<TextFormat> TextFormatRegistry::formatForType(const QString& typeIdentifier)
{
    return table().find(
        [&](const TextFormat& format) { return format.typeIdentifier == typeIdentifier; });
}

std::optional<TextFormat> TextFormatRegistry::formatForExtension(const QString& extension)
{
    const QString wanted
        = (extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension).toLower();
    if (wanted.isEmpty())
        return std::nullopt;
    return table().find(
        [&](const TextFormat& format) { return format.extensions.contains(wanted); });
}

std::optional<TextFormat> TextFormatRegistry::readerForDocumentType(const QString& documentType)
{
    if (documentType.isEmpty())
        return std::nullopt;
    return table().find([&](const TextFormat& format) {
        return format.documentType == documentType && format.read;
    });
}

} // namespace platform
