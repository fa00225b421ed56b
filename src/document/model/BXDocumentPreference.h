#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/foundation/Error.h"
#include "platform/predicate/SortDescriptor.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QUrl>

#include <limits>
#include <memory>
#include <optional>

namespace platform {
class ManagedObjectContext;
}

// One setting kept inside a notes file (entity "DocumentPreference"), addressed by a type and
// a name and holding one typed value. The class functions read and write a value by (type,
// name) in the context they are given, on that context's thread; none of them saves it. When
// two records share a type and name, the first one fetched is used.
class BXDocumentPreference : public platform::ManagedObject {
public:
    using PreferencePtr = std::shared_ptr<BXDocumentPreference>;

    // Keys of the address of a preference.
    static inline const QString PrefTypeKey = QStringLiteral("prefType");
    static inline const QString PrefNameKey = QStringLiteral("prefName");
    // Value slots, for setPrefValue() and prefValueForKey().
    static inline const QString PrefStringKey = QStringLiteral("prefString");
    static inline const QString PrefIntegerKey = QStringLiteral("prefInteger");
    static inline const QString PrefBooleanKey = QStringLiteral("prefBoolean");
    static inline const QString PrefPictKey = QStringLiteral("prefPict");
    static inline const QString PrefBlobKey = QStringLiteral("prefBlob");

    // Types, each followed by its names and their defaults when read; a pair without a
    // default reads as empty.
    static inline const QString WindowType = QStringLiteral("Window");
    static inline const QString FrameName = QStringLiteral("Frame");
    static inline const QString ZoomFactorName = QStringLiteral("ZoomFactor"); // percent
    static constexpr qint64 DefaultZoomFactor = 125;
    static inline const QString SubWindowsName = QStringLiteral("SubWindows");

    static inline const QString SidebarType = QStringLiteral("Sidebar");
    static inline const QString ListsCollapsedName = QStringLiteral("ListsCollapsed");
    static constexpr bool DefaultListsCollapsed = false;
    static inline const QString ShowNoCategoryName = QStringLiteral("ShowNoCategory");
    static constexpr bool DefaultShowNoCategory = true;
    // The Recent Notes switch; stored files hold it under this name.
    static inline const QString ShowLastImportName = QStringLiteral("ShowLastImport");
    static constexpr bool DefaultShowLastImport = true;
    static inline const QString NotesColumnsName = QStringLiteral("NotesColumns");
    static inline const QString ShowNoteCreatedColumnName = QStringLiteral("ShowNoteCreatedColumn");
    static constexpr bool DefaultShowNoteCreatedColumn = false;
    static inline const QString ShowNoteModifiedColumnName
        = QStringLiteral("ShowNoteModifiedColumn");
    static constexpr bool DefaultShowNoteModifiedColumn = false;
    static inline const QString NotesSortDescriptorsName = QStringLiteral("NotesSortDescriptors");

    static inline const QString SplitterType = QStringLiteral("Splitter");
    static inline const QString CategoriesFrameName = QStringLiteral("CategoriesFrame");
    static inline const QString NotesFrameName = QStringLiteral("NotesFrame");
    static inline const QString NoteTextFrameName = QStringLiteral("NoteTextFrame");
    static inline const QString TagsBarVisibleName = QStringLiteral("TagsBarVisible");
    static constexpr bool DefaultTagsBarVisible = true;

    static inline const QString NotesType = QStringLiteral("Notes");
    static inline const QString RulerVisibleName = QStringLiteral("RulerVisible");
    // When the window loads its state; a freshly set-up text view starts without a ruler.
    static constexpr bool DefaultRulerVisible = true;
    static inline const QString CategoriesName = QStringLiteral("Categories");
    static inline const QString ListName = QStringLiteral("List");

    static inline const QString FindType = QStringLiteral("Find");
    static inline const QString SearchModeName = QStringLiteral("SearchMode");
    static constexpr qint64 DefaultSearchMode = 1; // 1 words, 2 regular expression
    static inline const QString SearchStyleName = QStringLiteral("SearchStyle");
    static inline const QString SearchStringName = QStringLiteral("SearchString");
    static inline const QString DefaultSearchString = QStringLiteral("");
    static inline const QString SearchScopeName = QStringLiteral("SearchScope");
    static constexpr qint64 DefaultSearchScope = 0; // 1 all notes, 0 the selected categories

    static inline const QString SecurityType = QStringLiteral("Security");
    static inline const QString RequirePasswordName = QStringLiteral("RequirePassword");
    static constexpr bool DefaultRequirePassword = false;
    static inline const QString PasswordName = QStringLiteral("Password");

    // By title (localised, case-insensitive), then creation, then modification, ascending.
    static QList<platform::SortDescriptor> defaultNotesSortDescriptors();

    // One open note window, as kept under "Window"/"SubWindows".
    struct NoteWindowRecord {
        static constexpr quint64 NotFound = quint64(std::numeric_limits<qint64>::max());
        QUrl noteID; // the note's object-ID URI
        QString windowFrame;
        quint64 windowOrder = NotFound; // 0 = frontmost
        bool windowMinimized = false;
        double zoomFactor = 1.0;
        bool operator==(const NoteWindowRecord&) const = default;
    };
    static QByteArray archivedNoteWindows(
        const QList<NoteWindowRecord>& windows, platform::Error* error = nullptr);
    // Accepts only arrays, dictionaries, URLs, strings and numbers; nullopt for anything else
    // or damaged data. Entries without a note URL are left out.
    static std::optional<QList<NoteWindowRecord>> noteWindowsFromArchive(
        const QByteArray& data, platform::Error* error = nullptr);

    static QString entityName();

    // The record for (type, name): the first one when several match; a new one when none
    // does and `createIfNeeded`; else, and on a fetch error (logged), nullptr.
    static PreferencePtr fetchPrefForType(const QString& type, const QString& name,
        bool createIfNeeded, platform::ManagedObjectContext* context);
    static void setPrefValue(const QVariant& value, const QString& key, const QString& type,
        const QString& name, platform::ManagedObjectContext* context);
    // The slot's value, or `defaultValue` when there is no record or the slot is empty.
    static QVariant prefValueForKey(const QString& key, const QString& type, const QString& name,
        const QVariant& defaultValue, platform::ManagedObjectContext* context);

    // A null string is stored as "".
    static void setPrefString(const QString& value, const QString& type, const QString& name,
        platform::ManagedObjectContext* context);
    static QString prefStringForType(const QString& type, const QString& name,
        const QString& defaultValue, platform::ManagedObjectContext* context);
    static void setPrefInteger(qint64 value, const QString& type, const QString& name,
        platform::ManagedObjectContext* context);
    static qint64 prefIntegerForType(const QString& type, const QString& name, qint64 defaultValue,
        platform::ManagedObjectContext* context);
    static void setPrefBoolean(bool value, const QString& type, const QString& name,
        platform::ManagedObjectContext* context);
    static bool prefBooleanForType(const QString& type, const QString& name, bool defaultValue,
        platform::ManagedObjectContext* context);
    // Stored as TIFF data.
    static void setPrefPict(const QImage& image, const QString& type, const QString& name,
        platform::ManagedObjectContext* context);
    // The default when there is no data or it does not decode.
    static QImage prefPictForType(const QString& type, const QString& name,
        const QImage& defaultValue, platform::ManagedObjectContext* context);
    static void setPrefBlob(const QByteArray& data, const QString& type, const QString& name,
        platform::ManagedObjectContext* context);
    static QByteArray prefBlobForType(const QString& type, const QString& name,
        const QByteArray& defaultValue, platform::ManagedObjectContext* context);
};
