#include "lists/sidebar/BXCategorySections.h"

#include "document/model/BXCategory.h"

#include "platform/foundation/Localized.h"

using namespace platform;

void BXCategorySections::rebuild(const QList<ManagedObjectPtr>& arranged)
{
    if (!m_smart)
        m_smart = std::make_unique<BXCategorySectionHeader>(
            localized(QStringLiteral("SMART")), BXCategorySectionHeader::SmartIdentifier);
    if (!m_tags)
        m_tags = std::make_unique<BXCategorySectionHeader>(
            localized(QStringLiteral("TAGS")), BXCategorySectionHeader::TagsIdentifier);
    m_smart->children().clear();
    m_tags->children().clear();
    for (const ManagedObjectPtr& object : arranged) {
        const auto* category = dynamic_cast<const BXCategory*>(object.get());
        if (category && category->isFetchedNotesCategory() && category->isBuiltInCategory())
            m_smart->children().append(object);
        else
            m_tags->children().append(object);
    }
    m_shown.clear();
    if (!m_smart->children().isEmpty())
        m_shown.append(m_smart.get());
    if (!m_tags->children().isEmpty())
        m_shown.append(m_tags.get());
}

ManagedObjectPtr BXCategorySections::categoryAtRow(int row) const
{
    if (row < 0)
        return nullptr;
    int at = 0;
    for (const BXCategorySectionHeader* section : m_shown) {
        if (row == at)
            return nullptr;
        ++at;
        if (row < at + section->children().size())
            return section->children().at(row - at);
        at += int(section->children().size());
    }
    return nullptr;
}

int BXCategorySections::rowForCategory(const ManagedObjectPtr& object) const
{
    if (!object)
        return -1;
    int row = 0;
    for (const BXCategorySectionHeader* section : m_shown) {
        ++row;
        const qsizetype index = section->children().indexOf(object);
        if (index >= 0)
            return row + int(index);
        row += int(section->children().size());
    }
    return -1;
}
