#include "lists/tags/BXTagsController.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXAddCategoryPopoverViewController.h"
#include "lists/tags/BXTagsCategories.h"
#include "lists/tags/BXTagsControllerDelegate.h"

#include "document/model/BXCategory.h"
#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/TokenField.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/predicate/Predicate.h"

#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QSet>

using platform::ManagedObjectPtr;
using platform::TokenField;

#include <algorithm>

namespace {

const QString CategoriesKey = QStringLiteral("categories");
const QString CategoryNameKey = QStringLiteral("categoryName");
const QString TokenFieldKey = QStringLiteral("tokenField");
const QString CategoryTokenKey = QStringLiteral("categoryToken");
const QString RemoveTagAction = QStringLiteral("removeTag:");

TokenField* fieldFrom(const QVariant& value)
{
    return qobject_cast<TokenField*>(value.value<QObject*>());
}

} // namespace

BXTagsController::BXTagsController()
{
    BXCategoryToken::registerArchiving();
}

BXTagsController::~BXTagsController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    removeNotesObservation();
    disconnect(m_notesSelectionObservation);
    disconnect(m_categoriesSelectionObservation);
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
    buildTokenMenu();
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, BXTagsCategories::CategoryNameChangedNotification, nullptr,
        [this](const platform::Notification& notification) { categoryNameChanged(notification); });
    center.addObserver(this, platform::MenuWillSendActionNotification, m_tokenMenu.get(),
        [this](const platform::Notification& notification) { menuWillSendAction(notification); });
    for (const QString& name : { platform::UndoManager::WillUndoChangeNotification,
             platform::UndoManager::WillRedoChangeNotification })
        center.addObserver(this, name, nullptr, [this](const platform::Notification& notification) {
            undoManagerWillChange(notification);
        });
    if (m_notesController)
        m_notesSelectionObservation
            = connect(m_notesController, &platform::ArrayController::selectionChanged, this,
                &BXTagsController::selectionChanged);
    observeCategoriesSelection();
}

void BXTagsController::observeCategoriesSelection()
{
    disconnect(m_categoriesSelectionObservation);
    if (BXTagsCategories* categories = categoriesController())
        m_categoriesSelectionObservation
            = categories->observeSelection(this, [this] { selectionChanged(); });
}

void BXTagsController::buildTokenMenu()
{
    if (m_tokenMenu)
        return;
    m_tokenMenu = std::make_unique<QMenu>();
    platform::CommandRouter& router = platform::CommandRouter::shared();
    const struct {
        const char* title;
        QString action;
        int tag;
    } items[] = { { "Select Tag", QStringLiteral("selectTag:"), 0 },
        { "Edit Tag…", QStringLiteral("editTag:"), 1 }, { "Remove Tag", RemoveTagAction, 0 } };
    for (const auto& item : items) {
        QAction* action
            = m_tokenMenu->addAction(platform::localized(QString::fromUtf8(item.title)));
        platform::CommandRouter::setAction(action, item.action, item.tag);
        // Select and Edit travel the responder chain to the document.
        if (item.action == RemoveTagAction)
            platform::CommandRouter::setTarget(action, this);
    }
    router.attachMenu(m_tokenMenu.get());
}

void BXTagsController::setUpWithNoteItem(
    const std::shared_ptr<BXNote>& note, BXTagsCategories* categories)
{
    m_noteItem = note;
    setCategoriesController(categories);
    observeNotes(note ? QList<ManagedObjectPtr> { note } : QList<ManagedObjectPtr>());
    setContentForCategories(
        note ? note->relatedObjects(BXNote::CategoriesKey) : QList<ManagedObjectPtr>());
    observeCategoriesSelection();
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
        // Each category once, in the order the notes give them.
        QSet<const platform::ManagedObject*> seen;
        for (const ManagedObjectPtr& note : notes) {
            for (const ManagedObjectPtr& category : note->relatedObjects(BXNote::CategoriesKey)) {
                if (!seen.contains(category.get())) {
                    seen.insert(category.get());
                    categories.append(category);
                }
            }
        }
    } else if (m_noteItem) {
        categories = m_noteItem->relatedObjects(BXNote::CategoriesKey);
    }
    setContentForCategories(categories);
}

