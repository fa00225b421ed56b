#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QString>

// One section of the sidebar's outline (SMART or TAGS): a title, an identifier and the
// categories listed under it. Sections are always expanded. Main thread only.
class BXCategorySectionHeader final {
public:
    static inline const QString SmartIdentifier = QStringLiteral("smart");
    static inline const QString TagsIdentifier = QStringLiteral("tags");

    BXCategorySectionHeader(const QString& title, const QString& identifier);

    bool isExpanded() const { return m_expanded; }
    const QString& title() const { return m_title; }
    const QString& identifier() const { return m_identifier; }
    const QList<platform::ManagedObjectPtr>& children() const { return m_children; }
    QList<platform::ManagedObjectPtr>& children() { return m_children; }

    // "<BXCategorySectionHeader: TAGS (3 children)>"
    QString description() const;

private:
    bool m_expanded = true;
    QString m_title;
    QString m_identifier;
    QList<platform::ManagedObjectPtr> m_children;
};
