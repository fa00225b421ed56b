#include "TextAttributeNames.h"

#include <QMutex>

namespace platform {

const QString TextAttributeNames::FontAttributeName = QStringLiteral("Font");
const QString TextAttributeNames::ForegroundColorAttributeName = QStringLiteral("ForegroundColor");
const QString TextAttributeNames::BackgroundColorAttributeName = QStringLiteral("BackgroundColor");
const QString TextAttributeNames::UnderlineStyleAttributeName = QStringLiteral("UnderlineStyle");
const QString TextAttributeNames::UnderlineColorAttributeName = QStringLiteral("UnderlineColor");
const QString TextAttributeNames::StrikethroughStyleAttributeName
    = QStringLiteral("StrikethroughStyle");
const QString TextAttributeNames::StrikethroughColorAttributeName
    = QStringLiteral("StrikethroughColor");
const QString TextAttributeNames::LinkAttributeName = QStringLiteral("Link");
const QString TextAttributeNames::BaselineOffsetAttributeName = QStringLiteral("BaselineOffset");
const QString TextAttributeNames::SuperscriptAttributeName = QStringLiteral("Superscript");
const QString TextAttributeNames::ParagraphStyleAttributeName = QStringLiteral("ParagraphStyle");
const QString TextAttributeNames::AttachmentAttributeName = QStringLiteral("Attachment");
const QString TextAttributeNames::KerningAttributeName = QStringLiteral("Kerning");
const QString TextAttributeNames::LetterSpacingAttributeName = QStringLiteral("LetterSpacing");
const QString TextAttributeNames::LigatureAttributeName = QStringLiteral("Ligature");

namespace {

struct CustomRegistry {
    QMutex mutex;
    QHash<QString, int> ids;
    QHash<int, QString> names;
};

CustomRegistry& customRegistry()
{
    static CustomRegistry registry;
    return registry;
}

} // namespace

int TextAttributeNames::registerAttribute(const QString& name)
{
    CustomRegistry& registry = customRegistry();
    QMutexLocker lock(&registry.mutex);
    const auto found = registry.ids.constFind(name);
    if (found != registry.ids.constEnd())
        return *found;
    const int id = FirstCustomProperty + int(registry.ids.size());
    registry.ids.insert(name, id);
    registry.names.insert(id, name);
    return id;
}

int TextAttributeNames::customAttributeId(const QString& name)
{
    CustomRegistry& registry = customRegistry();
    QMutexLocker lock(&registry.mutex);
    return registry.ids.value(name, -1);
}

QHash<int, QString> TextAttributeNames::customAttributeNames()
{
    CustomRegistry& registry = customRegistry();
    QMutexLocker lock(&registry.mutex);
    return registry.names;
}

} // namespace platform
