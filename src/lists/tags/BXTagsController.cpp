#include "lists/tags/BXTagsController.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXAddCategoryPopoverViewController.h"
#include "lists/tags/BXSetTagsStep.h"
#include "lists/tags/BXTagTokenMenu.h"
#include "lists/tags/BXTagTokens.h"
#include "lists/tags/BXTagsCategories.h"
#include "lists/tags/BXTagsControllerDelegate.h"
#include "lists/tags/BXTagsObservation.h"
#include "lists/tags/BXTagsPasteboard.h"

#include "document/model/BXNote.h"

#include "platform/appkit/TokenField.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"

using platform::ManagedObjectPtr;
using platform::TokenField;

namespace {

const QString CategoryNameKey = QStringLiteral("categoryName");
const QString TokenFieldKey = QStringLiteral("tokenField");

TokenField* fieldFrom(const QVariant& value)
{
    return qobject_cast<TokenField*>(value.value<QObject*>());
}

} // namespace

BXTagsController::BXTagsController()
    : m_tokens(std::make_unique<BXTagTokens>([this] { return categoriesController(); })),
      m_pasteboard(std::make_unique<BXTagsPasteboard>(*m_tokens)),
      m_tokenMenu(std::make_unique<BXTagTokenMenu>(this, *m_tokens,
          BXTagTokenMenu::Hooks { [this] { return m_editingBegun; },
              [this](const QVariant& token) { return removeShownTag(token); } })),
      m_setTags(std::make_unique<BXSetTagsStep>(
          *m_tokens, [this] { return categoriesController(); }, [this] { refreshContents(); })),
      m_observation(std::make_unique<BXTagsObservation>(
          BXTagsObservation::Hooks { [this] { selectionChanged(); },
              [this] {
                  // The notes changed by a "Set Tags" step are shown once, when it ends.
                  if (!m_setTags->isApplying())
                      refreshContents();
              },
              [this](const platform::Notification& notification) {
                  categoryNameChanged(notification);
              } }))
{
    BXCategoryToken::registerArchiving();
}

BXTagsController::~BXTagsController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // Its callbacks reach into this object, so the observing ends before anything else goes.
    m_observation.reset();
    if (m_addCategoryPopoverViewController)
        m_addCategoryPopoverViewController->setDelegate(nullptr);
    if (m_tokenField && m_tokenField->delegate() == this)
        m_tokenField->setDelegate(nullptr);
}

void BXTagsController::setTokenField(TokenField* field)
{
    if (m_tokenField)
        disconnect(m_tokenField, nullptr, this, nullptr);
    m_tokenField = field;
    if (!field)
        return;
    field->setDelegate(this);
    field->setAccessibleName(platform::localized(QStringLiteral("Tags")));
    // The field's value lands in the content before the action applies it.
    connect(field, &TokenField::action, this, [this] {
        if (m_tokenField)
            m_content = m_tokenField->objectValue();
        tagsAction();
    });
    if (m_content)
        field->setObjectValue(*m_content);
}

void BXTagsController::setCategoriesController(BXTagsCategories* categories)
{
    m_categories = categories;
    m_categoriesObject = categories ? categories->categoriesObject() : nullptr;
}

BXTagsCategories* BXTagsController::categoriesController() const
{
    return m_categoriesObject ? m_categories : nullptr;
}

void BXTagsController::awakeFromNib()
{
    m_registeredEditors.clear();
    m_addCategoryPopoverItems.clear();
    m_tokenMenu->build();
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    m_observation->observeCategoryNames();
    for (const QString& name : { platform::UndoManager::WillUndoChangeNotification,
             platform::UndoManager::WillRedoChangeNotification })
        center.addObserver(this, name, nullptr, [this](const platform::Notification& notification) {
            undoManagerWillChange(notification);
        });
    if (m_notesController)
        m_observation->observeNotesSelection(m_notesController);
    m_observation->observeCategoriesSelection(categoriesController());
}

void BXTagsController::setUpWithNoteItem(
    const std::shared_ptr<BXNote>& note, BXTagsCategories* categories)
{
    m_noteItem = note;
    setCategoriesController(categories);
    observeNotes(note ? QList<ManagedObjectPtr> { note } : QList<ManagedObjectPtr>());
    setContentForCategories(
        note ? note->relatedObjects(BXNote::CategoriesKey) : QList<ManagedObjectPtr>());
    m_observation->observeCategoriesSelection(categoriesController());
}

