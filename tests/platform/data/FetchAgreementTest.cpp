#include "NotesModel.h"
#include "SqlProbe.h"

#include <gtest/gtest.h>

#include <QDateTime>

using namespace platform;
using namespace datatest;

namespace {

struct NoteData {
    const char* text; // nullptr: nil
    QVariant label;
    QVariant trash;
    int day;
};

const NoteData kNotes[] = {
    { "A plain note", 1, false, 1 },
    { "Café Crème at the corner", 5, true, 2 },
    { "CAFE CREME IN CAPITALS", QVariant(), QVariant(), 3 },
    { "Die Straße ist lang", 3, false, 4 },
    { "STRASSE", 7, false, 5 },
    { "", 2, QVariant(), 6 },
    { nullptr, 9, true, 7 },
    { "plain", -1, false, 8 },
    { "Ελληνικά και café", 4, true, 9 },
    // Text that is folded before it is compared: a long plain stretch with scripts, accents,
    // composed and decomposed forms, a Turkish dotted capital, a final sigma and emoji.
    { "Notes from İstanbul and ΟΔΟΣ ΚΑΛΟΣ, then a long plain stretch of ASCII words that "
      "runs on, with naïve cafe\u0301 Grüße, Ёлка, 東京 データ and 😀 🍰 at the end",
        6, false, 10 },
    { "ıstanbul οδός καλός STRASSE Ölçü", 8, false, 11 },
    { "😀", 1, true, 12 },
};

QSet<ManagedObject*> asSet(const QList<ManagedObjectPtr>& objects)
{
    QSet<ManagedObject*> set;
    for (const ManagedObjectPtr& object : objects)
        set.insert(object.get());
    return set;
}

// What evaluating `predicate` on each of `objects` in memory accepts; the fetch of notes with it
// must give the same.
QList<ManagedObjectPtr> expectFetchAgrees(ManagedObjectContext& context,
    const QList<ManagedObjectPtr>& objects, const PredicateRef& predicate)
{
    QList<ManagedObjectPtr> expected;
    for (const ManagedObjectPtr& object : objects) {
        if (predicate->evaluateWithObject(KeyValueRef(object)))
            expected << object;
    }
    FetchRequest request(QStringLiteral("Note"));
    request.setPredicate(predicate);
    Error error;
    const std::optional<QList<ManagedObjectPtr>> fetched = context.fetchObjects(request, &error);
    EXPECT_TRUE(fetched) << qPrintable(error.toString());
    if (fetched) {
        EXPECT_EQ(asSet(*fetched), asSet(expected));
        EXPECT_EQ(fetched->size(), expected.size());
    }
    return expected;
}

} // namespace

// A fetch decides what it can in SQL; the result must be what evaluating the predicate on
// every object gives, saved values and unsaved ones alike.
TEST(FetchAgreement, SqlFilteredFetchesMatchEvaluationInMemory)
{
    const QString path = storePath();
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    const QDateTime base = QDateTime::fromSecsSinceEpoch(1750000000, Qt::UTC);
    {
        ManagedObjectContext writer;
        writer.setPersistentStoreCoordinator(coordinator);
        for (const NoteData& data : kNotes) {
            ManagedObjectPtr note = writer.insertNewObjectForEntityForName(QStringLiteral("Note"));
            if (data.text)
                note->setValue(QString::fromUtf8(data.text), QStringLiteral("noteText"));
            note->setValue(data.label, QStringLiteral("label"));
            note->setValue(data.trash, QStringLiteral("trashFlag"));
            note->setValue(base.addDays(data.day), QStringLiteral("noteCreated"));
        }
        ASSERT_TRUE(writer.save(nullptr));
    }

    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    const QList<ManagedObjectPtr> all
        = context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr).value();
    ASSERT_EQ(all.size(), int(std::size(kNotes)));
    // Unsaved changes and an unsaved insert the SQL rows know nothing of.
    all[0]->setValue(QStringLiteral("now a café"), QStringLiteral("noteText"));
    all[4]->setValue(QVariant(), QStringLiteral("noteText"));
    all[7]->setValue(10, QStringLiteral("label"));
    ManagedObjectPtr added = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    added->setValue(QStringLiteral("Fresh CAFÉ"), QStringLiteral("noteText"));
    const QList<ManagedObjectPtr> everything = all + QList<ManagedObjectPtr> { added };

    const struct {
        const char* format;
        QVariantList args;
    } cases[] = {
        { "noteText CONTAINS[cd] 'cafe'", {} },
        { "noteText CONTAINS[c] 'CAFÉ'", {} },
        { "noteText CONTAINS 'Caf'", {} },
        { "noteText CONTAINS[d] 'creme'", {} },
        { "noteText CONTAINS[cd] 'strasse'", {} },
        { "noteText CONTAINS[c] 'ß'", {} },
        { "noteText CONTAINS[cd] ''", {} },
        { "noteText BEGINSWITH[c] 'str'", {} },
        { "noteText ENDSWITH[cd] 'CORNER'", {} },
        { "noteText == 'plain'", {} },
        { "noteText ==[c] 'PLAIN'", {} },
        { "noteText != 'plain'", {} },
        { "noteText = nil", {} },
        { "noteText != nil", {} },
        { "noteText LIKE[c] '*caf?*'", {} },
        { "noteText MATCHES '.*Cr.me.*'", {} },
        { "noteText IN {'plain', 'STRASSE'}", {} },
        { "NOT (noteText CONTAINS 'a')", {} },
        { "label > 3", {} },
        { "label <= 3", {} },
        { "label IN {1, 5, 10}", {} },
        { "trashFlag == NO", {} },
        { "trashFlag = nil", {} },
        { "trashFlag == YES OR label < 0", {} },
        { "noteCreated < %@", { base.addDays(4) } },
        { "noteCreated == %@", { base.addDays(3) } },
        { "noteCreated != %@", { base.addDays(3) } },
        { "noteCreated <= %@", { base.addDays(3).toLocalTime() } },
        { "noteCreated > %@", { base.addDays(3).addMSecs(1) } },
        { "noteCreated >= %@ AND noteText CONTAINS[cd] 'e'", { base.addDays(3) } },
        { "(label > 1 AND noteText CONTAINS[cd] 'e') OR self IN %@",
            { QVariantList { QVariant::fromValue(KeyValueRef(all[5])),
                QVariant::fromValue(KeyValueRef(added)) } } },
        { "trashFlag = NO AND (noteText CONTAINS[cd] 'a' OR ANY categories.categoryName = 'x')",
            {} },
        // The part SQL gives up on must not leave its values bound for the next part.
        { "(label > 1 OR ANY categories.categoryName = 'x') AND noteText CONTAINS[c] 'e'", {} },
        { "(noteText CONTAINS 'a' OR categories.@count = 1.5) AND label > 2", {} },
        { "noteText CONTAINS[cd] 'istanbul'", {} },
        { "noteText CONTAINS[c] 'istanbul'", {} },
        { "noteText CONTAINS[c] 'İSTANBUL AND'", {} },
        { "noteText CONTAINS[c] 'οδος καλος'", {} },
        { "noteText CONTAINS[cd] 'ΟΔΌΣ'", {} },
        { "noteText CONTAINS 'ΟΔΟΣ'", {} },
        { "noteText CONTAINS[cd] 'CAFÉ GRÜSSE'", {} },
        { "noteText CONTAINS[d] 'cafe grusse'", {} },
        { "noteText CONTAINS[cd] 'ёлка, 東京'", {} },
        { "noteText CONTAINS[d] 'テータ'", {} },
        { "noteText CONTAINS '😀 🍰'", {} },
        { "noteText CONTAINS[cd] '🍰 AT THE END'", {} },
        { "noteText CONTAINS[cd] '\u0301'", {} },
        { "noteText BEGINSWITH[cd] 'NOTES FROM i'", {} },
        { "noteText BEGINSWITH[c] 'ı'", {} },
        { "noteText ENDSWITH[cd] 'olcu'", {} },
        { "noteText ==[cd] 'istanbul οδος καλος strasse olcu'", {} },
        { "noteText !=[c] '😀'", {} },
        { "noteText ==[c] 'ss'", {} },
        { "TRUEPREDICATE", {} },
        { "FALSEPREDICATE", {} },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.format);
        Error error;
        const PredicateRef predicate
            = Predicate::predicateWithFormat(QString::fromUtf8(entry.format), entry.args, &error);
        ASSERT_TRUE(predicate) << qPrintable(error.toString());
        expectFetchAgrees(context, everything, predicate);
    }
}