void BXTagsController::setContentForCategories(const QList<ManagedObjectPtr>& categories)
{
    QVariantList tokens;
    for (const ManagedObjectPtr& category : categories) {
        const auto* typed = dynamic_cast<const BXCategory*>(category.get());
        if (!typed || !typed->isPlainCategory())
            continue;
        if (const std::optional<BXCategoryToken> token
            = BXCategoryToken::tokenWithCategory(category))
            tokens.append(token->toVariant());
    }
    setContent(tokens);
}

void BXTagsController::observeNotes(const QList<ManagedObjectPtr>& notes)
{
    if (notes == m_observedNotes && !m_noteObservations.isEmpty())
        return;
    removeNotesObservation();
    m_observedNotes = notes;
    m_noteObservations.reserve(notes.size());
    for (const ManagedObjectPtr& note : notes) {
        m_noteObservations.append(connect(
            note.get(), &platform::ManagedObject::valueChanged, this, [this](const QString& key) {
                if (key == BXNote::CategoriesKey && !m_applying)
                    refreshContents();
            }));
    }
}

void BXTagsController::removeNotesObservation()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_noteObservations))
        disconnect(connection);
    m_noteObservations.clear();
    m_observedNotes.clear();
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

std::optional<BXCategoryToken> BXTagsController::tokenForString(const QString& string) const
{
    const BXTagsCategories* source = categoriesController();
    if (!source)
        return std::nullopt;
    const platform::PredicateRef matching = platform::Predicate::predicateWithFormat(
        QStringLiteral("categoryName LIKE[cd] %@"), { string });
    if (!matching)
        return std::nullopt;
    for (const ManagedObjectPtr& category : source->plainCategories()) {
        if (matching->evaluateWithObject(platform::KeyValueRef(category)))
            return BXCategoryToken::tokenWithCategory(category);
    }
    return std::nullopt;
}

