#pragma once

#include "lists/sidebar/BXCategorySectionHeader.h"

#include "platform/data/ManagedObject.h"

#include <QList>

#include <memory>

// The sections of the sidebar's outline: SMART holds the built-in smart categories, TAGS every
// other category, each in arranged order; only sections with categories are shown, SMART
// first. The outline's rows count the section rows too. The sections are made on the first
// rebuild and refilled by every later one. Owned by the categories controller; main thread only.
class BXCategorySections final {
public:
    void rebuild(const QList<platform::ManagedObjectPtr>& arranged);

    BXCategorySectionHeader* smartSection() const { return m_smart.get(); }
    BXCategorySectionHeader* tagsSection() const { return m_tags.get(); }
    // The non-empty sections, SMART before TAGS.
    const QList<BXCategorySectionHeader*>& shown() const { return m_shown; }

    // The category at an outline row; null for a section row or a row out of range.
    platform::ManagedObjectPtr categoryAtRow(int row) const;
    // The outline row of a shown category; -1 for any other object.
    int rowForCategory(const platform::ManagedObjectPtr& object) const;

private:
    std::unique_ptr<BXCategorySectionHeader> m_smart;
    std::unique_ptr<BXCategorySectionHeader> m_tags;
    QList<BXCategorySectionHeader*> m_shown;
};
