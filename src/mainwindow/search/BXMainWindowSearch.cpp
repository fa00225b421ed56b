#include "mainwindow/search/BXMainWindowSearch.h"

#include "mainwindow/BXMainWindowToolbar.h"
#include "platform/appkit/Toolbar.h"

#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/search/BXSearchField.h"

#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "ui/BXGlobalConstants.h"

#include "document/model/BXNote.h"

#include "platform/appkit/UserInput.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RegularExpression.h"
#include "platform/predicate/WordMatcher.h"

#include <QAction>
#include <QVBoxLayout>

#include <utility>

using platform::Error;
using platform::TextRange;

namespace {

const QString kInvalidValueKey = QStringLiteral("NSInvalidValue");

// A search pattern made ready once for the many texts of a find.
class Matcher {
public:
    // nullopt with `error` set when an expression does not compile. An empty pattern finds
    // nothing.
    static std::optional<Matcher> make(const QString& pattern, int mode, Error* error)
    {
        Matcher matcher;
        if (pattern.isEmpty())
            return matcher;
        if (mode == BXMainWindowSearch::kWordsMode) {
            matcher.m_words = std::make_shared<platform::WordMatcher>(pattern);
            return matcher;
        }
        Error failure;
        if (BXGlobalConstants::regexValid(pattern, &failure))
            matcher.m_regex = platform::RegularExpression::compile(pattern, true, &failure);
        if (!matcher.m_regex) {
            failure.setUserInfoValue(kInvalidValueKey, pattern);
            platform::log(QStringLiteral("Regex error: %@"), failure.localizedDescription());
            Error::set(error, failure);
            return std::nullopt;
        }
        return matcher;
    }

    // nullopt for no match; `error` is set when the expression runs out of time.
    std::optional<TextRange> find(
        QStringView text, TextRange range, bool backward, Error* error) const
    {
        if (range.location < 0 || range.length <= 0 || range.end() > text.size())
            return std::nullopt;
        if (m_words) {
            const auto match = m_words->find(text, { range.location, range.length }, backward);
            return match ? std::optional(TextRange { match->start, match->length }) : std::nullopt;
        }
        if (!m_regex)
            return std::nullopt;
        Error failure;
        const auto match
            = m_regex->findInRange(text, { range.location, range.length }, backward, &failure);
        if (failure) {
            failure.setUserInfoValue(kInvalidValueKey, m_regex->pattern());
            platform::log(QStringLiteral("Regex error: %@"), failure.localizedDescription());
            Error::set(error, failure);
            return std::nullopt;
        }
        return match ? std::optional(TextRange { match->start, match->length }) : std::nullopt;
    }

private:
    std::shared_ptr<platform::RegularExpression> m_regex;
    std::shared_ptr<platform::WordMatcher> m_words;
};

} // namespace

BXMainWindowSearch::BXMainWindowSearch(BXMainWindowController* controller)
    : QObject(controller), m_controller(controller), m_searchField(new BXSearchField)
{
    updateSearchField(m_searchField, m_searchField->itemWithTag(kWordsMode));
    connect(m_searchField, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_searchString = text;
        searchNotes();
    });
    connect(m_searchField, &BXSearchField::modeChosen, this,
        [this](QAction* item) { changeSearchMode(item->data().toInt()); });
    // The first key of a search reads and folds every note's text; once the user has put the
    // focus in the empty field, a search is near, so that work starts while the hand is still
    // on its way to the keys. The focus a window opens with prepares nothing: what is folded
    // ahead is held until the focus leaves, and an idle window keeps its memory low.
    connect(m_searchField, &BXSearchField::focusChanged, this,
        [this](bool focused, Qt::FocusReason reason) {
            m_searchPrepared = focused && reason != Qt::OtherFocusReason;
            if (!m_searchString.isEmpty())
                return;
            if (m_searchPrepared)
                m_controller->notesController()->searchWillStart(m_searchMode);
            else if (!focused)
                m_controller->notesController()->searchAbandoned();
        });
}

BXMainWindowSearch::~BXMainWindowSearch()
{
    if (m_searchField && !m_searchField->parent())
        delete m_searchField.data();
}

BXSearchField* BXMainWindowSearch::searchField() const
{
    return m_searchField;
}

void BXMainWindowSearch::setSearchString(const QString& text)
{
    m_searchString = text;
    if (m_searchField->text() != text) {
        const QSignalBlocker quiet(m_searchField);
        m_searchField->setText(text);
    }
}