ManagedObjectPtr BXTagsController::categoryFromToken(const BXCategoryToken& token) const
{
    if (const ManagedObjectPtr& held = token.category())
        return BXManagedObjectUtilities::objectAvailable(*held) ? held : nullptr;
    platform::ManagedObjectContext* context = tagsManagedObjectContext();
    if (!context || !context->persistentStoreCoordinator())
        return nullptr;
    const platform::ManagedObjectID id
        = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(
            token.categoryURIRepresentation());
    if (id.isNull() || id.isTemporaryID())
        return nullptr;
    platform::Error error;
    ManagedObjectPtr object = context->existingObjectWithID(id, &error);
    if (!object) {
        if (!error.isNull())
            platform::log(QStringLiteral("ID error: %@"), error);
        return nullptr;
    }
    return dynamic_cast<BXCategory*>(object.get()) ? object : nullptr;
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

bool BXTagsController::isShown(const BXCategoryToken& token, TokenField* field) const
{
    const QVariantList shown = field ? field->objectValue() : m_content.value_or(QVariantList());
    return shown.contains(token.toVariant());
}

std::optional<QString> BXTagsController::displayString(TokenField*, const QVariant& object)
{
    if (const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(object))
        return token->categoryName();
    return object.toString();
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
    BXTagsCategories* source = categoriesController();
    if (!controller->canceled() && field && source) {
        if (platform::ManagedObjectContext* context = tagsManagedObjectContext();
            context && context->undoManager())
            context->undoManager()->setActionName(
                platform::localized(QStringLiteral("Add Category")));
        const ManagedObjectPtr category = source->newCategoryWithName(name, false);
        if (index >= 0 && category) {
            if (const std::optional<BXCategoryToken> token
                = BXCategoryToken::tokenWithCategory(category))
                list[index] = token->toVariant();
        }
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
    const BXTagsCategories* source = categoriesController();
    if (!source)
        return QStringList();
    // Shown names are left out by exact comparison, which a set answers at once.
    QSet<QString> shown;
    for (const QVariant& entry :
        field ? field->objectValue() : m_content.value_or(QVariantList())) {
        if (const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry))
            shown.insert(token->categoryName());
    }
    const platform::PredicateRef matching = platform::Predicate::predicateWithFormat(
        QStringLiteral("categoryName BEGINSWITH[cd] %@"), { substring });
    QStringList names;
    if (!matching)
        return names;
    for (const ManagedObjectPtr& category : source->plainCategories()) {
        const QString name = static_cast<const BXCategory*>(category.get())->categoryName();
        if (!shown.contains(name) && matching->evaluateWithObject(platform::KeyValueRef(category)))
            names.append(name);
    }
    return names;
}

bool BXTagsController::hasMenuForRepresentedObject(TokenField*, const QVariant& object)
{
    return BXCategoryToken::isToken(object);
}

QMenu* BXTagsController::menuForRepresentedObject(TokenField* field, const QVariant& object)
{
    const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(object);
    const ManagedObjectPtr category = token ? categoryFromToken(*token) : nullptr;
    m_menuField = field;
    for (QAction* item : m_tokenMenu->actions()) {
        item->setVisible(category != nullptr);
        QVariant represented;
        if (category && platform::CommandRouter::target(item) == this)
            represented = QVariantMap { { TokenFieldKey, QVariant::fromValue<QObject*>(field) },
                { CategoryTokenKey, object } };
        else if (category)
            represented = QVariant::fromValue(category);
        platform::CommandRouter::setRepresentedObject(item, represented);
    }
    return m_tokenMenu.get();
}

std::optional<QVariantList> BXTagsController::readFromPasteboard(
    TokenField* field, const QMimeData& data)
{
    QVariantList result;
    // Tokens copied from a tag field are found again by their URIs, names aside.
    if (data.hasFormat(BXCategoryToken::PasteboardType)) {
        const std::optional<QList<BXCategoryToken>> decoded
            = BXCategoryToken::tokensFromArchive(data.data(BXCategoryToken::PasteboardType));
        for (const BXCategoryToken& copied : decoded.value_or(QList<BXCategoryToken>())) {
            const ManagedObjectPtr category = categoryFromToken(copied);
            const auto* typed = dynamic_cast<const BXCategory*>(category.get());
            if (!typed || !typed->isPlainCategory())
                continue;
            const std::optional<BXCategoryToken> token
                = BXCategoryToken::tokenWithCategory(category);
            if (token && !isShown(*token, field) && !result.contains(token->toVariant()))
                result.append(token->toVariant());
        }
        if (!result.isEmpty())
            return result;
    }
    if (!data.hasText())
        return result;
    // Lines end at LF, CR LF or CR, whichever program wrote them; nothing else is trimmed.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString& line : data.text().split(lineBreak)) {
        const std::optional<BXCategoryToken> token = tokenForString(line);
        if (token && !isShown(*token, field))
            result.append(token->toVariant());
    }
    return result;
}

void BXTagsController::writeRepresentedObjects(
    TokenField*, const QVariantList& objects, QMimeData& data)
{
    QList<BXCategoryToken> tokens;
    for (const QVariant& object : objects) {
        if (const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(object))
            tokens.append(*token);
    }
    if (!tokens.isEmpty())
        data.setData(BXCategoryToken::PasteboardType, BXCategoryToken::archivedTokens(tokens));
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
    if (!categoriesController())
        return;
    QList<ManagedObjectPtr> categories;
    for (const QVariant& entry : list) {
        const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry);
        const ManagedObjectPtr category = token ? categoryFromToken(*token) : nullptr;
        if (category && !categories.contains(category))
            categories.append(category);
    }
    // A tag typed again that the notes already have leaves every note as it was: no step.
    const auto holds = [&categories](const ManagedObjectPtr& note) {
        const QList<ManagedObjectPtr> held = note->relatedObjects(BXNote::CategoriesKey);
        return !BXManagedObjectUtilities::objectAvailable(*note)
            || (held.size() == categories.size()
                && std::all_of(
                    held.cbegin(), held.cend(), [&categories](const ManagedObjectPtr& tag) {
                        return categories.contains(tag);
                    }));
    };
    if (std::all_of(notes.cbegin(), notes.cend(), holds)) {
        // The field drops the repeated token.
        refreshContents();
        return;
    }
    if (platform::ManagedObjectContext* context = tagsManagedObjectContext();
        context && context->undoManager())
        context->undoManager()->setActionName(platform::localized(QStringLiteral("Set Tags")));
    // The sidebar and the tokens react once after all the notes changed, not once per note;
    // undo and redo replay the changes between the same two marks.
    registerBulkMark(false);
    beginBulkChange();
    for (const ManagedObjectPtr& note : notes) {
        if (BXManagedObjectUtilities::objectAvailable(*note))
            note->setRelatedObjects(BXNote::CategoriesKey, categories);
    }
    endBulkChange();
    registerBulkMark(true);
}

