#include "TypeIdentifier.h"

#include <array>

namespace platform {

const QString TypeIdentifier::PlainText = QStringLiteral("public.plain-text");
const QString TypeIdentifier::TraditionalPlainText
    = QStringLiteral("com.apple.traditional-mac-plain-text");
const QString TypeIdentifier::Rtf = QStringLiteral("public.rtf");
const QString TypeIdentifier::Rtfd = QStringLiteral("com.apple.rtfd");
const QString TypeIdentifier::Html = QStringLiteral("public.html");
const QString TypeIdentifier::WebArchive = QStringLiteral("com.apple.webarchive");
const QString TypeIdentifier::WordDocument = QStringLiteral("com.microsoft.word.doc");
const QString TypeIdentifier::OfficeOpenXmlDocument
    = QStringLiteral("org.openxmlformats.wordprocessingml.document");
const QString TypeIdentifier::WordXml = QStringLiteral("com.microsoft.word.wordml");
const QString TypeIdentifier::OpenDocumentText = QStringLiteral("org.oasis-open.opendocument.text");
const QString TypeIdentifier::Markdown = QStringLiteral("net.daringfireball.markdown");

namespace {

struct Entry {
    const char* identifier;
    std::array<const char*, 2> parents;
    const char* extension;
};

// Parents name only entries of this table, so a conformance walk always ends.
constexpr Entry Table[] = {
    { "public.item", {}, "" },
    { "public.content", {}, "" },
    { "public.data", { "public.item" }, "" },
    { "public.directory", { "public.item" }, "" },
    { "com.apple.package", { "public.directory" }, "" },
    { "public.composite-content", { "public.content" }, "" },
    { "public.text", { "public.data", "public.content" }, "" },
    { "public.xml", { "public.text" }, "xml" },
    { "public.plain-text", { "public.text" }, "txt" },
    { "public.utf8-plain-text", { "public.plain-text" }, "txt" },
    { "com.apple.traditional-mac-plain-text", { "public.plain-text" }, "txt" },
    { "public.rtf", { "public.text" }, "rtf" },
    { "com.apple.rtfd", { "com.apple.package", "public.composite-content" }, "rtfd" },
    { "public.html", { "public.text" }, "html" },
    { "com.apple.webarchive", { "public.data", "public.composite-content" }, "webarchive" },
    { "com.microsoft.word.doc", { "public.data", "public.composite-content" }, "doc" },
    { "org.openxmlformats.wordprocessingml.document", { "public.data", "public.composite-content" },
        "docx" },
    { "com.microsoft.word.wordml", { "public.xml", "public.composite-content" }, "xml" },
    { "org.oasis-open.opendocument.text", { "public.data", "public.composite-content" }, "odt" },
    { "net.daringfireball.markdown", { "public.text" }, "md" },
};

const Entry* find(const QString& type)
{
    for (const Entry& entry : Table) {
        if (type == QLatin1String(entry.identifier))
            return &entry;
    }
    return nullptr;
}

} // namespace

bool TypeIdentifier::isKnown(const QString& type)
{
    return find(type) != nullptr;
}

QStringList TypeIdentifier::parents(const QString& type)
{
    QStringList result;
    if (const Entry* entry = find(type)) {
        for (const char* parent : entry->parents) {
            if (parent)
                result << QString::fromLatin1(parent);
        }
    }
    return result;
}

bool TypeIdentifier::conformsTo(const QString& type, const QString& ancestor)
{
    if (type == ancestor)
        return true;
    for (const QString& parent : parents(type)) {
        if (conformsTo(parent, ancestor))
            return true;
    }
    return false;
}

QString TypeIdentifier::preferredExtension(const QString& type)
{
    const Entry* entry = find(type);
    return entry ? QString::fromLatin1(entry->extension) : QString();
}

} // namespace platform
