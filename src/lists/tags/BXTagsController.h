#pragma once

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXAddCategoryPopoverViewControllerDelegate.h"
#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXTagTokenMenu.h"
#include "lists/tags/BXTagTokens.h"
#include "lists/tags/BXTagsObservation.h"

#include "platform/appkit/TokenField.h"
#include "platform/appkit/TokenFieldDelegate.h"
#include "platform/controllers/Editor.h"
#include "platform/controllers/Responder.h"
#include "platform/data/ManagedObject.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

class BXAddCategoryPopoverViewController;
class BXNote;
class BXSetTagsStep;
class BXTagsCategories;
class BXTagsControllerDelegate;
class BXTagsPasteboard;
class QMenu;

namespace platform {
class ManagedObjectContext;
struct Notification;
} // namespace platform

// The tag editor: shows the plain categories of the notes selected in a notes list (or of one
// note, in a note window) as tokens in a token field, and applies the edited list to those
// notes as one "Set Tags" step when the field's edit ends. Typed names become tokens of
// matching categories; an unknown name is offered for creation in a popover first ("Add
// Category"). Its content {"categories": list} is bound to the field both ways. It keeps the
// content, the edit and its questions; the lookups, the token menu, the clipboard, the "Set
// Tags" step and the observing are collaborators of its own. Owned by its window controller;
// main thread only; delays go through the scheduler.
class BXTagsController final : public QObject,
                               public platform::TokenFieldDelegate,
                               public BXAddCategoryPopoverViewControllerDelegate,
                               public platform::Editor,
                               public platform::Responder {
    Q_OBJECT

public:
    static constexpr double kDeferredDelay = 0.1;

    BXTagsController();
    ~BXTagsController() override;

    // Wiring, before awakeFromNib(). None is owned.
    void setTokenField(platform::TokenField* field);
    platform::TokenField* tokenField() const { return m_tokenField; }
    void setDelegate(BXTagsControllerDelegate* delegate) { m_delegate = delegate; }
    // The categories the tags are made of; forgotten when their object goes.
    void setCategoriesController(BXTagsCategories* categories);
    BXTagsCategories* categoriesController() const;
    void setNotesController(BXNotesArrayController* controller) { m_notesController = controller; }
    BXNotesArrayController* notesController() const { return m_notesController; }

    // Builds the token menu and starts observing.
    void awakeFromNib();
    // Points the editor at one note of a note window and its document's categories.
    void setUpWithNoteItem(const std::shared_ptr<BXNote>& note, BXTagsCategories* categories);

    // The content's "categories" list; nullopt while the content is nil.
    const std::optional<QVariantList>& content() const { return m_content; }
    // Sets the content and refills the field.
    void setContent(const std::optional<QVariantList>& categories);
    void refreshContents();
    void setContentForCategories(const QList<platform::ManagedObjectPtr>& categories)
    {
        setContent(BXTagTokens::plainTokens(categories));
    }
    void observeNotes(const QList<platform::ManagedObjectPtr>& notes)
    {
        m_observation->observeNotes(notes);
    }
    void removeNotesObservation() { m_observation->removeNotesObservation(); }
    const QList<platform::ManagedObjectPtr>& observedNotes() const
    {
        return m_observation->observedNotes();
    }
    platform::ManagedObjectContext* tagsManagedObjectContext() const;

    bool editingBegun() const { return m_editingBegun; }
    const std::shared_ptr<BXNote>& noteItem() const { return m_noteItem; }
    BXAddCategoryPopoverViewController* addCategoryPopoverViewController() const
    {
        return m_addCategoryPopoverViewController.get();
    }
    quint64 addCategoryCount() const { return m_addCategoryCount; }
    QMenu* tokenMenu() const { return m_tokenMenu->menu(); }

    // Lookups.
    std::optional<BXCategoryToken> tokenForString(const QString& string) const
    {
        return m_tokens->tokenForString(string);
    }
    platform::ManagedObjectPtr categoryFromToken(const BXCategoryToken& token) const
    {
        return m_tokens->categoryFromToken(token);
    }
    QRect frameOfToken(const QVariant& object, platform::TokenField* field, bool selectingToken);

    // Token field delegate.
    std::optional<QString> displayString(platform::TokenField*, const QVariant& object) override
    {
        return BXTagTokens::displayString(object);
    }
    std::optional<QVariant> representedObjectForEditingString(
        platform::TokenField* field, const QString& text) override;
    std::optional<QStringList> completions(
        platform::TokenField* field, const QString& substring, int tokenIndex) override;
    bool hasMenuForRepresentedObject(platform::TokenField*, const QVariant& object) override
    {
        return BXTagTokenMenu::hasMenuForRepresentedObject(object);
    }
    QMenu* menuForRepresentedObject(platform::TokenField* field, const QVariant& object) override
    {
        return m_tokenMenu->menuForRepresentedObject(field, object);
    }
    std::optional<QVariantList> readFromPasteboard(
        platform::TokenField* field, const QMimeData& data) override;
    void writeRepresentedObjects(
        platform::TokenField* field, const QVariantList& objects, QMimeData& data) override;
    bool textShouldBeginEditing(platform::TokenField* field) override;
    bool textShouldEndEditing(platform::TokenField* field) override;

    // Applies the field's tokens to the notes when an edit began.
    void tagsAction();
    // `info` holds "tokenField" and "categoryToken".
    void removeTag(const QVariantMap& info) { m_tokenMenu->removeTag(info); }
    void showAddCategoryPopover();

    // Popover delegate.
    void addCategoryPopoverViewControllerDidClose(
        BXAddCategoryPopoverViewController* controller, const QVariantMap& contextInfo) override;

    // Editor: ends the field's edit, which applies it.
    bool commitEditing() override;
    void discardEditing() override;
    // Commits editor after editor, answering each; stops at the first refusal.
    void commitEditingWithCompletion(
        const std::function<void(bool didCommit)>& completion) override;

    // "removeTag:" from the token menu.
    bool respondsTo(const QString& action) const override;
    void perform(const platform::Command& command) override;

protected:
    QString commitFailureReason() const override;

private:
    struct QueuedName {
        QString categoryName;
        QPointer<platform::TokenField> tokenField;
    };

    void selectionChanged();
    void categoryNameChanged(const platform::Notification& notification);
    void undoManagerWillChange(const platform::Notification& notification);
    // Gives up the open edit: the typed text, the tokens not yet applied and the names not yet
    // asked about go, and the field shows the notes' tags again.
    void abandonEdit();
    // What `field` shows now, or the content without a field.
    QVariantList shownEntries(platform::TokenField* field) const;
    // Whether the field shows `token` now.
    bool isShown(const BXCategoryToken& token, platform::TokenField* field) const;
    QList<platform::ManagedObjectPtr> targetNotes() const;
    // One "Set Tags" step giving every note in `notes` exactly the categories of `list`.
    void applyTokens(const QVariantList& list, const QList<platform::ManagedObjectPtr>& notes);
    // "Remove Tag" of a token the content holds: the rest is applied at once as a step of its
    // own. False when only the field being edited shows the token, or while an edit is open.
    bool removeShownTag(const QVariant& token);

    QPointer<platform::TokenField> m_tokenField;
    BXTagsControllerDelegate* m_delegate = nullptr;
    BXTagsCategories* m_categories = nullptr;
    QPointer<QObject> m_categoriesObject;
    QPointer<BXNotesArrayController> m_notesController;
    std::shared_ptr<BXNote> m_noteItem;
    std::unique_ptr<BXAddCategoryPopoverViewController> m_addCategoryPopoverViewController;
    quint64 m_addCategoryCount = 0;
    QList<QueuedName> m_addCategoryPopoverItems;
    std::optional<QVariantList> m_initialObjectValue;
    QList<QPointer<platform::TokenField>> m_registeredEditors;
    std::optional<QVariantList> m_content;
    // The notes selected when the edit began, and while a pending edit is applied to them.
    QList<platform::ManagedObjectPtr> m_editingNotes;
    std::optional<QList<platform::ManagedObjectPtr>> m_applyTargets;
    bool m_editingBegun = false;
    // The selection changed while a typed name waited for its answer.
    bool m_selectionChangedWhileAsking = false;
    std::unique_ptr<BXTagTokens> m_tokens;
    std::unique_ptr<BXTagsPasteboard> m_pasteboard;
    std::unique_ptr<BXTagTokenMenu> m_tokenMenu;
    std::unique_ptr<BXSetTagsStep> m_setTags;
    std::unique_ptr<BXTagsObservation> m_observation;
};
