#pragma once

#include "platform/data/ManagedObject.h"

#include <QIcon>
#include <QStringList>

#include <memory>

// A group of notes (entity "Category"), shown as a tag: a name, a sidebar position and a
// to-many relation to its notes. Also the base of the smart categories, which classify
// themselves through the same questions. Used on its context's thread (the main thread for
// the icons); emits valueChanged for its stored keys.
class BXCategory : public platform::ManagedObject {
public:
    using CategoryPtr = std::shared_ptr<BXCategory>;

    // Keys of the stored attributes and relationship.
    static inline const QString CategoryIDKey = QStringLiteral("categoryID");
    static inline const QString CategoryNameKey = QStringLiteral("categoryName");
    static inline const QString PositionKey = QStringLiteral("position");
    static inline const QString NotesKey = QStringLiteral("notes");

    static inline const QString AllNotesCategoryID = QStringLiteral("AllNotesCategory");
    static inline const QString RecentNotesCategoryID = QStringLiteral("RecentNotesCategory");
    static inline const QString NoCategoryID = QStringLiteral("NoCategory");
    // Met in older stores; the categories controller turns it into a user category.
    static inline const QString DefaultCategoryID = QStringLiteral("DefaultCategory");

    static QString entityName();
    // All Notes, Recent Notes, No Category, in that order.
    static const QStringList& builtInCategoryIdentifiers();

    QString categoryID() const;
    void setCategoryID(const QString& identifier);
    virtual QString categoryName() const;
    void setCategoryName(const QString& name);
    // 0 when none is stored, though an empty position sorts before every number.
    qint64 position() const;
    bool hasPosition() const;
    void setPosition(qint64 position);
    virtual QList<platform::ManagedObjectPtr> notes() const;

    // categoryID, or "Category" when there is none.
    QString identifier() const;
    bool isBuiltInCategory() const;
    bool isUserCategory() const { return !isBuiltInCategory(); }
    bool isEditable() const { return !isBuiltInCategory(); }
    // Only a category of exactly the entity "Category": never a smart one.
    bool isPlainCategory() const;
    bool isFetchedNotesCategory() const;
    // Shared per process; needs the GUI application.
    QIcon categoryIcon() const;

    // Reads the saved values again, keeping unsaved changes; does nothing without a store or
    // when called from within itself (observers of the changes it reports may call it).
    void refresh();
    bool isRefreshing() const { return m_refreshing; }

    // Adds the derived keys "identifier", "isPlainCategory", "isBuiltInCategory",
    // "isUserCategory", "isEditable" and "isFetchedNotesCategory", so that predicates and sort
    // descriptors can read them.
    QVariant valueForKey(const QString& key) const override;

private:
    bool m_refreshing = false;
};