void BXTagsController::setContent(const std::optional<QVariantList>& categories)
{
    m_content = categories;
    if (m_tokenField)
        m_tokenField->setObjectValue(categories.value_or(QVariantList()));
}

void BXTagsController::refreshContents()
{
    QList<ManagedObjectPtr> categories;
    if (m_notesController) {
        const QList<ManagedObjectPtr> notes = m_notesController->selectedObjects();
        observeNotes(notes);
        categories = BXTagTokens::categoriesOfNotes(notes);
    } else if (m_noteItem) {
        categories = m_noteItem->relatedObjects(BXNote::CategoriesKey);
    }
    setContentForCategories(categories);
}

platform::ManagedObjectContext* BXTagsController::tagsManagedObjectContext() const
{
    const BXTagsCategories* categories = categoriesController();
    return categories ? categories->managedObjectContext() : nullptr;
}

void BXTagsController::selectionChanged()
{
    // A question about a typed name is still to be answered: the edit stays with the notes it
    // began on. When other notes were chosen meanwhile, it is applied to the notes it began on
    // once answered, and the tokens follow the selection then.
    if (m_editingBegun && m_addCategoryPopoverViewController) {
        if (targetNotes() != m_editingNotes)
            m_selectionChangedWhileAsking = true;
        return;
    }
    // A selection changed by a command while an edit is open: the edit belongs to the notes
    // that were selected when it began, so it is applied to them before the tokens change.
    if (m_editingBegun && m_tokenField && m_tokenField->isEditing()) {
        m_applyTargets = m_editingNotes;
        m_tokenField->endEditing();
        m_applyTargets.reset();
    }
    refreshContents();
}

QRect BXTagsController::frameOfToken(const QVariant& object, TokenField* field, bool selectingToken)
{
    if (!field)
        return {};
    if (!field->hasFocus()) {
        field->setFocus(Qt::OtherFocusReason);
        if (!field->isVisible())
            return {};
    }
    const int index = int(field->objectValue().indexOf(object));
    if (index < 0)
        return {};
    if (selectingToken)
        field->selectToken(index);
    return field->tokenRect(index);
}

QVariantList BXTagsController::shownEntries(TokenField* field) const
{
    return field ? field->objectValue() : m_content.value_or(QVariantList());
}

bool BXTagsController::isShown(const BXCategoryToken& token, TokenField* field) const
{
    return shownEntries(field).contains(token.toVariant());
}

std::optional<QVariant> BXTagsController::representedObjectForEditingString(
    TokenField* field, const QString& text)
{
    if (!m_editingBegun)
        return QVariant();
    if (const std::optional<BXCategoryToken> token = tokenForString(text)) {
        if (!isShown(*token, field))
            return token->toVariant();
        // Already a tag: point at it instead of adding it twice.
        const QVariant existing = token->toVariant();
        QPointer<TokenField> target(field);
        platform::dispatchAfter(kDeferredDelay, this,
            [this, existing, target] { frameOfToken(existing, target, true); });
        return QVariant();
    }
    if (!m_addCategoryPopoverItems.isEmpty()
        && m_addCategoryPopoverItems.last().categoryName == text)
        return QVariant();
    m_addCategoryPopoverItems.append({ text, field });
    ++m_addCategoryCount;
    if (!m_addCategoryPopoverViewController) {
        m_addCategoryPopoverViewController = std::make_unique<BXAddCategoryPopoverViewController>();
        m_addCategoryPopoverViewController->setDelegate(this);
    }
    if (m_addCategoryCount == 1)
        platform::dispatchAfter(kDeferredDelay, this, [this] { showAddCategoryPopover(); });
    return QVariant();
}

void BXTagsController::showAddCategoryPopover()
{
    if (m_addCategoryPopoverItems.isEmpty() || !m_addCategoryPopoverViewController)
        return;
    const QueuedName item = m_addCategoryPopoverItems.takeFirst();
    TokenField* field = item.tokenField;
    if (!field) {
        // The field went away with its window: the question has no one to ask.
        addCategoryPopoverViewControllerDidClose(m_addCategoryPopoverViewController.get(), {});
        return;
    }
    // Whoever chose other notes meanwhile is asked without the focus leaving them.
    QRect frame = m_selectionChangedWhileAsking
        ? field->tokenRect(int(field->objectValue().indexOf(item.categoryName)))
        : frameOfToken(item.categoryName, field, true);
    if (frame.isEmpty())
        frame = field->rect();
    // Ends the field's edit; the action does nothing while the question is pending.
    field->endEditing();
    m_addCategoryPopoverViewController->showPopoverForCategoryDictionary(
        { { CategoryNameKey, item.categoryName } }, field, frame,
        { { TokenFieldKey, QVariant::fromValue<QObject*>(field) } });
}

