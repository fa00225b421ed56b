#include "NotesFixture.h"

#include "lists/noteslist/BXNotesSearchIndex.h"

#include "document/model/BXNote.h"
#include "platform/data/PersistentStore.h"
#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/KeyValueCoding.h"
#include "platform/predicate/ValueComparison.h"
#include "support/TestEnvironment.h"

#include <QUrl>

using namespace platform;

namespace {

// 1 KB is where the folded text of a note is cut into pieces when kept.
QString at1024(const QString& filler, int count, const QString& tail)
{
    return filler.repeated(count) + tail;
}

// Notes in a real store, searched by the index while a second context on the same store, whose
// objects the index never sees, tells what the predicates say.
class NotesSearchIndexTest : public NotesFixture {
protected:
    NotesSearchIndexTest()
    {
        Error error;
        EXPECT_TRUE(coordinator->addPersistentStore(SQLiteStoreType,
            QUrl::fromLocalFile(bxtest::makeTempFolder() + QStringLiteral("/notes.sqlite")), {},
            &error))
            << qPrintable(error.toString());
        reference.setPersistentStoreCoordinator(coordinator);
    }

    // Saved, and turned back into faults, so that the index reads their texts from the store.
    QList<ManagedObjectPtr> savedNotes(const QList<std::pair<QString, QString>>& namesAndTexts)
    {
        QList<ManagedObjectPtr> notes;
        for (const auto& [name, text] : namesAndTexts) {
            ManagedObjectPtr note = context.insertNewObjectForEntityForName(BXNote::entityName());
            note->setValue(name, BXNote::NoteNameKey);
            note->setValue(text, BXNote::NoteTextKey);
            notes.append(note);
        }
        Error error;
        EXPECT_TRUE(context.save(&error)) << qPrintable(error.toString());
        for (const ManagedObjectPtr& note : notes)
            context.refreshObject(note, false);
        return notes;
    }

    // The names of the notes the predicate (of `format`, with `argument` for each %@) passes, as
    // the reference context reads them from the store.
    QStringList expected(
        const QString& format, const QString& argument, const QList<ManagedObjectPtr>& notes)
    {
        const PredicateRef predicate
            = Predicate::predicateWithFormat(format, { argument, argument });
        QStringList names;
        for (const ManagedObjectPtr& note : notes) {
            const ManagedObjectPtr stored = reference.objectWithID(note->objectID());
            if (predicate->evaluateWithObject(KeyValueRef(stored), {}, nullptr))
                names << stored->valueForKey(BXNote::NoteNameKey).toString();
        }
        return names;
    }

    QStringList found(const QList<ManagedObjectPtr>& notes, const std::vector<char>& verdicts)
    {
        QStringList names;
        for (qsizetype i = 0; i < notes.size(); ++i) {
            if (verdicts[size_t(i)])
                names << reference.objectWithID(notes.at(i)->objectID())
                             ->valueForKey(BXNote::NoteNameKey)
                             .toString();
        }
        return names;
    }

    static int textsInMemory(const QList<ManagedObjectPtr>& notes)
    {
        return int(std::count_if(notes.begin(), notes.end(),
            [](const ManagedObjectPtr& note) { return note->isValueLoaded(BXNote::NoteTextKey); }));
    }

