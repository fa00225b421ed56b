#include "BXDataModel.h"

#include "BXCategory.h"
#include "BXDocumentPreference.h"
#include "BXFetchedNotesCategory.h"
#include "BXNote.h"

using platform::AttributeDescription;
using platform::EntityDescription;
using platform::ManagedObjectModel;
using platform::RelationshipDescription;

namespace {

std::shared_ptr<const ManagedObjectModel> makeModel()
{
    using Type = AttributeDescription::Type;
    using Rule = RelationshipDescription::DeleteRule;
    auto model = std::make_shared<ManagedObjectModel>(1, QStringList { QStringLiteral("1") });

    // The note flags start as NO: a NULL would match neither "= NO" nor "= YES", so a filter
    // such as the notes list's "trashFlag = NO" would hide every note.
    EntityDescription& note = model->addEntity(QStringLiteral("Note"));
    note.setClass<BXNote>();
    note.addAttribute(QStringLiteral("noteName"), Type::String);
    note.addAttribute(QStringLiteral("noteTitle"), Type::String);
    note.addAttribute(QStringLiteral("noteText"), Type::String);
    note.addAttribute(QStringLiteral("noteStyles"), Type::Binary);
    note.addAttribute(QStringLiteral("noteCreated"), Type::Date);
    note.addAttribute(QStringLiteral("noteModified"), Type::Date);
    note.addAttribute(QStringLiteral("trashFlag"), Type::Boolean).setDefaultValue(false);
    note.addAttribute(QStringLiteral("lastImportFlag"), Type::Boolean).setDefaultValue(false);
    note.addAttribute(QStringLiteral("omitFlag"), Type::Boolean).setDefaultValue(false);
    note.addAttribute(QStringLiteral("selFlag"), Type::Boolean).setDefaultValue(false);
    note.addAttribute(QStringLiteral("label"), Type::Integer64);
    note.addAttribute(QStringLiteral("selectedRangeString"), Type::String);
    note.addAttribute(QStringLiteral("windowFrameString"), Type::String);
    note.addAttribute(QStringLiteral("windowRulerVisible"), Type::Boolean).setDefaultValue(false);
    note.addAttribute(QStringLiteral("windowTagsVisible"), Type::Boolean).setDefaultValue(false);
    note.addRelationship(QStringLiteral("categories"), QStringLiteral("Category"),
        QStringLiteral("notes"), true, Rule::Nullify);

    EntityDescription& category = model->addEntity(QStringLiteral("Category"));
    category.setClass<BXCategory>();
    category.addAttribute(QStringLiteral("categoryID"), Type::String);
    category.addAttribute(QStringLiteral("categoryName"), Type::String);
    category.addAttribute(QStringLiteral("position"), Type::Integer64);
    category.addRelationship(QStringLiteral("notes"), QStringLiteral("Note"),
        QStringLiteral("categories"), true, Rule::Nullify);

    EntityDescription& fetched
        = model->addEntity(QStringLiteral("FetchedNotesCategory"), QStringLiteral("Category"));
    fetched.setClass<BXFetchedNotesCategory>();
    fetched.addAttribute(QStringLiteral("predicate"), Type::Transformable)
        .setValueTransformerName(QStringLiteral("BXPredicateTransformer"));

    EntityDescription& preference = model->addEntity(QStringLiteral("DocumentPreference"));
    preference.setClass<BXDocumentPreference>();
    preference.addAttribute(QStringLiteral("prefType"), Type::String);
    preference.addAttribute(QStringLiteral("prefName"), Type::String);
    preference.addAttribute(QStringLiteral("prefString"), Type::String);
    preference.addAttribute(QStringLiteral("prefInteger"), Type::Integer64);
    preference.addAttribute(QStringLiteral("prefBoolean"), Type::Boolean);
    preference.addAttribute(QStringLiteral("prefPict"), Type::Binary);
    preference.addAttribute(QStringLiteral("prefBlob"), Type::Binary);

    platform::Error error;
    if (!model->finish(&error))
        qFatal("notes model: %s", qPrintable(error.toString()));
    return model;
}

} // namespace

std::shared_ptr<const ManagedObjectModel> BXDataModel::model()
{
    static const std::shared_ptr<const ManagedObjectModel> shared = makeModel();
    return shared;
}
