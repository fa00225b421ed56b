#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

namespace platform {

// Stand-ins that a selection answers for a key when there is no single value to show.
enum class SelectionMarker { NoSelection, MultipleValues };

// What a controller's selection() hands to the views bound to it: none, one or several
// objects seen as one. Reading a key gives the shared value, or a marker when nothing is
// selected or the objects disagree; writing sets the value on every selected object. A
// snapshot: it keeps its objects alive and does not follow later selection changes. Main
// thread only.
class ControllerSelection {
public:
    explicit ControllerSelection(QList<ManagedObjectPtr> objects);
    virtual ~ControllerSelection() = default;

    const QList<ManagedObjectPtr>& objects() const { return m_objects; }
    int count() const { return int(m_objects.size()); }

    // "@count" counts the objects; "@distinctUnionOfSets.<key>" joins the to-many values of
    // <key> without repeats; any other key path gives the objects' common value, or the
    // NoSelection or MultipleValues marker.
    virtual QVariant valueForKeyPath(const QString& keyPath) const;
    // Sets the value on every object; a dotted path sets it on the to-one objects the path
    // leads to.
    virtual void setValue(const QVariant& value, const QString& keyPath);

    static QVariant marker(SelectionMarker marker) { return QVariant::fromValue(marker); }
    static bool isMarker(const QVariant& value, SelectionMarker marker);
    static bool isMarker(const QVariant& value);

private:
    QList<ManagedObjectPtr> m_objects;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::SelectionMarker)
