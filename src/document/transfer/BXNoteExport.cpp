#include "document/transfer/BXNoteExport.h"

#include "document/model/BXAttributedStringAdditions.h"
#include "document/model/BXNote.h"

#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextFormatRegistry.h"

#include <QTextDocument>

using platform::TypeIdentifier;

namespace {

// The registered format for a type: its own, else the first whose type it conforms to.
std::optional<platform::TextFormat> formatFor(const QString& type)
{
    if (std::optional<platform::TextFormat> exact
        = platform::TextFormatRegistry::formatForType(type))
        return exact;
    for (const platform::TextFormat& format : platform::TextFormatRegistry::formats()) {
        if (TypeIdentifier::conformsTo(type, format.typeIdentifier))
            return format;
    }
    return std::nullopt;
}

} // namespace

BXNoteExport::Snapshot BXNoteExport::snapshotOf(const BXNote& note)
{
    return { note.noteTitle(), note.noteText(), note.noteStyles() };
}

QString BXNoteExport::preferredTypeForText(const QTextDocument* styled)
{
    if (!styled)
        return TypeIdentifier::PlainText;
    return platform::AttributedText::containsAttachments(*styled) ? TypeIdentifier::Rtfd
                                                                  : TypeIdentifier::Rtf;
}

bool BXNoteExport::write(const Snapshot& note, const QString& type,
    platform::TextEncoding::Value encoding, const QString& path, platform::Error* error)
{
    std::unique_ptr<QTextDocument> styled
        = BXAttributedStringAdditions::attributedStringWithRTFData(note.styles);
    const QString resolved = type.isEmpty() || type == QLatin1String("Auto")
        ? preferredTypeForText(styled.get())
        : type;
    const std::optional<platform::TextFormat> format = formatFor(resolved);
    if (!format || !format->write)
        return platform::Error::set(error,
            platform::Error(platform::kCocoaErrorDomain, platform::FileWriteUnknownError,
                platform::localized(QStringLiteral("The note could not be exported.")),
                platform::localizedFormat(
                    QStringLiteral("No writer for the format %@."), resolved)));
    // Plain text is the note's own plain text, whatever styles it has.
    const bool plain = format->typeIdentifier == TypeIdentifier::PlainText;
    std::unique_ptr<QTextDocument> content = plain || !styled
        ? platform::TextDocumentReader::documentFromPlainText(note.text)
        : std::move(styled);
    platform::TextFormat::WriteOptions options;
    options.encoding = encoding;
    options.allowLossy = true;
    options.title = note.title;
    return format->write(*content, options, path, error);
}

void BXNoteExport::reportFailures(const QList<Failure>& failures)
{
    if (failures.isEmpty())
        return;
    platform::Alert alert;
    alert.messageText = platform::localized(QStringLiteral("Some notes were not exported."));
    alert.informativeText = platform::localizedFormat(
        QStringLiteral("%@ notes could not be written."), QString::number(failures.size()));
    QStringList lines;
    for (const Failure& failure : failures)
        lines << QStringLiteral("%1: %2").arg(
            failure.title.isEmpty() ? platform::localized(QStringLiteral("Note")) : failure.title,
            failure.reason);
    alert.detailedText = lines.join(QLatin1Char('\n'));
    platform::AlertPresenter::current().runModal(alert);
}
