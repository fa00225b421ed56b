#include "NotesStoreTest.h"
#include "document/model/BXCategory.h"
#include "document/model/BXDataModel.h"
#include "document/BXDefaults.h"
#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXNote.h"
#include "document/transformers/ValueTransformerRegistration.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <QTimeZone>

#include <ctime>

using platform::FetchRequest;
using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;
using platform::Predicate;

namespace {

using CategoryPtr = std::shared_ptr<BXCategory>;
using SmartPtr = std::shared_ptr<BXFetchedNotesCategory>;

// Sets the process's time zone for one test and puts the previous one back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
        : m_had(qEnvironmentVariableIsSet("TZ")), m_previous(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_had)
            qputenv("TZ", m_previous);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    QByteArray m_previous;
};

class CategoryTest : public NotesStoreTest {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        registerNamedValueTransformers();
        NotesStoreTest::SetUp();
    }

    ManagedObjectPtr addNote(const QString& name, const QDateTime& modified,
        const QList<ManagedObjectPtr>& categories = {})
    {
        BXNote::NotePtr note
            = BXNote::newNoteInManagedObjectContext(context.get(), name, categories);
        note->setValue(modified, QStringLiteral("noteModified"));
        return note;
    }

    CategoryPtr plain(const QString& name, const QString& identifier = {})
    {
        auto category = std::dynamic_pointer_cast<BXCategory>(
            context->insertNewObjectForEntityForName(BXCategory::entityName()));
        category->setCategoryName(name);
        category->setCategoryID(identifier);
        return category;
    }

    SmartPtr smart(const QString& identifier, const QString& format = {},
        const QString& name = QStringLiteral("Stored name"))
    {
        auto category = std::dynamic_pointer_cast<BXFetchedNotesCategory>(
            context->insertNewObjectForEntityForName(BXFetchedNotesCategory::entityName()));
        category->setCategoryID(identifier);
        category->setCategoryName(name);
        if (!format.isEmpty())
            category->setPredicate(Predicate::predicateWithFormat(format));
        return category;
    }

    // The smart categories as the categories controller stores them.
    SmartPtr recentNotes()
    {
        return smart(
            BXCategory::RecentNotesCategoryID, QStringLiteral("noteModified >= $dateBeforeNow"));
    }
    SmartPtr noCategory()
    {
        return smart(BXCategory::NoCategoryID,
            QStringLiteral("SUBQUERY(categories, $var, $var.categoryID = nil).@count = 0"));
    }

    // A category fetched again from the reopened store.
    SmartPtr reload(const QString& identifier)
    {
        FetchRequest request(BXFetchedNotesCategory::entityName());
        request.setPredicate(
            Predicate::predicateWithFormat(QStringLiteral("categoryID = %@"), { identifier }));
        auto found = context->fetchObjects(request, nullptr);
        if (!found || found->isEmpty())
            return nullptr;
        return std::dynamic_pointer_cast<BXFetchedNotesCategory>(found->first());
    }

    // Sorted and joined, so that a failure prints readable names.
    static std::string joined(QStringList names)
    {
        names.sort();
        return names.join(", ").toStdString();
    }
    static std::string names(const QList<ManagedObjectPtr>& notes)
    {
        QStringList result;
        for (const ManagedObjectPtr& note : notes)
            result << note->valueForKey(QStringLiteral("noteName")).toString();
        return joined(result);
    }
};

TEST_F(CategoryTest, RecentNotesCountTenCalendarDaysBackFromTheNewestNote)
{
    const QDateTime yearAgo = QDateTime::currentDateTime().addYears(-1);
    addNote("newest", yearAgo);
    addNote("three days before", yearAgo.addDays(-3));
    addNote("exactly ten days before", yearAgo.addDays(-10));
    addNote("a minute too old", yearAgo.addDays(-10).addSecs(-60));
    addNote("a month before", yearAgo.addMonths(-1));
    recentNotes();
    saveAndReopen();

    EXPECT_EQ(names(reload(BXCategory::RecentNotesCategoryID)->fetchedNotes()),
        joined({ "exactly ten days before", "newest", "three days before" }));
}

TEST_F(CategoryTest, RecentNotesWithoutNotesUseNowAndHoldNothing)
{
    SmartPtr recent = recentNotes();
    EXPECT_TRUE(recent->fetchedNotes().isEmpty());
    saveAndReopen();
    EXPECT_TRUE(reload(BXCategory::RecentNotesCategoryID)->fetchedNotes().isEmpty());

    // The first note, just written, is recent by the newest-note rule.
    addNote("fresh", QDateTime::currentDateTime());
    EXPECT_EQ(
        names(reload(BXCategory::RecentNotesCategoryID)->fetchedNotes()), joined({ "fresh" }));
}

