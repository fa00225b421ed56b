#include "NotesStoreTest.h"
#include "document/model/BXDataModel.h"
#include "document/model/BXDocumentPreference.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/Archiver.h"

#include <gtest/gtest.h>

#include <QColor>

#include <functional>

using platform::ManagedObjectContext;
using Pref = BXDocumentPreference;

namespace {

class DocumentPreferenceTest : public NotesStoreTest {
protected:
    qsizetype records()
    {
        return context->countForFetchRequest(platform::FetchRequest(Pref::entityName()), nullptr);
    }
};

QImage sampleImage()
{
    QImage image(5, 3, QImage::Format_ARGB32);
    image.fill(QColor(10, 120, 200));
    image.setPixel(4, 2, qRgba(255, 0, 0, 255));
    return image;
}

TEST_F(DocumentPreferenceTest, EveryKindSurvivesSaveAndReopen)
{
    const QByteArray windows = Pref::archivedNoteWindows(
        { { QUrl("x-coredata://A/Note/p3"), "10 20 300 400 0 0 1440 900", 0, false, 1.5 } });
    ASSERT_FALSE(windows.isEmpty());

    struct Case {
        const char* name;
        std::function<void(ManagedObjectContext*)> write;
        std::function<void(ManagedObjectContext*)> check;
    };
    const Case cases[] = {
        { "string",
            [](auto* c) {
                Pref::setPrefString("needle", Pref::FindType, Pref::SearchStringName, c);
            },
            [](auto* c) {
                EXPECT_EQ(Pref::prefStringForType(
                              Pref::FindType, Pref::SearchStringName, Pref::DefaultSearchString, c),
                    "needle");
            } },
        { "null string reads back empty",
            [](auto* c) { Pref::setPrefString({}, Pref::WindowType, Pref::FrameName, c); },
            [](auto* c) {
                const QString frame
                    = Pref::prefStringForType(Pref::WindowType, Pref::FrameName, "default", c);
                EXPECT_TRUE(frame.isEmpty());
                EXPECT_FALSE(frame.isNull());
            } },
        { "integer",
            [](auto* c) { Pref::setPrefInteger(-250, Pref::WindowType, Pref::ZoomFactorName, c); },
            [](auto* c) {
                EXPECT_EQ(Pref::prefIntegerForType(
                              Pref::WindowType, Pref::ZoomFactorName, Pref::DefaultZoomFactor, c),
                    -250);
            } },
        { "Recent Notes switch off",
            [](auto* c) {
                Pref::setPrefBoolean(false, Pref::SidebarType, Pref::ShowLastImportName, c);
            },
            [](auto* c) {
                EXPECT_FALSE(Pref::prefBooleanForType(
                    Pref::SidebarType, Pref::ShowLastImportName, Pref::DefaultShowLastImport, c));
            } },
        { "Boolean on",
            [](auto* c) {
                Pref::setPrefBoolean(true, Pref::SidebarType, Pref::ListsCollapsedName, c);
            },
            [](auto* c) {
                EXPECT_TRUE(Pref::prefBooleanForType(
                    Pref::SidebarType, Pref::ListsCollapsedName, Pref::DefaultListsCollapsed, c));
            } },
        { "picture", [](auto* c) { Pref::setPrefPict(sampleImage(), "Window", "Picture", c); },
            [](auto* c) {
                const QImage image = Pref::prefPictForType("Window", "Picture", {}, c);
                ASSERT_EQ(image.size(), QSize(5, 3));
                EXPECT_EQ(image.pixel(0, 0), sampleImage().pixel(0, 0));
                EXPECT_EQ(image.pixel(4, 2), sampleImage().pixel(4, 2));
            } },
        { "blob",
            [&](auto* c) { Pref::setPrefBlob(windows, Pref::WindowType, Pref::SubWindowsName, c); },
            [&](auto* c) {
                EXPECT_EQ(
                    Pref::prefBlobForType(Pref::WindowType, Pref::SubWindowsName, {}, c), windows);
            } },
    };
    for (const Case& c : cases)
        c.write(context.get());
    saveAndReopen();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.check(context.get());
    }
    EXPECT_EQ(records(), qsizetype(std::size(cases)));
}