void BXTagsController::beginBulkChange()
{
    BXTagsCategories* source = categoriesController();
    m_sidebarWasIgnoring = source && source->ignoreObservation();
    if (source)
        source->setIgnoreObservation(true);
    m_applying = true;
}

void BXTagsController::endBulkChange()
{
    m_applying = false;
    if (BXTagsCategories* source = categoriesController()) {
        source->setIgnoreObservation(m_sidebarWasIgnoring);
        if (!m_sidebarWasIgnoring)
            source->categoriesChangedInBulk();
    }
    refreshContents();
}

void BXTagsController::registerBulkMark(bool opening)
{
    platform::ManagedObjectContext* context = tagsManagedObjectContext();
    platform::UndoManager* undo = context ? context->undoManager() : nullptr;
    if (!undo)
        return;
    // Undo runs a step's actions last to first: the mark registered after the changes opens
    // the replay, the one registered before them closes it. Each registers its counterpart
    // for the way back.
    QPointer<BXTagsController> self(this);
    undo->registerUndo(this, [self, opening] {
        if (!self)
            return;
        if (opening)
            self->beginBulkChange();
        else
            self->endBulkChange();
        self->registerBulkMark(!opening);
    });
}

void BXTagsController::removeTag(const QVariantMap& info)
{
    TokenField* field = fieldFrom(info.value(TokenFieldKey));
    const QVariant token = info.value(CategoryTokenKey);
    QVariantList list = m_content.value_or(QVariantList());
    if (list.contains(token)) {
        list.removeAll(token);
        setContent(std::nullopt);
        platform::dispatchAfter(0, this, [this, list] { setContent(list); });
        m_editingBegun = false;
        m_initialObjectValue.reset();
        applyTokens(list, targetNotes());
    } else if (field) {
        QVariantList shown = field->objectValue();
        shown.removeAll(token);
        field->setObjectValue(shown);
    }
}

void BXTagsController::menuWillSendAction(const platform::Notification& notification)
{
    const auto* item = qobject_cast<QAction*>(
        notification.userInfo.value(QStringLiteral("MenuItem")).value<QObject*>());
    // Select and Edit act on the document: the open edit is applied before they arrive.
    if (m_editingBegun && item && platform::CommandRouter::target(item) != this && m_menuField)
        m_menuField->endEditing();
}

void BXTagsController::categoryNameChanged(const platform::Notification& notification)
{
    const BXTagsCategories* source = categoriesController();
    if (!source)
        return;
    ManagedObjectPtr category;
    for (const ManagedObjectPtr& candidate : source->allCategories()) {
        if (candidate.get() == notification.object) {
            category = candidate;
            break;
        }
    }
    const auto* typed = dynamic_cast<const BXCategory*>(category.get());
    if (!typed)
        return;
    if (!m_content) {
        refreshContents();
        return;
    }
    // Edits not yet applied stay: only the renamed tokens change.
    QVariantList list
        = m_tokenField && m_tokenField->isEditing() ? m_tokenField->objectValue() : *m_content;
    const QUrl uri = category->objectID().URIRepresentation();
    bool matched = false;
    for (QVariant& entry : list) {
        std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry);
        if (!token || token->categoryURIRepresentation() != uri)
            continue;
        token->setCategoryName(typed->categoryName());
        token->setCategory(category);
        entry = token->toVariant();
        matched = true;
    }
    if (!matched) {
        refreshContents();
        return;
    }
    setContent(std::nullopt);
    platform::dispatchAfter(0, this, [this, list] { setContent(list); });
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
    return action == RemoveTagAction;
}

void BXTagsController::perform(const platform::Command& command)
{
    if (command.action == RemoveTagAction)
        removeTag(command.representedObject.toMap());
}