TEST_F(CategoryTest, RecentNotesCutOffKeepsTheWallClockTimeAcrossDaylightSaving)
{
    ScopedTimeZone zone("Europe/Berlin");
    struct Case {
        const char* name;
        QDateTime newest;
        QStringList recent;
    };
    // Berlin changes to summer time on 29 March 2026 and back on 25 October 2026; ten days of
    // 24 hours would put the cut-off an hour off the calendar's.
    const Case cases[] = {
        { "into summer time", QDateTime(QDate(2026, 3, 30), QTime(12, 0)),
            { "at noon", "newest" } },
        { "back to winter time", QDateTime(QDate(2026, 10, 30), QTime(12, 0)),
            { "at noon", "newest" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        const QDateTime dayTen = c.newest.addDays(-10);
        ASSERT_EQ(dayTen.time(), QTime(12, 0));
        ASSERT_NE(dayTen.offsetFromUtc(), c.newest.offsetFromUtc());
        addNote("newest", c.newest);
        addNote("at noon", dayTen);
        addNote("half an hour before", dayTen.addSecs(-30 * 60));
        addNote("an hour and a half before", dayTen.addSecs(-90 * 60));
        recentNotes();
        saveAndReopen();
        EXPECT_EQ(
            names(reload(BXCategory::RecentNotesCategoryID)->fetchedNotes()), joined(c.recent));
    }
}

TEST_F(CategoryTest, SmartCategoriesSelectTheirNotes)
{
    const QDateTime now = QDateTime::currentDateTime();
    CategoryPtr work = plain("Work");
    SmartPtr recent = recentNotes();
    addNote("tagged", now, { work });
    addNote("untagged", now);
    addNote("only in a smart category", now, { recent });
    addNote("old and untagged", now.addDays(-40));
    smart(BXCategory::AllNotesCategoryID);
    noCategory();
    saveAndReopen();

    struct Case {
        QString identifier;
        QStringList notes;
    };
    const Case cases[] = {
        { BXCategory::AllNotesCategoryID,
            { "old and untagged", "only in a smart category", "tagged", "untagged" } },
        { BXCategory::RecentNotesCategoryID, { "only in a smart category", "tagged", "untagged" } },
        { BXCategory::NoCategoryID,
            { "old and untagged", "only in a smart category", "untagged" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifier.toStdString());
        SmartPtr category = reload(c.identifier);
        ASSERT_TRUE(category);
        EXPECT_EQ(names(category->fetchedNotes()), joined(c.notes));
        EXPECT_EQ(names(category->notes()), joined(c.notes));
        EXPECT_EQ(category->valueForKey(QStringLiteral("notes")).toList().size(), c.notes.size());
    }
}

TEST_F(CategoryTest, StoredPredicateThatDoesNotDecodeGivesNoNotes)
{
    addNote("a note", QDateTime::currentDateTime());
    SmartPtr damaged = smart(BXCategory::NoCategoryID);
    damaged->setValue(QByteArray("not an archive"), QStringLiteral("predicate"));
    SmartPtr custom = smart(QStringLiteral("Saved search"));
    custom->setValue(QByteArray("\x00\x01", 2), QStringLiteral("predicate"));
    saveAndReopen();

    for (const QString& identifier : { BXCategory::NoCategoryID, QStringLiteral("Saved search") }) {
        SCOPED_TRACE(identifier.toStdString());
        platform::LogCapture log;
        SmartPtr category = reload(identifier);
        ASSERT_TRUE(category);
        EXPECT_FALSE(category->predicate());
        EXPECT_TRUE(category->fetchedNotes().isEmpty());
        EXPECT_FALSE(log.lines().isEmpty());
    }
}

TEST_F(CategoryTest, ClassificationNamesAndIcons)
{
    const QIcon tagIcon = plain("Any")->categoryIcon();
    const QIcon allIcon = smart(BXCategory::AllNotesCategoryID)->categoryIcon();
    const QIcon recentIcon = smart(BXCategory::RecentNotesCategoryID)->categoryIcon();
    const QIcon noneIcon = smart(BXCategory::NoCategoryID)->categoryIcon();
    for (const QIcon& icon : { tagIcon, allIcon, recentIcon, noneIcon })
        EXPECT_FALSE(icon.pixmap(16, 16).isNull());
    EXPECT_EQ(QSet<qint64>({ tagIcon.cacheKey(), allIcon.cacheKey(), recentIcon.cacheKey(),
                               noneIcon.cacheKey() })
                  .size(),
        4);

    struct Case {
        const char* name;
        CategoryPtr category;
        QString identifier;
        bool builtIn;
        bool plainCategory;
        QString shownName;
        const QIcon& icon;
    };
    const Case cases[] = {
        { "user category", plain("Work"), "Category", false, true, "Work", tagIcon },
        { "plain with a built-in identifier", plain("Odd", BXCategory::NoCategoryID), "NoCategory",
            true, true, "Odd", noneIcon },
        { "old default category", plain("Misc", BXCategory::DefaultCategoryID), "DefaultCategory",
            false, true, "Misc", tagIcon },
        { "All Notes", smart(BXCategory::AllNotesCategoryID), "AllNotesCategory", true, false,
            "All Notes", allIcon },
        { "Recent Notes", smart(BXCategory::RecentNotesCategoryID), "RecentNotesCategory", true,
            false, "Recent Notes", recentIcon },
        { "No Category", smart(BXCategory::NoCategoryID), "NoCategory", true, false, "No Category",
            noneIcon },
        { "smart, identifier not built in", smart("Saved search", {}, "Mine"), "Saved search",
            false, false, "Mine", tagIcon },
        { "smart without identifier", smart({}, {}, "Nameless"), "Category", false, false,
            "Nameless", tagIcon },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BXCategory& category = *c.category;
        EXPECT_EQ(category.identifier(), c.identifier);
        EXPECT_EQ(category.isBuiltInCategory(), c.builtIn);
        EXPECT_EQ(category.isUserCategory(), !c.builtIn);
        EXPECT_EQ(category.isEditable(), !c.builtIn);
        EXPECT_EQ(category.isPlainCategory(), c.plainCategory);
        EXPECT_EQ(category.isFetchedNotesCategory(), !c.plainCategory);
        EXPECT_EQ(category.categoryName(), c.shownName);
        EXPECT_EQ(category.valueForKey("categoryName").toString(), c.shownName);
        EXPECT_EQ(category.valueForKey("identifier").toString(), c.identifier);
        EXPECT_EQ(category.categoryIcon().cacheKey(), c.icon.cacheKey());
    }
    EXPECT_EQ(BXCategory::builtInCategoryIdentifiers(),
        QStringList({ "AllNotesCategory", "RecentNotesCategory", "NoCategory" }));
}

TEST_F(CategoryTest, TagsPredicateAndSortingReadTheDerivedKeys)
{
    plain("Work");
    plain("Home");
    smart(BXCategory::AllNotesCategoryID);
    smart(QStringLiteral("Saved search"));
    saveAndReopen();

    FetchRequest request(BXCategory::entityName());
    request.setPredicate(Predicate::predicateWithFormat(QStringLiteral("isPlainCategory = TRUE")));
    request.setSortDescriptors({ platform::SortDescriptor(QStringLiteral("identifier")),
        platform::SortDescriptor(QStringLiteral("categoryName")) });
    auto tags = context->fetchObjects(request, nullptr);
    ASSERT_TRUE(tags);
    QStringList tagNames;
    for (const ManagedObjectPtr& tag : *tags)
        tagNames << tag->valueForKey("categoryName").toString();
    EXPECT_EQ(tagNames, QStringList({ "Home", "Work" }));

    request.setPredicate(Predicate::predicateWithFormat(
        QStringLiteral("identifier IN %@"), { BXCategory::builtInCategoryIdentifiers() }));
    auto builtIns = context->fetchObjects(request, nullptr);
    ASSERT_TRUE(builtIns);
    ASSERT_EQ(builtIns->size(), 1);
    EXPECT_EQ(builtIns->first()->valueForKey("categoryID").toString(), "AllNotesCategory");
}

TEST_F(CategoryTest, RefreshReadsSavedChangesAndIgnoresReentry)
{
    CategoryPtr unsaved = plain("Draft");
    unsaved->refresh();
    EXPECT_FALSE(unsaved->isRefreshing());
    saveAndReopen();

    FetchRequest request(BXCategory::entityName());
    CategoryPtr category
        = std::dynamic_pointer_cast<BXCategory>(context->fetchObjects(request, nullptr)->first());
    ASSERT_EQ(category->categoryName(), "Draft");

    // Another context renames it and saves.
    ManagedObjectContext other;
    other.setPersistentStoreCoordinator(context->persistentStoreCoordinator());
    other.fetchObjects(request, nullptr)
        ->first()
        ->setValue(QStringLiteral("Final"), QStringLiteral("categoryName"));
    ASSERT_TRUE(other.save(nullptr));

    bool sawRefreshing = false;
    bool stillRefreshing = false;
    QObject::connect(category.get(), &platform::ManagedObject::valueChanged, category.get(),
        [&](const QString&) {
            sawRefreshing = category->isRefreshing();
            category->refresh();
            stillRefreshing = category->isRefreshing();
        });
    category->refresh();
    EXPECT_EQ(category->categoryName(), "Final");
    EXPECT_TRUE(sawRefreshing);
    EXPECT_TRUE(stillRefreshing);
    EXPECT_FALSE(category->isRefreshing());
}

} // namespace