TEST(FetchAgreement, PatternThatFailsDuringAFetchIsAnError)
{
    const QString path = storePath();
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    note->setValue(QStringLiteral("text"), QStringLiteral("noteText"));
    ASSERT_TRUE(context.save(nullptr));

    FetchRequest request(QStringLiteral("Note"));
    request.setPredicate(Predicate::predicateWithFormat(QStringLiteral("noteText MATCHES $pattern"))
                             ->predicateWithSubstitutionVariables(
                                 { { QStringLiteral("pattern"), QStringLiteral("(unclosed") } }));
    Error error;
    EXPECT_FALSE(context.fetchObjects(request, &error));
    EXPECT_FALSE(error.isNull());
}

// Text another program stored as broken UTF-8 reads with replacement characters; SQL must
// search it as it reads.
TEST(FetchAgreement, TextThatIsNotUtf8IsSearchedAsItReads)
{
    const QString path = storePath();
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    const char* const stored[] = { "4361664520C3", "FF43414645", "436166C3A920C3", "43414645" };
    {
        ManagedObjectContext writer;
        writer.setPersistentStoreCoordinator(coordinator);
        for (int i = 0; i < int(std::size(stored)); ++i) {
            ManagedObjectPtr note = writer.insertNewObjectForEntityForName(QStringLiteral("Note"));
            note->setValue(QStringLiteral("n%1").arg(i), QStringLiteral("noteTitle"));
        }
        ASSERT_TRUE(writer.save(nullptr));
    }
    {
        SqlProbe probe(path);
        for (int i = 0; i < int(std::size(stored)); ++i) {
            ASSERT_EQ(probe.exec(QStringLiteral("UPDATE ZNOTE SET ZNOTETEXT = CAST(X'%1' AS TEXT) "
                                                "WHERE ZNOTETITLE = 'n%2'")
                                     .arg(QLatin1String(stored[i]))
                                     .arg(i)),
                0);
        }
    }
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    const QList<ManagedObjectPtr> all
        = context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr).value();
    ASSERT_EQ(all.size(), int(std::size(stored)));
    for (const char* format : { "noteText CONTAINS[cd] 'cafe'", "noteText BEGINSWITH[c] 'caf'",
             "noteText ENDSWITH[cd] 'e \\ufffd'", "noteText CONTAINS[c] '\\ufffdc'",
             "noteText ==[cd] 'cafe'" }) {
        SCOPED_TRACE(format);
        const PredicateRef predicate = Predicate::predicateWithFormat(QString::fromUtf8(format));
        ASSERT_TRUE(predicate);
        EXPECT_FALSE(expectFetchAgrees(context, all, predicate).isEmpty());
    }
}