void BXTagsController::addCategoryPopoverViewControllerDidClose(
    BXAddCategoryPopoverViewController* controller, const QVariantMap& contextInfo)
{
    if (m_addCategoryCount > 0)
        --m_addCategoryCount;
    QPointer<TokenField> field = fieldFrom(contextInfo.value(TokenFieldKey));
    QVariantList list = field ? field->objectValue() : m_content.value_or(QVariantList());
    const QString name = controller->categoryDictionary().value(CategoryNameKey).toString();
    const qsizetype index = field ? list.indexOf(name) : -1;
    if (!controller->canceled() && field && categoriesController()) {
        const std::optional<BXCategoryToken> token = m_tokens->tokenForNewCategory(name);
        if (index >= 0 && token)
            list[index] = token->toVariant();
        m_editingBegun = true;
    } else if (index >= 0) {
        list.removeAt(index);
    }
    setContent(std::nullopt);
    platform::dispatchAfter(0, this, [this, list, field] {
        setContent(list);
        if (field) {
            field->activateWindow();
            // Whoever chose other notes meanwhile keeps the focus where it went.
            if (!m_selectionChangedWhileAsking)
                field->setFocus(Qt::OtherFocusReason);
        }
        if (!m_addCategoryPopoverItems.isEmpty()) {
            showAddCategoryPopover();
            return;
        }
        if (m_addCategoryPopoverViewController) {
            m_addCategoryPopoverViewController->setDelegate(nullptr);
            m_addCategoryPopoverViewController.reset();
        }
        if (m_selectionChangedWhileAsking) {
            m_selectionChangedWhileAsking = false;
            m_applyTargets = m_editingNotes;
            tagsAction();
            m_applyTargets.reset();
            refreshContents();
            return;
        }
        // The edit the questions interrupted is open again: whatever ends it next (a command,
        // a change of the selection, the window committing its editors) applies it.
        if (field && m_editingBegun)
            field->beginEditing();
    });
}

std::optional<QStringList> BXTagsController::completions(
    TokenField* field, const QString& substring, int)
{
    return m_tokens->completions(substring, shownEntries(field));
}

std::optional<QVariantList> BXTagsController::readFromPasteboard(
    TokenField* field, const QMimeData& data)
{
    return m_pasteboard->readTokens(data, shownEntries(field));
}

void BXTagsController::writeRepresentedObjects(
    TokenField*, const QVariantList& objects, QMimeData& data)
{
    BXTagsPasteboard::writeTokens(objects, data);
}

bool BXTagsController::textShouldBeginEditing(TokenField* field)
{
    m_registeredEditors.append(field);
    if (m_delegate)
        m_delegate->objectDidBeginEditing(this);
    // An edit reopened after an add-category question still starts from the tags the notes
    // had and still belongs to the notes it began on.
    if (!m_editingBegun) {
        m_initialObjectValue = m_content.value_or(QVariantList());
        m_editingNotes = targetNotes();
    }
    m_editingBegun = true;
    return true;
}

bool BXTagsController::textShouldEndEditing(TokenField*)
{
    if (m_delegate)
        m_delegate->objectDidEndEditing(this);
    return true;
}

QList<ManagedObjectPtr> BXTagsController::targetNotes() const
{
    if (m_applyTargets)
        return *m_applyTargets;
    QList<ManagedObjectPtr> notes;
    if (m_noteItem)
        notes.append(m_noteItem);
    if (m_notesController)
        notes.append(m_notesController->selectedObjects());
    return notes;
}

void BXTagsController::tagsAction()
{
    if (!m_editingBegun || m_addCategoryPopoverViewController)
        return;
    m_editingBegun = false;
    const QVariantList list = m_content.value_or(QVariantList());
    if (m_initialObjectValue && list == *m_initialObjectValue)
        return;
    m_initialObjectValue.reset();
    applyTokens(list, targetNotes());
}

