#include "lists/sidebar/BXPasteboardCategoryRow.h"

#include "platform/appkit/FilePromiseMimeData.h"

using namespace platform;

BXPasteboardCategoryRow::BXPasteboardCategoryRow(
    const IndexSet& rows, const BXPasteboardCategoryRowDelegate* delegate)
    : m_row(rows, delegate)
{
    if (delegate) {
        for (const int row : rows.toList())
            m_names.append(delegate->stringForRow(row));
    }
}

QStringList BXPasteboardCategoryRow::writableTypes() const
{
    return m_row.writableTypes() + QStringList { PlainTextType };
}

QByteArray BXPasteboardCategoryRow::pasteboardPropertyListForType(const QString& type) const
{
    if (type == PlainTextType)
        return m_names.join(u'\n').toUtf8();
    return m_row.pasteboardPropertyListForType(type);
}

QMimeData* BXPasteboardCategoryRow::mimeData(std::shared_ptr<const FilePromise> promise) const
{
    auto* data = new FilePromiseMimeData(std::move(promise));
    for (const QString& type : writableTypes())
        data->setData(type, pasteboardPropertyListForType(type));
    m_row.writeObjectIDs(data);
    return data;
}
