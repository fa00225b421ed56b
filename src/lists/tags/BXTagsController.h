#pragma once

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXAddCategoryPopoverViewControllerDelegate.h"
#include "lists/tags/BXCategoryToken.h"

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
class BXTagsCategories;
class BXTagsControllerDelegate;
class QMenu;

namespace platform {
class ManagedObjectContext;
struct Notification;
} // namespace platform

// The tag editor: shows the plain categories of the notes selected in a notes list (or of one
// note, in a note window) as tokens in a token field, and applies the edited list to those
// notes as one "Set Tags" step when the field's edit ends. Typed names become tokens of
// matching categories; an unknown name is offered for creation in a popover first ("Add
// Category"). Its content {"categories": list} is bound to the field both ways. Owned by its
// window controller; main thread only; delays go through the scheduler.
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
    void setContentForCategories(const QList<platform::ManagedObjectPtr>& categories);
    void observeNotes(const QList<platform::ManagedObjectPtr>& notes);
    void removeNotesObservation();
    const QList<platform::ManagedObjectPtr>& observedNotes() const { return m_observedNotes; }
    platform::ManagedObjectContext* tagsManagedObjectContext() const;

    bool editingBegun() const { return m_editingBegun; }
    const std::shared_ptr<BXNote>& noteItem() const { return m_noteItem; }
    BXAddCategoryPopoverViewController* addCategoryPopoverViewController() const
    {
        return m_addCategoryPopoverViewController.get();
    }
    quint64 addCategoryCount() const { return m_addCategoryCount; }
    QMenu* tokenMenu() const { return m_tokenMenu.get(); }

    // Lookups.
    std::optional<BXCategoryToken> tokenForString(const QString& string) const;
    platform::ManagedObjectPtr categoryFromToken(const BXCategoryToken& token) const;
    QRect frameOfToken(const QVariant& object, platform::TokenField* field, bool selectingToken);

    // Token field delegate.
    std::optional<QString> displayString(platform::TokenField* field, const QVariant& object)
        override;
    std::optional<QVariant> representedObjectForEditingString(
        platform::TokenField* field, const QString& text) override;
    std::optional<QStringList> completions(
        platform::TokenField* field, const QString& substring, int tokenIndex) override;
    bool hasMenuForRepresentedObject(platform::TokenField* field, const QVariant& object) override;
    QMenu* menuForRepresentedObject(platform::TokenField* field, const QVariant& object) override;
    std::optional<QVariantList> readFromPasteboard(
        platform::TokenField* field, const QMimeData& data) override;
    void writeRepresentedObjects(
        platform::TokenField* field, const QVariantList& objects, QMimeData& data) override;
    bool textShouldBeginEditing(platform::TokenField* field) override;
    bool textShouldEndEditing(platform::TokenField* field) override;

    // Applies the field's tokens to the notes when an edit began.
    void tagsAction();
    // `info` holds "tokenField" and "categoryToken".
    void removeTag(const QVariantMap& info);
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

    void buildTokenMenu();
    void selectionChanged();
    void menuWillSendAction(const platform::Notification& notification);
    void categoryNameChanged(const platform::Notification& notification);
    void undoManagerWillChange(const platform::Notification& notification);
    // Gives up the open edit: the typed text, the tokens not yet applied and the names not yet
    // asked about go, and the field shows the notes' tags again.
    void abandonEdit();
    // Whether the field shows `token` now.
    bool isShown(const BXCategoryToken& token, platform::TokenField* field) const;
    QList<platform::ManagedObjectPtr> targetNotes() const;
    // One "Set Tags" step giving every note in `notes` exactly the categories of `list`.
    void applyTokens(const QVariantList& list, const QList<platform::ManagedObjectPtr>& notes);
    void observeCategoriesSelection();
    // Around changes of many notes: the sidebar and the tokens hold still until the end.
    void beginBulkChange();
    void endBulkChange();
    void registerBulkMark(bool opening);

    QPointer<platform::TokenField> m_tokenField;
    BXTagsControllerDelegate* m_delegate = nullptr;
    BXTagsCategories* m_categories = nullptr;
    QPointer<QObject> m_categoriesObject;
    QPointer<BXNotesArrayController> m_notesController;
    std::shared_ptr<BXNote> m_noteItem;
    QList<platform::ManagedObjectPtr> m_observedNotes;
    QList<QMetaObject::Connection> m_noteObservations;
    QMetaObject::Connection m_notesSelectionObservation;
    QMetaObject::Connection m_categoriesSelectionObservation;
    std::unique_ptr<BXAddCategoryPopoverViewController> m_addCategoryPopoverViewController;
    quint64 m_addCategoryCount = 0;
    QList<QueuedName> m_addCategoryPopoverItems;
    std::unique_ptr<QMenu> m_tokenMenu;
    QPointer<platform::TokenField> m_menuField;
    std::optional<QVariantList> m_initialObjectValue;
    QList<QPointer<platform::TokenField>> m_registeredEditors;
    std::optional<QVariantList> m_content;
    // The notes selected when the edit began, and while a pending edit is applied to them.
    QList<platform::ManagedObjectPtr> m_editingNotes;
    std::optional<QList<platform::ManagedObjectPtr>> m_applyTargets;
    bool m_editingBegun = false;
    // The selection changed while a typed name waited for its answer.
    bool m_selectionChangedWhileAsking = false;
    bool m_applying = false;
    bool m_sidebarWasIgnoring = false;
};
