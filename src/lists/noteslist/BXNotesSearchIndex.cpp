#include "lists/noteslist/BXNotesSearchIndex.h"

#include "document/model/BXNote.h"
#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/StringFolding.h"

#include <QStringEncoder>

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>

using platform::ComparisonPredicate;
using platform::ManagedObject;
using platform::ManagedObjectPtr;

namespace {

constexpr int kWordFolding
    = ComparisonPredicate::CaseInsensitive | ComparisonPredicate::DiacriticInsensitive;

// Texts read from the store at once: few enough that their memory stays small.
constexpr size_t kBatch = 500;

// Folding buffers are kept between notes, but not beyond this size: one giant note must not pin
// its folded copy on every thread.
constexpr size_t kKeptBufferSize = size_t(1) << 20;

const QString* stringIn(const QVariant* value)
{
    return value && value->metaType().id() == QMetaType::QString
        ? static_cast<const QString*>(value->constData())
        : nullptr;
}

void appendUtf8(QStringView text, std::string& out)
{
    QStringEncoder encoder(QStringConverter::Utf8);
    const size_t used = out.size();
    out.resize(used + size_t(encoder.requiredSpace(text.size())));
    const char* end = encoder.appendToBuffer(out.data() + used, text);
    out.resize(size_t(end - out.data()));
}

// `value` folded by `options` and appended to `out`: as UTF-8 when `utf8`, else as its UTF-16
// units.
void appendFolded(const QString* value, int options, bool utf8, std::string& out)
{
    if (!value)
        return;
    thread_local QString buffer;
    const QStringView folded = platform::StringFolding::fold(*value, options, buffer);
    if (utf8)
        appendUtf8(folded, out);
    else
        out.append(reinterpret_cast<const char*>(folded.utf16()), size_t(folded.size()) * 2);
}

QStringView utf16(std::string_view bytes)
{
    return QStringView(
        reinterpret_cast<const char16_t*>(bytes.data()), qsizetype(bytes.size() / 2));
}

// Whether `part` occurs in `text`; an empty part occurs in every text.
bool occurs(std::string_view text, const QByteArray& part)
{
    return part.isEmpty()
        || (!text.empty()
            && memmem(text.data(), text.size(), part.constData(), size_t(part.size())) != nullptr);
}

// In runs of notes, so that a helper takes a share worth its start.
template <typename Work> void inRuns(size_t count, const Work& work)
{
    constexpr size_t kRun = 64;
    platform::dispatchApply(qsizetype((count + kRun - 1) / kRun), [&](qsizetype run) {
        for (size_t i = size_t(run) * kRun; i < std::min(count, size_t(run + 1) * kRun); ++i)
            work(i);
    });
}

// Reads the texts of `notes` in one fetch; whatever it misses is read note by note when asked
// for.
void loadTexts(const QVariantList& notes)
{
    platform::ManagedObjectContext* context = notes.isEmpty()
        ? nullptr
        : notes.first().value<ManagedObjectPtr>()->managedObjectContext();
    if (!context)
        return;
    platform::FetchRequest request(BXNote::entityName());
    request.setPropertiesToFetch({ BXNote::NoteTextKey });
    request.setPredicate(platform::Predicate::predicateWithFormat(
        QStringLiteral("self IN %@"), { QVariant(notes) }));
    platform::Error error;
    if (!context->fetchObjects(request, &error))
        platform::log(QStringLiteral("error reading note texts: %@"), error);
}

} // namespace

BXNotesSearchIndex::BXNotesSearchIndex()
    : m_readText(BXNote::NoteTextKey), m_readName(BXNote::NoteNameKey)
{ }

std::vector<char> BXNotesSearchIndex::currentForms(
    const QList<ManagedObjectPtr>& notes, Form form) const
{
    // On every thread: what costs here is reaching each note's generations in memory.
    std::vector<char> current(size_t(notes.size()), 0);
    constexpr qsizetype kRun = 256;
    platform::dispatchApply((notes.size() + kRun - 1) / kRun, [&](qsizetype run) {
        platform::AttributeReader readText(BXNote::NoteTextKey);
        platform::AttributeReader readName(BXNote::NoteNameKey);
        for (qsizetype i = run * kRun; i < std::min(notes.size(), (run + 1) * kRun); ++i) {
            const Entry& entry = m_entries[size_t(i)];
            current[size_t(i)] = notes.at(i) && entry.form == form
                && entry.textGeneration == readText.generation(*notes.at(i))
                && entry.nameGeneration == readName.generation(*notes.at(i));
        }
    });
    return current;
}