TEST_F(DocumentPreferenceTest, MissingRecordsGiveTheirDefaultsAndCreateNothing)
{
    // A record of another name must not answer for these.
    Pref::setPrefBoolean(false, Pref::SidebarType, "showRecentNotesCategory", context.get());
    saveAndReopen();
    auto* c = context.get();
    struct Case {
        QString type;
        QString name;
        QVariant value;
        QVariant expected;
    };
    const Case cases[] = {
        { Pref::WindowType, Pref::ZoomFactorName,
            Pref::prefIntegerForType(
                Pref::WindowType, Pref::ZoomFactorName, Pref::DefaultZoomFactor, c),
            125 },
        { Pref::SidebarType, Pref::ShowNoCategoryName,
            Pref::prefBooleanForType(
                Pref::SidebarType, Pref::ShowNoCategoryName, Pref::DefaultShowNoCategory, c),
            true },
        { Pref::SidebarType, Pref::ShowLastImportName,
            Pref::prefBooleanForType(
                Pref::SidebarType, Pref::ShowLastImportName, Pref::DefaultShowLastImport, c),
            true },
        { Pref::SplitterType, Pref::TagsBarVisibleName,
            Pref::prefBooleanForType(
                Pref::SplitterType, Pref::TagsBarVisibleName, Pref::DefaultTagsBarVisible, c),
            true },
        { Pref::FindType, Pref::SearchModeName,
            Pref::prefIntegerForType(
                Pref::FindType, Pref::SearchModeName, Pref::DefaultSearchMode, c),
            1 },
        { Pref::FindType, Pref::SearchStringName,
            Pref::prefStringForType(
                Pref::FindType, Pref::SearchStringName, Pref::DefaultSearchString, c),
            QString("") },
        { Pref::SecurityType, Pref::PasswordName,
            Pref::prefStringForType(Pref::SecurityType, Pref::PasswordName, {}, c), QString() },
        { Pref::NotesType, Pref::ListName,
            Pref::prefBlobForType(Pref::NotesType, Pref::ListName, {}, c), QByteArray() },
        { "Window", "Picture", Pref::prefPictForType("Window", "Picture", sampleImage(), c).size(),
            QSize(5, 3) },
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE((entry.type + "/" + entry.name).toStdString());
        EXPECT_EQ(entry.value, entry.expected);
        EXPECT_FALSE(Pref::fetchPrefForType(entry.type, entry.name, false, c));
    }
    EXPECT_EQ(records(), 1);
}

TEST_F(DocumentPreferenceTest, EmptySlotsAndUndecodablePicturesGiveDefaults)
{
    Pref::setPrefString("text", Pref::FindType, Pref::SearchModeName, context.get());
    Pref::setPrefValue(
        QByteArray("not a TIFF"), Pref::PrefPictKey, "Window", "Picture", context.get());
    saveAndReopen();
    EXPECT_EQ(Pref::prefIntegerForType(Pref::FindType, Pref::SearchModeName, 7, context.get()), 7);
    EXPECT_TRUE(
        Pref::prefBooleanForType(Pref::FindType, Pref::SearchModeName, true, context.get()));
    EXPECT_EQ(Pref::prefPictForType("Window", "Picture", sampleImage(), context.get()).size(),
        QSize(5, 3));
}

TEST_F(DocumentPreferenceTest, WritingTwiceUpdatesOneRecord)
{
    Pref::setPrefInteger(1, Pref::FindType, Pref::SearchScopeName, context.get());
    saveAndReopen();
    Pref::setPrefInteger(0, Pref::FindType, Pref::SearchScopeName, context.get());
    Pref::setPrefInteger(1, Pref::FindType, Pref::SearchScopeName, context.get());
    saveAndReopen();
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(Pref::prefIntegerForType(
                  Pref::FindType, Pref::SearchScopeName, Pref::DefaultSearchScope, context.get()),
        1);
}

