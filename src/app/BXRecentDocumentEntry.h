#pragma once

#include "platform/data/ManagedObject.h"

#include <QVariantMap>

// One row of the start windows' recent-documents list: a fixed dictionary with the keys "URL",
// "name", "where", "icon" and "when", read through key-value coding so the list's array
// controller and its model can show it. Main thread.
class BXRecentDocumentEntry final : public platform::ManagedObject {
    Q_OBJECT

public:
    explicit BXRecentDocumentEntry(QVariantMap values) : m_values(std::move(values)) { }

    QVariant valueForKey(const QString& key) const override { return m_values.value(key); }
    QUrl url() const { return m_values.value(QStringLiteral("URL")).toUrl(); }

private:
    QVariantMap m_values;
};