    ManagedObjectContext reference;
    BXNotesSearchIndex index;
};

// Words typed and erased and regular expressions, over texts whose folding changes their length,
// that mix scripts and characters beyond the BMP, and that put what is looked for across the
// places where a kept text is cut into pieces, between its text and its name, or in the name alone.
TEST_F(NotesSearchIndexTest, SavedNotesAgreeWithThePredicatesAndNoTextStaysInMemory)
{
    const QList<ManagedObjectPtr> notes = savedNotes({
        { "Latin", at1024(QStringLiteral("a"), 1021, QStringLiteral(" Straße end")) },
        { "Greek", at1024(QStringLiteral("λ"), 511, QStringLiteral("Ωμέγα")) },
        { "Beyond", at1024(QStringLiteral("b"), 1023, QStringLiteral("😀x 𠀀 done")) },
        { "Expanding", at1024(QStringLiteral("ﬁ"), 600, QStringLiteral(" ǅ İstanbul")) },
        { "Ends in fi", QStringLiteral("a ﬁ") },
        { "le named", QStringLiteral("foo") },
        { "Élan vital", at1024(QStringLiteral("z"), 3000, QStringLiteral("\nlast line")) },
        { "Marks", QStringLiteral("e\u0301lan and cafe\u0301 ROUND") },
        { "Empty", QString() },
        { "Latin-1", QStringLiteral("Grüße, naïve façade") },
        // The first 512 units end inside "foobar"; the text goes on for several pieces more.
        { "Boundary",
            at1024(QStringLiteral("a"), 508, QStringLiteral("foobar baz ")) + QString(2000, 'b') },
    });
    const QString words = QStringLiteral("noteText CONTAINS[cd] %@ OR noteName CONTAINS[cd] %@");
    const QString expressions
        = QStringLiteral("noteText MATCHES[cd] %@ OR noteName MATCHES[cd] %@");
    for (const char* typed :
        { "s", "st", "str", "stra", "straß", "strasse", "strass e", "strass", "st", "ωμ", "ωμεγα",
            "λω", "λλ", "😀", "b😀x", "𠀀", "fifi", "fi fi", "fi ǆ", "i̇st", "file", "foole", "elan",
            "élan v", "ela", "e", "line", "e\u0301", "\u0301", "ss", "groß", "naive" }) {
        const QString text = QString::fromUtf8(typed);
        SCOPED_TRACE("words " + text.toStdString());
        EXPECT_EQ(found(notes, index.contains(notes, text)), expected(words, text, notes));
        EXPECT_EQ(textsInMemory(notes), 0);
    }
    const std::vector<char> all(size_t(notes.size()), 1);
    for (const char* typed :
        { "str(a|o)sse", "^a+ ", "end$", "(?m)^last", "a{1021} S", "λ{511}ω", "😀x", "\\p{Greek}+",
            "foo$", "^le", "ÉLAN", "e\u0301lan", "(?-i)round", "ǅ", "[^a] Straße",
            // Decided by the first piece, or by more text than it for an anchor, a lookahead,
            // a word boundary or a repeat at its end.
            "(a)\\1{3}foo", "a{508}foo", "a{508}foob", "foob$", "foob\\b", "foo(?!bar)",
            "foob(?=x)", "fooba?r", "baz b{2000}$", "^a{500}", "(?s)foobar.*b\\z" }) {
        // As the notes list wraps the user's expression.
        const QString pattern = QStringLiteral("(?s:.*)(%1)(?s:.*)").arg(QString::fromUtf8(typed));
        SCOPED_TRACE("expression " + pattern.toStdString());
        Error error;
        const std::optional<std::vector<char>> verdicts
            = index.matches(notes, all, pattern, &error);
        ASSERT_TRUE(verdicts) << qPrintable(error.toString());
        EXPECT_EQ(found(notes, *verdicts), expected(expressions, pattern, notes));
        EXPECT_EQ(textsInMemory(notes), 0);
    }
    EXPECT_GT(index.keptBytes(), 0);
    index.clear();
    EXPECT_EQ(index.keptBytes(), 0);
}

// The kept forms stand for the texts as they were folded: a text changed in another context and
// merged, a note turned into a fault and read again, or one edited here is searched anew, and a
// note that leaves the list takes its form along.
TEST_F(NotesSearchIndexTest, ANoteReadOrChangedAgainIsSearchedAnew)
{
    QList<ManagedObjectPtr> notes
        = savedNotes({ { "First", "a garden" }, { "Second", "a river" }, { "Third", "a meadow" } });
    const auto search = [&](const char* text) {
        QStringList names;
        const std::vector<char> verdicts = index.contains(notes, QString::fromUtf8(text));
        for (qsizetype i = 0; i < notes.size(); ++i) {
            if (verdicts[size_t(i)])
                names << notes.at(i)->valueForKey(BXNote::NoteNameKey).toString();
        }
        return names;
    };
    EXPECT_EQ(search("gar"), QStringList({ "First" }));

    // Saved elsewhere and merged here.
    {
        ManagedObjectContext writer;
        writer.setPersistentStoreCoordinator(coordinator);
        writer.objectWithID(notes.at(1)->objectID())
            ->setValue(QStringLiteral("a garlic bed"), BXNote::NoteTextKey);
        Error error;
        ASSERT_TRUE(writer.save(&error)) << qPrintable(error.toString());
    }
    context.refreshObject(notes.at(1), false);
    EXPECT_EQ(search("garl"), QStringList({ "Second" }));
    EXPECT_EQ(search("gar"), QStringList({ "First", "Second" }));

    // Edited here, unsaved, in the text and in the name.
    notes.at(2)->setValue(QStringLiteral("a garden path"), BXNote::NoteTextKey);
    EXPECT_EQ(search("garden"), QStringList({ "First", "Third" }));
    notes.at(0)->setValue(QStringLiteral("Garlands"), BXNote::NoteNameKey);
    EXPECT_EQ(search("garl"), QStringList({ "Garlands", "Second" }));

    // A shorter list: the note gone takes its kept form along.
    const qsizetype kept = index.keptBytes();
    notes.removeAt(1);
    EXPECT_EQ(search("gar"), QStringList({ "Garlands", "Third" }));
    EXPECT_LT(index.keptBytes(), kept);
}

// Forms folded ahead of a search, a slice of the notes at a time, serve the search that follows as
// its own would: no text stays in memory, a note changed since the last search is folded anew,
// and that search's verdicts no longer narrow the next one.
TEST_F(NotesSearchIndexTest, FoldedAheadTheSearchAnswersAsWithout)
{
    QList<ManagedObjectPtr> notes = savedNotes({ { "First", "a garden" }, { "Second", "a river" },
        { "Third", "Élan vital" }, { "Fourth", "riverbank" } });
    const auto search = [&](const char* text) {
        QStringList names;
        const std::vector<char> verdicts = index.contains(notes, QString::fromUtf8(text));
        for (qsizetype i = 0; i < notes.size(); ++i) {
            if (verdicts[size_t(i)])
                names << notes.at(i)->valueForKey(BXNote::NoteNameKey).toString();
        }
        return names;
    };
    index.prepare(notes, false, 0, 2);
    index.prepare(notes, false, 2, 10);
    EXPECT_GT(index.keptBytes(), 0);
    EXPECT_EQ(textsInMemory(notes), 0);
    EXPECT_EQ(search("elan"), QStringList({ "Third" }));
    EXPECT_EQ(search("riv"), QStringList({ "Second", "Fourth" }));

    // Changed after that search, still holding what it found: folded ahead anew, the note must
    // not keep a verdict of the folding as if a search had given it.
    notes.at(1)->setValue(QStringLiteral("the riverside"), BXNote::NoteTextKey);
    index.prepare(notes, false, 0, notes.size());
    EXPECT_EQ(search("rive"), QStringList({ "Second", "Fourth" }));

    // Folded for an expression, the notes answer as the comparison does.
    context.refreshObject(notes.at(1), false);
    index.prepare(notes, true, 0, notes.size());
    const QString pattern = QStringLiteral("(?s:.*)(ri.er|ÉLAN)(?s:.*)");
    Error error;
    const std::optional<std::vector<char>> verdicts
        = index.matches(notes, std::vector<char>(size_t(notes.size()), 1), pattern, &error);
    ASSERT_TRUE(verdicts) << qPrintable(error.toString());
    EXPECT_EQ(found(notes, *verdicts),
        expected(
            QStringLiteral("noteText MATCHES[cd] %@ OR noteName MATCHES[cd] %@"), pattern, notes));
    EXPECT_EQ(textsInMemory(notes), 0);
}

// Texts and words of several scripts, held in memory: the index answers as the comparison does,
// for parts short and long, in texts and in names.
TEST_F(NotesSearchIndexTest, WordsOfEveryScriptAgreeWithTheComparison)
{
    const QStringList texts { QStringLiteral("Grüße aus Köln: café, naïve ÉLAN"),
        QStringLiteral("İstanbul ılık, GROẞE Ελλάδα 東京 👍🏽 e\u0301lan ﬁle"),
        QString(), "Ελλάδα " + QString(301, QChar(0x00F8)) };
    QList<ManagedObjectPtr> notes;
    for (const QString& text : texts) {
        for (const bool named : { false, true }) {
            ManagedObjectPtr note = context.insertNewObjectForEntityForName(BXNote::entityName());
            note->setValue(named ? text : QString(), BXNote::NoteNameKey);
            note->setValue(named ? QString() : text, BXNote::NoteTextKey);
            notes.append(note);
        }
    }
    const QString longPart(300, QChar(0x00D8));
    for (const QString& part :
        { QStringLiteral("grüsse"), QStringLiteral("GRÜSSE"), QStringLiteral("koln"),
            QStringLiteral("élan"), QStringLiteral("e\u0301"), QStringLiteral("\u0301"),
            QStringLiteral("ılık"), QStringLiteral("istanbul"), QStringLiteral("i"),
            QStringLiteral("grosse"), QStringLiteral("ελλαδα"), QStringLiteral("東京"),
            QStringLiteral("👍"), QStringLiteral("🏽"), QStringLiteral("file"),
            QStringLiteral("ﬁ"), QStringLiteral("x"), longPart, "ε" + longPart }) {
        SCOPED_TRACE(part.toStdString());
        const std::vector<char> verdicts = index.contains(notes, part);
        for (qsizetype i = 0; i < notes.size(); ++i) {
            const QVariant value
                = notes.at(i)->valueForKey(i % 2 ? BXNote::NoteNameKey : BXNote::NoteTextKey);
            EXPECT_EQ(bool(verdicts[size_t(i)]),
                ValueComparison::contains(value.toString(), part,
                    ComparisonPredicate::CaseInsensitive
                        | ComparisonPredicate::DiacriticInsensitive)
                    && !value.isNull())
                << "note " << i;
        }
    }
}

} // namespace