TEST_F(DocumentPreferenceTest, DuplicateRecordsReadAndWriteTheFirst)
{
    // A store written elsewhere may hold one pair twice.
    for (const char* value : { "first", "second" }) {
        platform::ManagedObjectPtr record
            = context->insertNewObjectForEntityForName(Pref::entityName());
        record->setValue(Pref::SecurityType, "prefType");
        record->setValue(Pref::PasswordName, "prefName");
        record->setValue(QString(value), Pref::PrefStringKey);
        ASSERT_TRUE(context->save(nullptr));
    }
    open();
    EXPECT_EQ(Pref::prefStringForType(Pref::SecurityType, Pref::PasswordName, {}, context.get()),
        "first");
    Pref::setPrefString("third", Pref::SecurityType, Pref::PasswordName, context.get());
    saveAndReopen();
    EXPECT_EQ(records(), 2);
    EXPECT_EQ(Pref::prefStringForType(Pref::SecurityType, Pref::PasswordName, {}, context.get()),
        "third");
}

TEST_F(DocumentPreferenceTest, NoteWindowsRoundTripAndRefuseOtherClasses)
{
    const QList<Pref::NoteWindowRecord> windows {
        { QUrl("x-coredata://S/Note/p1"), "0 0 500 400 0 0 1440 900", 1, true, 1.25 },
        { QUrl("x-coredata://S/Note/p2"), "", Pref::NoteWindowRecord::NotFound, false, 1.0 },
    };
    EXPECT_EQ(Pref::noteWindowsFromArchive(Pref::archivedNoteWindows(windows)), windows);

    struct Case {
        const char* name;
        QByteArray data;
    };
    const QVariantMap withDate { { "noteID", QUrl("x-coredata://S/Note/p1") },
        { "windowFrame", QDateTime::currentDateTime() } };
    const Case refused[] = {
        { "a date inside", platform::Archiver::archivedData(QVariantList { withDate }) },
        { "data inside", platform::Archiver::archivedData(QVariantList { QByteArray("x") }) },
        { "root not a list", platform::Archiver::archivedData(QStringLiteral("windows")) },
        { "damaged", Pref::archivedNoteWindows(windows).chopped(3) },
        { "empty", QByteArray() },
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        platform::Error error;
        EXPECT_FALSE(Pref::noteWindowsFromArchive(c.data, &error));
        EXPECT_FALSE(error.isNull());
    }

    // Entries without a note to reopen are left out.
    const QVariantList mixed { QVariantMap { { "windowFrame", QStringLiteral("f") } },
        QVariantMap { { "noteID", QUrl("x-coredata://S/Note/p9") } } };
    const auto read = Pref::noteWindowsFromArchive(platform::Archiver::archivedData(mixed));
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 1);
    EXPECT_EQ(read->first().noteID, QUrl("x-coredata://S/Note/p9"));
    EXPECT_EQ(read->first().windowOrder, Pref::NoteWindowRecord::NotFound);
    EXPECT_EQ(read->first().zoomFactor, 1.0);
}

// A flag stored where a number belongs (or the other way round) is not taken for one: the
// record keeps its default there.
TEST_F(DocumentPreferenceTest, NoteWindowValuesOfTheWrongKindKeepTheirDefaults)
{
    const QUrl note("x-coredata://S/Note/p1");
    const auto readBack = [&](const char* key, const QVariant& value) {
        const QVariantList list { QVariantMap { { "noteID", note }, { key, value } } };
        const auto read = Pref::noteWindowsFromArchive(platform::Archiver::archivedData(list));
        EXPECT_TRUE(read && read->size() == 1);
        return read && !read->isEmpty() ? read->first() : Pref::NoteWindowRecord();
    };
    EXPECT_EQ(readBack("windowOrder", true).windowOrder, Pref::NoteWindowRecord::NotFound);
    EXPECT_EQ(readBack("windowOrder", 3).windowOrder, 3u);
    EXPECT_EQ(readBack("zoomFactor", true).zoomFactor, 1.0);
    EXPECT_EQ(readBack("zoomFactor", 2).zoomFactor, 2.0);
    EXPECT_FALSE(readBack("windowMinimized", 1).windowMinimized);
    EXPECT_FALSE(readBack("windowMinimized", 1.0).windowMinimized);
    EXPECT_TRUE(readBack("windowMinimized", true).windowMinimized);
}

} // namespace
