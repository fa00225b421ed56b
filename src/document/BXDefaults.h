#pragma once

#include <QString>
#include <QVariantMap>

namespace platform {
class UserDefaults;
}

// The keys of the application's user defaults. Fonts, colours and paragraph styles are stored
// as archives (platform::Archiver, classes "NSFont", "NSColor", "NSParagraphStyle").

// Registered at class initialisation of the document controller, see BXDefaults.
inline const QString ShowWelcome = QStringLiteral("ShowWelcome");
inline const QString NumberPagesWhenPrinting = QStringLiteral("NumberPagesWhenPrinting");
inline const QString TopBottomPrintMargins = QStringLiteral("TopBottomPrintMargins");
inline const QString LeftRightPrintMargins = QStringLiteral("LeftRightPrintMargins");
inline const QString DefaultFont = QStringLiteral("DefaultFont");
inline const QString DefaultFontColor = QStringLiteral("DefaultFontColor");
inline const QString DefaultParagraphStyle = QStringLiteral("DefaultParagraphStyle");
inline const QString RulerUnits = QStringLiteral("RulerUnits");
inline const QString ExportFileType = QStringLiteral("ExportFileType");
inline const QString ExportFileEncoding = QStringLiteral("ExportFileEncoding");
inline const QString ExportAddExtension = QStringLiteral("ExportAddExtension");
inline const QString AlternateRowsInNotesListKey = QStringLiteral("AlternateRowsInNotesListKey");
inline const QString AutoCheckForUpdates = QStringLiteral("AutoCheckForUpdates");
inline const QString SkipUpdateVersion = QStringLiteral("SkipUpdateVersion");

// Registered by the preferences window.
inline const QString SelectedPane = QStringLiteral("SelectedPane");

// Never registered: absent until first written.
inline const QString LastUpdatesCheck = QStringLiteral("LastUpdatesCheck");
// When the last check that got no answer it could read ended; the schedule goes by the good
// ones alone.
inline const QString LastFailedUpdatesCheck = QStringLiteral("LastFailedUpdatesCheck");
// The folder of the last export, where the next export panel starts.
inline const QString LastExportFolder = QStringLiteral("LastExportFolder");
inline const QString Protect = QStringLiteral("Protect");
inline const QString AllowBiometrics = QStringLiteral("AllowBiometrics");
inline const QString Encodings = QStringLiteral("Encodings");
inline const QString BXEditorAppearance = QStringLiteral("BXEditorAppearance");
// The text options of the note text views.
inline const QString smartCopyPaste = QStringLiteral("smartCopyPaste");
inline const QString smartQuotes = QStringLiteral("smartQuotes");
inline const QString smartLinks = QStringLiteral("smartLinks");
inline const QString smartDashes = QStringLiteral("smartDashes");
inline const QString checkSpelling = QStringLiteral("checkSpelling");
inline const QString checkGrammar = QStringLiteral("checkGrammar");
inline const QString autoCorrectSpelling = QStringLiteral("autoCorrectSpelling");
inline const QString textReplacement = QStringLiteral("textReplacement");

// Posted by the preferences window on the default centre. DefaultFontChanged's user info may
// hold the new font under "NSFont" and colour under "NSColor"; RulerUnitsChanged's holds the
// unit name under RulerUnits.
inline const QString DefaultFontChanged = QStringLiteral("DefaultFontChanged");
inline const QString RulerUnitsChanged = QStringLiteral("RulerUnitsChanged");

// Installs the registered defaults. The application registers them once, before anything
// reads a default; tests install them on their own settings. Registration never replaces a
// value the user stored.
class BXDefaults final {
public:
    BXDefaults() = delete;

    // Every registered default of the document controller. A font or paragraph style that
    // fails to archive is logged and left out; the other keys are still there.
    static QVariantMap registrationDictionary();
    static void registerDefaults(platform::UserDefaults& defaults);
    static void registerDefaults();

    // The preferences window's own default: the pane shown first.
    static void registerPreferencesDefaults(platform::UserDefaults& defaults);
    static void registerPreferencesDefaults();
};
