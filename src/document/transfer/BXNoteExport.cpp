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
    platform::TextEncoding::Value encoding, const QString& path, platform::Error* error,
    bool* lostCharacters)
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
    options.lostCharacters = lostCharacters;
    return format->write(*content, options, path, error);
}

void BXNoteExport::report(const Report& report)
{
    if (report.failures.isEmpty() && report.lostCharacters.isEmpty())
        return;
    const auto titled = [](const QString& title) {
        return title.isEmpty() ? platform::localized(QStringLiteral("Note")) : title;
    };
    platform::Alert alert;
    QStringList informative;
    if (!report.failures.isEmpty()) {
        alert.messageText = platform::localized(QStringLiteral("Some notes were not exported."));
        informative << platform::localizedFormat(QStringLiteral("%@ notes could not be written."),
            QString::number(report.failures.size()));
        QStringList lines;
        for (const Failure& failure : report.failures)
            lines << QStringLiteral("%1: %2").arg(titled(failure.title), failure.reason);
        alert.detailedText = lines.join(QLatin1Char('\n'));
    } else {
        alert.messageText = platform::localized(
            QStringLiteral("Some characters could not be written in the chosen encoding."));
    }
    if (!report.lostCharacters.isEmpty()) {
        QStringList titles;
        for (const QString& title : report.lostCharacters)
            titles << QStringLiteral("\u201C%1\u201D").arg(titled(title));
        informative << platform::localizedFormat(
            QStringLiteral("These notes hold characters that their files' encoding cannot hold, "
                           "written as \u201C?\u201D instead: %@."),
            titles.join(QStringLiteral(", ")));
    }
    alert.informativeText = informative.join(QLatin1Char('\n'));
    platform::AlertPresenter::current().runModal(alert);
}