template <typename Judge>
void BXNotesSearchIndex::search(const QList<ManagedObjectPtr>& notes,
    const std::vector<qsizetype>& kept, const std::vector<qsizetype>& stale, Form form, int options,
    const Judge& judge, const std::atomic<bool>& stop, std::vector<char>& verdicts)
{
    inRuns(kept.size(), [&](size_t index) {
        if (stop)
            return;
        Entry& entry = m_entries[size_t(kept[index])];
        entry.matched = judge(entry, nullptr);
        verdicts[size_t(kept[index])] = entry.matched;
    });
    // The rest folded anew, the texts of one batch in memory at a time: the pool folds a batch
    // while this thread reads the next one from the store.
    struct Source {
        const QString* text = nullptr;
        const QString* name = nullptr;
    };
    struct Batch {
        size_t first = 0;
        size_t end = 0;
        QVariantList unread;
        std::vector<Source> sources;
    };
    const auto read = [&](Batch& batch, size_t first) {
        batch.first = first;
        batch.end = std::min(stale.size(), first + kBatch);
        batch.unread.clear();
        for (size_t i = batch.first; i < batch.end; ++i) {
            if (!m_readText.isLoaded(*notes.at(stale[i])))
                batch.unread.append(QVariant::fromValue(notes.at(stale[i])));
        }
        loadTexts(batch.unread);
        batch.sources.assign(batch.end - batch.first, Source());
        for (size_t i = batch.first; i < batch.end; ++i) {
            const ManagedObject& note = *notes.at(stale[i]);
            Entry& entry = m_entries[size_t(stale[i])];
            // Unusable until made again, should the search stop first.
            forget(entry);
            Source& source = batch.sources[i - batch.first];
            source = { stringIn(m_readText(note)), stringIn(m_readName(note)) };
            entry.textGeneration = m_readText.generation(note);
            entry.nameGeneration = m_readName.generation(note);
            entry.hasText = source.text;
            entry.hasName = source.name;
        }
    };
    const auto fold = [&](const Batch& batch, size_t index) {
        if (stop)
            return;
        const qsizetype row = stale[batch.first + index];
        Entry& entry = m_entries[size_t(row)];
        thread_local std::string folded;
        folded.clear();
        appendFolded(batch.sources[index].text, options, form == Form::Words, folded);
        entry.nameStart = qsizetype(folded.size());
        appendFolded(batch.sources[index].name, options, form == Form::Words, folded);
        entry.folded = platform::CompressedBytes(folded);
        entry.form = form;
        entry.foldedNow = true;
        const std::string_view all(folded);
        entry.matched = judge(entry, &all);
        verdicts[size_t(row)] = entry.matched;
        if (folded.capacity() > kKeptBufferSize)
            folded = std::string();
    };
    // Read for this search alone: the search keeps only the folded forms.
    const auto release = [](Batch& batch) {
        for (const QVariant& note : std::as_const(batch.unread))
            note.value<ManagedObjectPtr>()->releaseValue(BXNote::NoteTextKey);
        batch.unread.clear();
    };
    Batch current;
    Batch next;
    if (!stale.empty())
        read(current, 0);
    while (current.first < current.end) {
        platform::dispatchApplyWhile(
            qsizetype(current.end - current.first),
            [&](qsizetype index) { fold(current, size_t(index)); },
            [&] {
                if (current.end < stale.size() && !stop)
                    read(next, current.end);
                else
                    next = Batch();
            });
        release(current);
        std::swap(current, next);
    }
    keepFolded(stale);
}

