#include "lists/noteslist/BXNotesSearchFilter.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"

#include "document/model/BXNote.h"
#include "platform/appkit/UserInput.h"
#include "platform/data/AttributeReader.h"
#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "ui/BXGlobalConstants.h"

using namespace platform;

BXNotesSearchFilter::BXNotesSearchFilter(BXTableManagedObjectsArrayController& list)
    : m_list(list), m_included(std::make_shared<QVariantList>())
{ }

bool BXNotesSearchFilter::isIncluded(const ManagedObjectPtr& note) const
{
    return std::any_of(m_included->cbegin(), m_included->cend(),
        [&](const QVariant& member) { return member.value<ManagedObjectPtr>() == note; });
}

void BXNotesSearchFilter::include(const ManagedObjectPtr& note)
{
    if (note && !isIncluded(note))
        m_included->append(QVariant::fromValue(note));
}

void BXNotesSearchFilter::exclude(const ManagedObjectPtr& note)
{
    m_included->removeIf(
        [&](const QVariant& member) { return member.value<ManagedObjectPtr>() == note; });
}

PredicateRef BXNotesSearchFilter::basePredicate() const
{
    return Predicate::predicateWithFormat(
        QStringLiteral("trashFlag = NO OR (self IN %@)"), { QVariant::fromValue(m_included) });
}

void BXNotesSearchFilter::resetFilter()
{
    m_list.setFilterPredicate(basePredicate());
    endSearch();
}

qsizetype BXNotesSearchFilter::prepareSearch(int searchMode, qsizetype first)
{
    // Small enough that the window stays responsive between two slices.
    constexpr qsizetype kSlice = 1000;
    const QList<ManagedObjectPtr>& notes = m_list.content();
    if (m_searching || first >= notes.size())
        return -1;
    m_searchIndex.prepare(notes, searchMode != 1, first, first + kSlice);
    return first + kSlice < notes.size() ? first + kSlice : -1;
}

void BXNotesSearchFilter::abandonPreparation()
{
    if (!m_searching)
        endSearch();
}

void BXNotesSearchFilter::endSearch()
{
    m_searching = false;
    for (const std::weak_ptr<ManagedObject>& read : std::exchange(m_textsRead, {})) {
        if (const ManagedObjectPtr note = read.lock())
            note->releaseValue(BXNote::NoteTextKey);
    }
    // Last, so that the pages it gives back hold the texts too.
    m_searchIndex.clear();
}

std::vector<char> BXNotesSearchFilter::baseVerdicts(const std::vector<char>* found) const
{
    // The base predicate's comparisons answered for every note at once.
    const PredicateRef included = Predicate::predicateWithFormat(
        QStringLiteral("self IN %@"), { QVariant::fromValue(m_included) });
    const bool anyIncluded = !m_included->isEmpty();
    const QList<ManagedObjectPtr>& notes = m_list.content();
    std::vector<char> verdicts(size_t(notes.size()), 0);
    AttributeReader readTrashFlag(BXNote::TrashFlagKey);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (!notes.at(i))
            continue;
        // "trashFlag = NO", read directly: a note without the flag is not listed.
        const QVariant* trashed = readTrashFlag(*notes.at(i));
        verdicts[size_t(i)] = (trashed && !ValueComparison::isNil(*trashed) && !trashed->toBool()
                                  && (!found || (*found)[size_t(i)]))
            || (anyIncluded && included->evaluateWithObject(KeyValueRef(notes.at(i)), {}, nullptr));
    }
    return verdicts;
}

std::optional<std::vector<char>> BXNotesSearchFilter::searchVerdicts(
    const QString& text, int searchMode, const QString& pattern, Error* error)
{
    const QList<ManagedObjectPtr>& notes = m_list.content();
    std::optional<std::vector<char>> found;
    if (searchMode == 1) {
        found = m_searchIndex.contains(notes, text);
    } else {
        // An expression is tried only on the notes the list could show.
        found = m_searchIndex.matches(notes, baseVerdicts(nullptr), pattern, error);
    }
    if (!found)
        return std::nullopt;
    return baseVerdicts(&*found);
}