unsigned BXMainWindowSearch::searchScope() const
{
    return m_controller->categoriesController()->searchScope();
}

void BXMainWindowSearch::setSearchScope(unsigned scope)
{
    if (!m_searchString.isEmpty())
        m_storedSearchScope = scope;
    m_controller->categoriesController()->setSearchScope(scope);
    emit searchScopeChanged(scope);
}

void BXMainWindowSearch::search()
{
    // The field lives in the toolbar, or in a popover when a narrow window cut it off.
    m_controller->mainToolbar()->revealSearchField();
}

void BXMainWindowSearch::searchNotes()
{
    if (m_searchInProgress) {
        m_searchPending = true;
        return;
    }
    filterNotes(m_searchString, true);
}

void BXMainWindowSearch::finishSearch()
{
    m_searchInProgress = false;
    if (std::exchange(m_searchPending, false))
        filterNotes(m_searchString, true);
}

bool BXMainWindowSearch::filterNotes(const QString& text, bool keepSelection)
{
    m_searchInProgress = true;
    if (!text.isEmpty() && searchScope() != m_storedSearchScope)
        setSearchScope(m_storedSearchScope);
    else if (text.isEmpty() && searchScope() != 0)
        setSearchScope(0);
    BXNotesArrayController* notes = m_controller->notesController();
    Error error;
    bool selectionReported = false;
    const QMetaObject::Connection watch = connect(
        notes, &BXNotesArrayController::selectionChanged, this, [&] { selectionReported = true; });
    const bool filtered = notes->filterNotes(text, m_searchMode, keepSelection, &error);
    disconnect(watch);
    // A list that keeps the shown note reports no change: show it again all the same, so its
    // first match is selected and the scope bar follows the search.
    if (filtered && !selectionReported)
        m_controller->noteSelectionChanged();
    if (filtered) {
        m_refusedString.clear();
        BXGlobalConstants::closeMessagePopover();
    } else {
        m_refusedString = text;
        showRegexError(error);
    }
    if (notes->arrangedObjects().isEmpty())
        m_controller->updateNoteMessage();
    finishSearch();
    return filtered;
}

void BXMainWindowSearch::showRegexError(const Error& error)
{
    const QString failed = error.userInfo().value(kInvalidValueKey).toString();
    const QString example = error.userInfo().contains(kInvalidValueKey)
        ? BXGlobalConstants::guessRegex(failed)
        : platform::localized(QStringLiteral("String I'm looking for"));
    const QString message = platform::format(
        platform::localized(QStringLiteral("Regex search error: %@\nExample: \u201C%@\u201D")),
        error.localizedDescription(), example);
    BXGlobalConstants::showMessagePopover(message, m_searchField, m_searchField->rect());
}

void BXMainWindowSearch::changeSearchMode(int tag)
{
    if (tag == m_searchMode)
        return;
    m_searchMode = tag;
    updateSearchField(m_searchField, m_searchField->itemWithTag(tag));
    if (m_searchPrepared && m_searchString.isEmpty())
        m_controller->notesController()->searchWillStart(m_searchMode);
    searchNotes();
}

void BXMainWindowSearch::updateSearchField(BXSearchField* field, QAction* item)
{
    if (!field || !item)
        return;
    if (QAction* other = field->itemWithTag(m_searchMode == kWordsMode ? 2 : 1))
        other->setChecked(false);
    item->setChecked(true);
    field->setHint(item->text());
}

void BXMainWindowSearch::continueSearch(int tag)
{
    findStringInNotes(m_searchString, false, tag == kBackwardTag, m_searchStyle & kSearchFoundNotes,
        m_searchStyle & kWrapAround, false);
}

void BXMainWindowSearch::resetSearchIgnoringString(bool ignoringString)
{
    BXNotesArrayController* notes = m_controller->notesController();
    if (!ignoringString) {
        setSearchString(QString());
        notes->resetFilter();
    }
    notes->notesToIncludeInFilter()->clear();
    setSearchScope(0);
    m_storedSearchScope = 0;
}

std::optional<TextRange> BXMainWindowSearch::findString(const QString& pattern, QStringView text,
    int mode, TextRange range, bool backwardSearch, Error* error)
{
    const std::optional<Matcher> matcher = Matcher::make(pattern, mode, error);
    return matcher ? matcher->find(text, range, backwardSearch, error) : std::nullopt;
}