std::vector<char> BXNotesSearchIndex::contains(
    const QList<ManagedObjectPtr>& notes, const QString& text)
{
    std::string foldedText;
    appendFolded(&text, kWordFolding, true, foldedText);
    const QByteArray part(foldedText.data(), qsizetype(foldedText.size()));
    // A note's verdict on the previous text holds for this one where one text holds the other:
    // every note holding the longer text holds the shorter.
    const bool narrowing = m_previous && part.contains(*m_previous);
    const bool widening = m_previous && m_previous->contains(part);
    followNotes(notes);
    std::vector<char> verdicts(size_t(notes.size()), 0);
    const std::vector<char> current = currentForms(notes, Form::Words);
    std::vector<qsizetype> kept;
    std::vector<qsizetype> stale;
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (!notes.at(i))
            continue;
        if (!current[size_t(i)])
            stale.push_back(i);
        else if (m_entries[size_t(i)].matched ? !widening : !narrowing)
            kept.push_back(i);
        else
            verdicts[size_t(i)] = m_entries[size_t(i)].matched;
    }
    // A match can start in the text bytes already looked through, this many before their end.
    const size_t overlap = part.isEmpty() ? 0 : size_t(part.size() - 1);
    const auto judge = [&](const Entry& entry, const std::string_view* folded) {
        if (part.isEmpty())
            return entry.hasText || entry.hasName;
        const size_t nameStart = size_t(entry.nameStart);
        const size_t size = folded ? folded->size() : size_t(entry.folded.size());
        size_t searched = 0;
        bool found = false;
        // Through the text as it is unpacked, so that a text holding the part early is
        // unpacked no further; the name after it is looked at once it is whole.
        const auto visit = [&](std::string_view unpacked) {
            const size_t textEnd = std::min(unpacked.size(), nameStart);
            if (entry.hasText && textEnd > searched) {
                const size_t from = searched > overlap ? searched - overlap : 0;
                found = occurs(unpacked.substr(from, textEnd - from), part);
                searched = textEnd;
            }
            if (!found && entry.hasName && unpacked.size() == size)
                found = occurs(unpacked.substr(nameStart), part);
            return found;
        };
        thread_local std::string buffer;
        return folded ? visit(*folded) : entry.folded.unpackUntil(buffer, visit);
    };
    const std::atomic<bool> never = false;
    search(notes, kept, stale, Form::Words, kWordFolding, judge, never, verdicts);
    m_previous = part;
    return verdicts;
}

std::optional<std::vector<char>> BXNotesSearchIndex::matches(const QList<ManagedObjectPtr>& notes,
    const std::vector<char>& tried, const QString& pattern, platform::Error* error)
{
    const platform::PredicateRef matching = platform::Predicate::predicateWithFormat(
        QStringLiteral("SELF MATCHES[cd] %@"), { pattern }, error);
    if (!matching)
        return std::nullopt;
    const auto& comparison = static_cast<const ComparisonPredicate&>(*matching);
    followNotes(notes);
    // The entries' verdicts are this expression's now, not those of a word search.
    m_previous.reset();
    const std::vector<char> current = currentForms(notes, Form::Expression);
    std::vector<qsizetype> kept;
    std::vector<qsizetype> stale;
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (tried[size_t(i)] && notes.at(i))
            (current[size_t(i)] ? kept : stale).push_back(i);
    }
    std::vector<char> verdicts(size_t(notes.size()), 0);
    std::atomic<bool> failed = false;
    std::mutex failureLock;
    platform::Error failure;
    const auto judge = [&](const Entry& entry, const std::string_view* folded) {
        thread_local std::string buffer;
        const size_t nameStart = size_t(entry.nameStart);
        std::string_view all = folded ? *folded : std::string_view();
        // Most notes that match do so early, and unpacking the rest would cost as much as the
        // expression: the text is tried as it is unpacked, after the first piece and then at four
        // times the length tried before while that is at most half the text, and is unpacked no
        // further once a match needs nothing after it. The whole text decides the others, and
        // alone once a try ran out of time.
        size_t tryAt = 0;
        const auto tryPrefix = [&](std::string_view unpacked) {
            all = unpacked;
            if (!entry.hasText || unpacked.size() < tryAt || 2 * unpacked.size() > nameStart)
                return false;
            platform::Error tryFailure;
            const bool found
                = comparison.matchesEveryFoldedSubjectStartingWith(utf16(unpacked), &tryFailure);
            tryAt = tryFailure ? std::string_view::npos : 4 * unpacked.size();
            return found;
        };
        if (!folded && entry.folded.unpackUntil(buffer, tryPrefix))
            return true;
        platform::Error noteFailure;
        const bool found
            = (entry.hasText
                  && comparison.matchesFoldedSubject(utf16(all.substr(0, nameStart)), &noteFailure))
            || (!noteFailure && entry.hasName
                && comparison.matchesFoldedSubject(utf16(all.substr(nameStart)), &noteFailure));
        if (noteFailure) {
            const std::lock_guard lock(failureLock);
            if (!failed.exchange(true))
                failure = noteFailure;
        }
        return found;
    };
    search(notes, kept, stale, Form::Expression, comparison.matchSubjectOptions(), judge, failed,
        verdicts);
    if (failed) {
        platform::Error::set(error, failure);
        return std::nullopt;
    }
    return verdicts;
}