bool BXNotesSearchFilter::filterNotes(
    const QString& text, int searchMode, bool keepSelection, Error* error)
{
    m_included->clear();
    PredicateRef predicate = basePredicate();
    QString pattern;
    if (!text.isEmpty()) {
        if (searchMode == 1) {
            predicate = Predicate::predicateWithFormat(
                QStringLiteral("(trashFlag = NO AND (noteText CONTAINS[cd] %@ OR noteName "
                               "CONTAINS[cd] %@)) OR (self IN %@)"),
                { text, text, QVariant::fromValue(m_included) });
        } else {
            if (!BXGlobalConstants::regexValid(text, error)) {
                UserInput::current().beep();
                return false;
            }
            // The wrapper lets the match start and end on any line; the user's pattern keeps
            // its own flags inside its group.
            pattern = QStringLiteral("(?s:.*)(%1)(?s:.*)").arg(text);
            Error wrapError;
            predicate = Predicate::predicateWithFormat(
                QStringLiteral("(trashFlag = NO AND (noteText MATCHES[cd] %@ OR noteName "
                               "MATCHES[cd] %@)) OR (self IN %@)"),
                { pattern, pattern, QVariant::fromValue(m_included) }, &wrapError);
            // A pattern that runs past its group (an open \Q, a comment) is no search: without
            // this the list would lose its filter and show every note, trashed ones included.
            if (!predicate) {
                BXGlobalConstants::regexValid(pattern, error);
                UserInput::current().beep();
                return false;
            }
        }
    }
    const QList<ManagedObjectPtr> previous
        = keepSelection ? m_list.selectedObjects() : QList<ManagedObjectPtr>();
    m_filtering = true;
    // An expression that runs out of time on one note would do so on many: the first failure
    // ends the search and the list keeps its filter.
    Error failure;
    bool filtered = true;
    if (text.isEmpty()) {
        m_list.setFilterPredicate(predicate, baseVerdicts(nullptr));
    } else if (const auto verdicts = searchVerdicts(text, searchMode, pattern, &failure)) {
        m_list.setFilterPredicate(predicate, *verdicts);
    } else {
        filtered = false;
    }
    m_filtering = false;
    if (text.isEmpty())
        endSearch();
    if (!filtered) {
        // In the user's own words, not the wrapped form the list matches with.
        if (failure.localizedFailureReason() == QLatin1String("U_REGEX_TIME_OUT")) {
            failure = Error(failure.domain(), failure.code(),
                localizedFormat(
                    QStringLiteral("The regular expression \"%@\" took too long to match."), text),
                failure.localizedFailureReason());
        }
        failure.setUserInfoValue(QStringLiteral("NSInvalidValue"), text);
        Error::set(error, failure);
        UserInput::current().beep();
        return false;
    }
    m_searching = !text.isEmpty();
    if (!m_list.arrangedObjects().isEmpty()) {
        if (keepSelection)
            m_list.selectObjects(previous, true);
        if (m_list.selectionIndexes().isEmpty())
            m_list.setSelectionIndex(0);
    }
    return true;
}

void BXNotesSearchFilter::loadNoteTexts()
{
    // One query per note would make a slow first keystroke; batches keep the rows read at
    // once few.
    constexpr qsizetype kBatch = 500;
    ManagedObjectContext* context = m_list.managedObjectContext();
    if (!context)
        return;
    QVariantList missing;
    const QList<ManagedObjectPtr>& notes = m_list.content();
    AttributeReader texts(BXNote::NoteTextKey);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const ManagedObjectPtr& note = notes.at(i);
        if (note && !note->isInserted() && !texts.isLoaded(*note)) {
            missing.append(QVariant::fromValue(note));
            m_textsRead.push_back(note);
        }
        if (missing.isEmpty() || (missing.size() < kBatch && i + 1 < notes.size()))
            continue;
        FetchRequest request(BXNote::entityName());
        request.setPropertiesToFetch({ BXNote::NoteTextKey });
        request.setPredicate(
            Predicate::predicateWithFormat(QStringLiteral("self IN %@"), { QVariant(missing) }));
        Error error;
        // Whatever this misses is read note by note as the filter asks for it.
        if (!context->fetchObjects(request, &error)) {
            platform::log(QStringLiteral("error reading note texts: %@"), error);
            return;
        }
        missing.clear();
    }
}
