#include "document/transfer/BXNoteExport.h"

#include "document/BXDefaultTextAttributes.h"
#include "document/model/BXAttributedStringAdditions.h"
#include "document/model/BXNote.h"

#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextFormatRegistry.h"

#include <QTextDocument>

#include <algorithm>

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
    const QTextCharFormat typing = BXDefaultTextAttributes::current().characters;
    QFont font = typing.font();
    const double size = platform::AttributedText::fontPointSize(typing);
    font.setPointSizeF(size > 0 ? size : platform::AttributedText::systemFont().pointSizeF());
    return { note.noteTitle(), note.noteText(), note.noteStyles(), font };
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
    platform::WriteLosses* losses)
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
    options.losses = losses;
    options.defaultFont = note.font;
    return format->write(*content, options, path, error);
}

namespace {

QString titled(const QString& title)
{
    return title.isEmpty() ? platform::localized(QStringLiteral("Note")) : title;
}

// A few of the characters, as the user can find them in the note: the character itself, or
// its code for one that draws nothing.
QString namedCharacters(const QList<char32_t>& characters)
{
    constexpr qsizetype named = 5;
    QStringList names;
    for (qsizetype i = 0; i < std::min(named, characters.size()); ++i) {
        const char32_t character = characters.at(i);
        names << (QChar::isPrint(character)
                ? QString::fromUcs4(&character, 1)
                : QStringLiteral("U+%1").arg(uint(character), 4, 16, QLatin1Char('0')).toUpper());
    }
    if (characters.size() > named)
        names << QStringLiteral("\u2026");
    return names.join(QStringLiteral(" "));
}

QString lostCharactersLine(const QList<BXNoteExport::Loss>& losses)
{
    QStringList notes;
    for (const BXNoteExport::Loss& loss : losses) {
        const qsizetype count = loss.losses.lostCharacterCount();
        if (count == 0)
            continue;
        const QString characters = namedCharacters(loss.losses.lostCharacters());
        notes << (count == 1
                ? platform::localizedFormat(QStringLiteral("\u201C%@\u201D (1 character: %@)"),
                    titled(loss.title), characters)
                : platform::localizedFormat(QStringLiteral("\u201C%@\u201D (%@ characters: %@)"),
                    titled(loss.title), QString::number(count), characters));
    }
    if (notes.isEmpty())
        return {};
    return platform::localizedFormat(
        QStringLiteral("These notes hold characters that their files' encoding cannot hold, "
                       "written as \u201C?\u201D instead: %@."),
        notes.join(QStringLiteral(", ")));
}

} // namespace

void BXNoteExport::report(const Report& report)
{
    if (report.failures.isEmpty() && report.losses.isEmpty())
        return;
    const bool picturesLeftOut = std::any_of(report.losses.begin(), report.losses.end(),
        [](const Loss& loss) { return loss.losses.picturesLeftOut(); });
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
    } else if (picturesLeftOut) {
        alert.messageText
            = platform::localized(QStringLiteral("Some notes were not exported whole."));
    } else {
        alert.messageText = platform::localized(
            QStringLiteral("Some characters could not be written in the chosen encoding."));
    }
    if (const QString line = lostCharactersLine(report.losses); !line.isEmpty())
        informative << line;
    if (picturesLeftOut) {
        QStringList titles;
        for (const Loss& loss : report.losses) {
            if (loss.losses.picturesLeftOut())
                titles << QStringLiteral("\u201C%1\u201D").arg(titled(loss.title));
        }
        informative << platform::localizedFormat(
            QStringLiteral("The chosen format cannot hold pictures; they were left out of %@."),
            titles.join(QStringLiteral(", ")));
    }
    alert.informativeText = informative.join(QLatin1Char('\n'));
    platform::AlertPresenter::current().runModal(alert);
}