void BXNotesSearchIndex::prepare(
    const QList<ManagedObjectPtr>& notes, bool expression, qsizetype first, qsizetype end)
{
    // A regular expression folds its subject as every "MATCHES[cd]" comparison does.
    static const int expressionFolding = static_cast<const ComparisonPredicate&>(
        *platform::Predicate::predicateWithFormat(
            QStringLiteral("SELF MATCHES[cd] %@"), { QStringLiteral(".") }))
                                             .matchSubjectOptions();
    const Form form = expression ? Form::Expression : Form::Words;
    followNotes(notes);
    // The rows folded now hold no verdict of the previous text.
    m_previous.reset();
    const std::vector<char> current = currentForms(notes, form);
    std::vector<qsizetype> stale;
    for (qsizetype i = std::max<qsizetype>(first, 0); i < std::min(end, notes.size()); ++i) {
        if (notes.at(i) && !current[size_t(i)])
            stale.push_back(i);
    }
    std::vector<char> verdicts(size_t(notes.size()), 0);
    const std::atomic<bool> never = false;
    search(
        notes, {}, stale, form, expression ? expressionFolding : kWordFolding,
        [](const Entry&, const std::string_view*) { return false; }, never, verdicts);
}

void BXNotesSearchIndex::keepFolded(const std::vector<qsizetype>& rows)
{
    // What the budget has no room for is made again next time.
    for (const qsizetype row : rows) {
        Entry& entry = m_entries[size_t(row)];
        if (!std::exchange(entry.foldedNow, false))
            continue;
        const qsizetype size = entry.folded.byteSize();
        if (m_keptBytes + size <= kKeptBytes) {
            m_keptBytes += size;
            entry.keptBytes = size;
        } else {
            entry.folded = platform::CompressedBytes();
            entry.form = Form::None;
        }
    }
}

void BXNotesSearchIndex::followNotes(const QList<ManagedObjectPtr>& notes)
{
    const auto same = [](const Entry& entry, const ManagedObjectPtr& note) {
        return !entry.note.owner_before(note) && !note.owner_before(entry.note);
    };
    const auto unchanged = [&] {
        if (qsizetype(m_entries.size()) != notes.size())
            return false;
        for (qsizetype i = 0; i < notes.size(); ++i) {
            if (!same(m_entries[size_t(i)], notes.at(i)))
                return false;
        }
        return true;
    };
    if (unchanged())
        return;
    // The list changed: each note takes its entry along; the entries of notes gone go.
    std::unordered_map<const ManagedObject*, Entry> previous;
    previous.reserve(m_entries.size());
    for (Entry& entry : m_entries) {
        const ManagedObjectPtr note = entry.note.lock();
        if (!note || !previous.try_emplace(note.get(), std::move(entry)).second)
            forget(entry);
    }
    m_entries.clear();
    m_entries.resize(size_t(notes.size()));
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const auto found = previous.find(notes.at(i).get());
        if (found != previous.end() && same(found->second, notes.at(i))) {
            m_entries[size_t(i)] = std::move(found->second);
            previous.erase(found);
        }
        m_entries[size_t(i)].note = notes.at(i);
    }
    for (auto& [note, entry] : previous)
        forget(entry);
}

void BXNotesSearchIndex::forget(Entry& entry)
{
    m_keptBytes -= entry.keptBytes;
    std::weak_ptr<ManagedObject> note = std::move(entry.note);
    entry = Entry();
    entry.note = std::move(note);
}

void BXNotesSearchIndex::clear()
{
    m_entries = std::vector<Entry>();
    m_previous.reset();
    m_keptBytes = 0;
    // Many small forms go at once: give their pages back rather than keep them for the next
    // search.
    malloc_trim(0);
}
