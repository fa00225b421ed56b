#include "document/BXDefaults.h"
#include "document/BXDocument.h"

#include "platform/foundation/Archiver.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/Color.h"
#include "platform/text/ParagraphStyle.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextDocument>

using namespace platform;

namespace {

QString freshSettingsPath()
{
    return bxtest::makeTempFolder(QStringLiteral("defaults")) + QStringLiteral("/settings.conf");
}

} // namespace

TEST(Defaults, FreshSettingsReadTheRegisteredValues)
{
    UserDefaults defaults(freshSettingsPath());
    BXDefaults::registerDefaults(defaults);

    struct Case {
        QString key;
        QVariant value;
    } cases[] = {
        { ShowWelcome, true },
        { NumberPagesWhenPrinting, false },
        { TopBottomPrintMargins, 72.0f },
        { LeftRightPrintMargins, 72.0f },
        { RulerUnits, QStringLiteral("Inches") },
        { ExportFileType, QStringLiteral("public.rtf") },
        { ExportFileEncoding, 4u },
        { ExportAddExtension, true },
        { AlternateRowsInNotesListKey, false },
        { AutoCheckForUpdates, true },
        { SkipUpdateVersion, QStringLiteral("") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        const QVariant value = defaults.objectForKey(c.key);
        EXPECT_EQ(value.metaType(), c.value.metaType());
        EXPECT_EQ(value, c.value);
    }
    EXPECT_TRUE(defaults.boolForKey(AutoCheckForUpdates));
    EXPECT_TRUE(defaults.boolForKey(ExportAddExtension));
    EXPECT_FALSE(defaults.boolForKey(NumberPagesWhenPrinting));
    EXPECT_EQ(defaults.stringForKey(ExportFileType), "public.rtf");
    EXPECT_EQ(defaults.integerForKey(ExportFileEncoding), 4);
    EXPECT_EQ(defaults.floatForKey(TopBottomPrintMargins), 72.0f);
    EXPECT_FALSE(defaults.stringForKey(SkipUpdateVersion).isNull());

    for (const QString& key : { LastUpdatesCheck, Protect, AllowBiometrics, Encodings,
             BXEditorAppearance, smartCopyPaste, smartQuotes, smartLinks, smartDashes,
             checkSpelling, checkGrammar, autoCorrectSpelling, textReplacement, SelectedPane }) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_FALSE(defaults.objectForKey(key).isValid());
    }
    BXDefaults::registerPreferencesDefaults(defaults);
    EXPECT_EQ(defaults.stringForKey(SelectedPane), "GeneralPane");
}

TEST(Defaults, ArchivedDefaultsDecodeToTheSystemFontTextColourAndAirySpacing)
{
    UserDefaults defaults(freshSettingsPath());
    BXDefaults::registerDefaults(defaults);

    const auto font = Archiver::unarchived<QFont>(defaults.dataForKey(DefaultFont), { "NSFont" });
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->pointSizeF(), 13.0);
    EXPECT_FALSE(font->resolveMask() & (QFont::FamilyResolved | QFont::FamiliesResolved));
    EXPECT_FALSE(font->bold());
    EXPECT_FALSE(font->italic());

    const auto color
        = Archiver::unarchived<Color>(defaults.dataForKey(DefaultFontColor), { "NSColor" });
    ASSERT_TRUE(color.has_value());
    EXPECT_EQ(color->name, "textColor");
    EXPECT_EQ(color->rgba, QGuiApplication::palette().color(QPalette::Text));

    const auto style = Archiver::unarchived<ParagraphStyle>(
        defaults.dataForKey(DefaultParagraphStyle), { "NSParagraphStyle" });
    ASSERT_TRUE(style.has_value());
    EXPECT_EQ(style->lineHeightMultiple, 1.3);
    ParagraphStyle expected;
    expected.lineHeightMultiple = 1.3;
    EXPECT_EQ(*style, expected);
}

TEST(Defaults, StoredValuesWinOverRegistrationAtTheNextLaunch)
{
    const QString path = freshSettingsPath();
    const QByteArray boldFont
        = Archiver::archivedData(QVariant::fromValue(QFont("DejaVu Sans", 18, QFont::Bold)));
    {
        UserDefaults defaults(path);
        BXDefaults::registerDefaults(defaults);
        defaults.setString(ExportFileType, QStringLiteral("public.html"));
        defaults.setBool(AutoCheckForUpdates, false);
        defaults.setInteger(ExportFileEncoding, 10);
        defaults.setData(DefaultFont, boldFont);
        defaults.setString(SelectedPane, QStringLiteral("TextPane"));
    }
    // A copy under a new name, so the values come from the file itself.
    const QString copy = freshSettingsPath();
    ASSERT_TRUE(QFile::copy(path, copy));
    UserDefaults nextLaunch(copy);
    BXDefaults::registerDefaults(nextLaunch);
    BXDefaults::registerPreferencesDefaults(nextLaunch);
    EXPECT_EQ(nextLaunch.stringForKey(ExportFileType), "public.html");
    EXPECT_FALSE(nextLaunch.boolForKey(AutoCheckForUpdates));
    EXPECT_EQ(nextLaunch.unsignedIntegerForKey(ExportFileEncoding), 10u);
    EXPECT_EQ(nextLaunch.dataForKey(DefaultFont), boldFont);
    EXPECT_EQ(nextLaunch.stringForKey(SelectedPane), "TextPane");
    EXPECT_TRUE(nextLaunch.boolForKey(ExportAddExtension));
}

TEST(Defaults, StandardSettingsCanBeRegistered)
{
    BXDefaults::registerDefaults();
    BXDefaults::registerPreferencesDefaults();
    EXPECT_EQ(UserDefaults::standard().stringForKey(RulerUnits), "Inches");
    EXPECT_EQ(UserDefaults::standard().stringForKey(SelectedPane), "GeneralPane");
}

TEST(Defaults, NewTextTakesTheDefaultFontColourAndParagraphStyle)
{
    BXDefaults::registerDefaults();
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setData(DefaultFont,
        Archiver::archivedData(QVariant::fromValue(QFont("DejaVu Sans", 18, QFont::Bold))));
    defaults.setData(DefaultFontColor,
        Archiver::archivedData(QVariant::fromValue(Color { QColor(Qt::red), {} })));

    const StringAttributes attributes = BXDocument::defaultStringAttributes();
    EXPECT_EQ(attributes.characters.fontPointSize(), 18);
    EXPECT_EQ(attributes.characters.fontWeight(), QFont::Bold);
    EXPECT_EQ(attributes.characters.foreground().color(), QColor(Qt::red));
    // An empty note is styled by the same attributes.
    const std::unique_ptr<QTextDocument> empty = BXNote::emptyStyle();
    EXPECT_EQ(empty->begin().charFormat().fontPointSize(), 18);
    EXPECT_EQ(empty->begin().blockFormat().lineHeight(), attributes.paragraph.lineHeight());

    // Unreadable values count as absent: the registered font, no colour of its own.
    defaults.setData(DefaultFont, QByteArray("damaged"));
    defaults.setData(DefaultFontColor, QByteArray("damaged"));
    const StringAttributes fallback = BXDocument::defaultStringAttributes();
    EXPECT_NE(fallback.characters.fontPointSize(), 18);
    EXPECT_FALSE(fallback.characters.hasProperty(QTextFormat::ForegroundBrush));
    defaults.removeObject(DefaultFont);
    defaults.removeObject(DefaultFontColor);
}
