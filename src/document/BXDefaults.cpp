#include "document/BXDefaults.h"

#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/Color.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextArchiving.h"

#include <QGuiApplication>
#include <QPalette>

using platform::Archiver;
using platform::Error;

QVariantMap BXDefaults::registrationDictionary()
{
    platform::TextArchiving::registerClasses();
    QVariantMap registration;
    registration.insert(ShowWelcome, true);
    registration.insert(NumberPagesWhenPrinting, false);
    registration.insert(TopBottomPrintMargins, 72.0f);
    registration.insert(LeftRightPrintMargins, 72.0f);

    Error error;
    const QByteArray font = Archiver::archivedData(
        QVariant::fromValue(platform::TextArchiving::systemFont(13.0)), &error);
    if (font.isEmpty())
        platform::log(QStringLiteral("failed to archive font: %@"), error);
    else
        registration.insert(DefaultFont, font);

    // A named colour, so new text follows the theme's text colour.
    const platform::Color textColor { QGuiApplication::palette().color(QPalette::Text),
        QStringLiteral("textColor") };
    const QByteArray color = Archiver::archivedData(QVariant::fromValue(textColor));
    if (!color.isEmpty())
        registration.insert(DefaultFontColor, color);

    platform::ParagraphStyle style;
    style.lineHeightMultiple = 1.3;
    error = Error();
    const QByteArray paragraph = Archiver::archivedData(QVariant::fromValue(style), &error);
    if (paragraph.isEmpty())
        platform::log(QStringLiteral("failed to archive paragraph style: %@"), error);
    else
        registration.insert(DefaultParagraphStyle, paragraph);

    registration.insert(RulerUnits, QStringLiteral("Inches"));
    registration.insert(ExportFileType, QStringLiteral("public.rtf"));
    registration.insert(ExportFileEncoding, 4u); // UTF-8
    registration.insert(ExportAddExtension, true);
    registration.insert(AlternateRowsInNotesListKey, false);
    registration.insert(AutoCheckForUpdates, true);
    registration.insert(SkipUpdateVersion, QStringLiteral(""));
    return registration;
}

void BXDefaults::registerDefaults(platform::UserDefaults& defaults)
{
    defaults.registerDefaults(registrationDictionary());
}

void BXDefaults::registerDefaults()
{
    registerDefaults(platform::UserDefaults::standard());
}

void BXDefaults::registerPreferencesDefaults(platform::UserDefaults& defaults)
{
    defaults.registerDefaults({ { SelectedPane, QStringLiteral("GeneralPane") } });
}

void BXDefaults::registerPreferencesDefaults()
{
    registerPreferencesDefaults(platform::UserDefaults::standard());
}
