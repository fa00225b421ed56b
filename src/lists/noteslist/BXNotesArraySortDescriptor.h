#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/predicate/SortDescriptor.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>

// A sort criterion of the notes list: trashed notes (the spare empty note, and notes whose
// name and text were emptied) come last in either direction, ordered among themselves by the
// criterion, so the order stays strict; the rest by the criterion. Archived under its own
// class, which is the only one the window state accepts for the list's sort. A value type.
class BXNotesArraySortDescriptor final {
public:
    BXNotesArraySortDescriptor() = default;
    explicit BXNotesArraySortDescriptor(platform::SortDescriptor descriptor)
        : m_descriptor(std::move(descriptor))
    { }

    const platform::SortDescriptor& descriptor() const { return m_descriptor; }
    // -1, 0 or 1.
    int compare(const platform::ManagedObject& left, const platform::ManagedObject& right) const;
    // Only the trash rule, as a rank: 1 for a trashed note, 0 for a listed one.
    static int trashRank(const platform::ManagedObject& note);

    // Title, then creation, then modification date, all ascending.
    static QList<platform::SortDescriptor> defaultSortDescriptors();
    // Adds the class to the archiver; calling it again does no harm.
    static void registerArchiving();
    static QByteArray archivedData(const QList<platform::SortDescriptor>& descriptors);
    // The descriptors of an archive that holds only this class; the default ones for anything
    // else (another class, a broken or empty archive).
    static QList<platform::SortDescriptor> unarchivedSortDescriptors(const QByteArray& data);

    bool operator==(const BXNotesArraySortDescriptor& other) const = default;

private:
    platform::SortDescriptor m_descriptor;
};

Q_DECLARE_METATYPE(BXNotesArraySortDescriptor)