void BXTagsController::applyTokens(const QVariantList& list, const QList<ManagedObjectPtr>& notes)
{
    m_setTags->apply(list, notes);
}

bool BXTagsController::removeShownTag(const QVariant& token)
{
    QVariantList list = m_content.value_or(QVariantList());
    // An open edit holds tags typed and not yet applied: applying the content without them
    // would lose them, so the token only leaves the field and the edit applies the rest.
    if (!list.contains(token) || (m_tokenField && m_tokenField->isEditing()))
        return false;
    list.removeAll(token);
    setContent(std::nullopt);
    platform::dispatchAfter(0, this, [this, list] { setContent(list); });
    m_editingBegun = false;
    m_initialObjectValue.reset();
    applyTokens(list, targetNotes());
    return true;
}

void BXTagsController::categoryNameChanged(const platform::Notification& notification)
{
    const ManagedObjectPtr category = m_tokens->categoryFor(notification.object);
    if (!category)
        return;
    if (!m_content) {
        refreshContents();
        return;
    }
    // Edits not yet applied stay: only the renamed tokens change.
    const std::optional<QVariantList> list = BXTagTokens::renamedTokens(
        m_tokenField && m_tokenField->isEditing() ? m_tokenField->objectValue() : *m_content,
        category);
    if (!list) {
        refreshContents();
        return;
    }
    setContent(std::nullopt);
    platform::dispatchAfter(0, this, [this, list = *list] { setContent(list); });
}

bool BXTagsController::commitEditing()
{
    if (m_registeredEditors.isEmpty())
        return true;
    TokenField* field = m_registeredEditors.last();
    if (field && !field->endEditing())
        return false;
    if (m_delegate)
        m_delegate->objectDidEndEditing(this);
    m_registeredEditors.removeLast();
    return true;
}

void BXTagsController::discardEditing()
{
    if (m_registeredEditors.isEmpty())
        return;
    if (m_delegate)
        m_delegate->objectDidEndEditing(this);
    m_registeredEditors.removeLast();
    abandonEdit();
}

void BXTagsController::abandonEdit()
{
    m_editingBegun = false;
    m_initialObjectValue.reset();
    // Names typed in the edit and not yet asked about go with it.
    if (m_addCategoryPopoverViewController
        && !m_addCategoryPopoverViewController->popoverVisible()) {
        m_addCategoryPopoverItems.clear();
        m_addCategoryCount = 0;
        m_selectionChangedWhileAsking = false;
        m_addCategoryPopoverViewController->setDelegate(nullptr);
        m_addCategoryPopoverViewController.reset();
    }
    if (m_tokenField)
        m_tokenField->abandonEditing();
    refreshContents();
}

void BXTagsController::undoManagerWillChange(const platform::Notification& notification)
{
    const platform::ManagedObjectContext* context = tagsManagedObjectContext();
    if (!m_editingBegun || !context || notification.object != context->undoManager())
        return;
    // A question on screen holds the edit until it is answered.
    if (m_addCategoryPopoverViewController && m_addCategoryPopoverViewController->popoverVisible())
        return;
    // The undo or redo changes the notes under the open edit. Applied afterwards, the edit
    // would be a step of its own that takes the redo away (or goes to notes the undo took
    // away), so it is given up: the step the menu named is the one undone, and the field shows
    // the tags the notes have after it.
    if (m_delegate)
        m_delegate->objectDidEndEditing(this);
    abandonEdit();
}

void BXTagsController::commitEditingWithCompletion(
    const std::function<void(bool didCommit)>& completion)
{
    if (!completion)
        return;
    // A refused commit leaves its editor registered: report it once and stop, or this would
    // go round for ever.
    while (!m_registeredEditors.isEmpty()) {
        const bool didCommit = commitEditing();
        completion(didCommit);
        if (!didCommit)
            return;
    }
}

QString BXTagsController::commitFailureReason() const
{
    return platform::localized(QStringLiteral("Couldn't commit the tag change"));
}

bool BXTagsController::respondsTo(const QString& action) const
{
    return action == BXTagTokenMenu::RemoveTagAction;
}

void BXTagsController::perform(const platform::Command& command)
{
    if (command.action == BXTagTokenMenu::RemoveTagAction)
        removeTag(command.representedObject.toMap());
}