bool BXMainWindowSearch::findStringInNotes(const QString& pattern, bool upStart,
    bool backwardSearch, bool searchFoundNotes, bool wrapAround, bool quiet)
{
    BXNotesArrayController* notes = m_controller->notesController();
    const int row = notes->selectionIndex();
    if (!notes->indexValid(row)) {
        m_controller->handleScopeBarWithRange(std::nullopt);
        return false;
    }
    m_searchInProgress = true;
    const QList<platform::ManagedObjectPtr> listed = notes->arrangedObjects();
    const auto shown = std::static_pointer_cast<BXNote>(listed.at(row));

    Error error;
    const std::optional<Matcher> matcher = Matcher::make(pattern, m_searchMode, &error);
    std::optional<TextRange> found;
    std::shared_ptr<BXNote> foundNote = shown;
    if (matcher) {
        // Find Next starts where the selection ends, Find Previous looks before its start.
        const QString text = shown->noteText();
        const TextRange selection = m_controller->noteTextView()->selectedRange();
        TextRange first { 0, text.size() };
        if (!upStart && !backwardSearch)
            first = { selection.end(), text.size() - selection.end() };
        else if (!upStart)
            first = { 0, selection.location };
        found = matcher->find(text, first, backwardSearch, &error);

        const qsizetype count = listed.size();
        if (!found && !error && searchFoundNotes && count >= 2) {
            notes->loadNoteTexts();
            bool wrapped = false;
            for (qsizetype step = 1; step < count; ++step) {
                qsizetype other = backwardSearch ? row - step : row + step;
                if (other < 0 || other >= count) {
                    if (!wrapAround)
                        break;
                    wrapped = true;
                    other = backwardSearch ? other + count : other - count;
                }
                const auto note = std::static_pointer_cast<BXNote>(listed.at(other));
                const QString noteText = note->noteText();
                found = matcher->find(noteText, { 0, noteText.size() }, backwardSearch, &error);
                if (found || error) {
                    foundNote = note;
                    break;
                }
            }
            // A match is only applied in its own note: one that cannot be shown is none.
            if (found && !m_controller->selectNotes({ foundNote }, true))
                found.reset();
            if (found && wrapped)
                emit turnedAround(backwardSearch, false);
        }
        // Forwards from the very start the whole note was searched already.
        if (!found && !error && wrapAround && (backwardSearch || first.location > 0)) {
            foundNote = shown;
            const QString viewText
                = platform::AttributedText::string(*m_controller->noteTextView()->mirror());
            found = matcher->find(viewText, { 0, viewText.size() }, backwardSearch, &error);
            if (found)
                emit turnedAround(backwardSearch, true);
        }
    }
    if (error)
        showRegexError(error);
    if (!found && !quiet)
        platform::UserInput::current().beep();
    if (found && foundNote != shown)
        m_storedMatchedRange = found;
    else
        m_controller->handleScopeBarWithRange(found);
    finishSearch();
    return found.has_value();
}

std::optional<TextRange> BXMainWindowSearch::rangeToShowInNote(const BXNote& note)
{
    const std::optional<TextRange> stored = std::exchange(m_storedMatchedRange, std::nullopt);
    if (m_searchString.isEmpty()) {
        const BXNote::Range selection = note.selectedRange();
        if (selection.location == BXNote::Range::NotFound)
            return std::nullopt;
        return TextRange { qsizetype(selection.location), qsizetype(selection.length) };
    }
    if (stored)
        return stored;
    // An expression the list refused was reported as it was typed: a note shown meanwhile
    // (from a key before it) is not searched with it, which would only report it again.
    if (m_searchString == m_refusedString)
        return std::nullopt;
    const QString text = note.noteText();
    return findString(m_searchString, text, m_searchMode, { 0, text.size() }, false);
}

bool BXMainWindowSearch::respondsTo(const QString& action) const
{
    static const QStringList actions { QStringLiteral("search:"), QStringLiteral("searchNotes:"),
        QStringLiteral("changeSearchMode:"), QStringLiteral("continueSearch:") };
    return actions.contains(action);
}

void BXMainWindowSearch::perform(const platform::Command& command)
{
    if (command.action == QLatin1String("search:"))
        search();
    else if (command.action == QLatin1String("searchNotes:"))
        searchNotes();
    else if (command.action == QLatin1String("changeSearchMode:"))
        changeSearchMode(command.tag);
    else if (command.action == QLatin1String("continueSearch:"))
        continueSearch(command.tag);
}
