#include "document/model/BXDataModel.h"

#include "document/model/BXCategory.h"
#include "document/model/BXDocumentPreference.h"
#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXNote.h"

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
    EntityDescription& note = model->addEntity(BXNote::entityName());
    note.setClass<BXNote>();
    note.addAttribute(BXNote::NoteNameKey, Type::String);
    note.addAttribute(BXNote::NoteTitleKey, Type::String);
    // A text of megabytes would be read and converted whenever any other value of its note is.
    note.addAttribute(BXNote::NoteTextKey, Type::String).setLoadedLazily(true);
    note.addAttribute(BXNote::NoteStylesKey, Type::Binary);
    note.addAttribute(BXNote::NoteCreatedKey, Type::Date);
    note.addAttribute(BXNote::NoteModifiedKey, Type::Date);
    note.addAttribute(BXNote::TrashFlagKey, Type::Boolean).setDefaultValue(false);
    note.addAttribute(BXNote::LastImportFlagKey, Type::Boolean).setDefaultValue(false);
    note.addAttribute(BXNote::OmitFlagKey, Type::Boolean).setDefaultValue(false);
    note.addAttribute(BXNote::SelFlagKey, Type::Boolean).setDefaultValue(false);
    note.addAttribute(BXNote::LabelKey, Type::Integer64);
    note.addAttribute(BXNote::SelectedRangeStringKey, Type::String);
    note.addAttribute(BXNote::WindowFrameStringKey, Type::String);
    note.addAttribute(BXNote::WindowRulerVisibleKey, Type::Boolean).setDefaultValue(false);
    note.addAttribute(BXNote::WindowTagsVisibleKey, Type::Boolean).setDefaultValue(false);
    note.addRelationship(
        BXNote::CategoriesKey, BXCategory::entityName(), BXCategory::NotesKey, true, Rule::Nullify);

    EntityDescription& category = model->addEntity(BXCategory::entityName());
    category.setClass<BXCategory>();
    category.addAttribute(BXCategory::CategoryIDKey, Type::String);
    category.addAttribute(BXCategory::CategoryNameKey, Type::String);
    category.addAttribute(BXCategory::PositionKey, Type::Integer64);
    category.addRelationship(
        BXCategory::NotesKey, BXNote::entityName(), BXNote::CategoriesKey, true, Rule::Nullify);

    EntityDescription& fetched
        = model->addEntity(BXFetchedNotesCategory::entityName(), BXCategory::entityName());
    fetched.setClass<BXFetchedNotesCategory>();
    fetched.addAttribute(BXFetchedNotesCategory::PredicateKey, Type::Transformable)
        .setValueTransformerName(QStringLiteral("BXPredicateTransformer"));

    EntityDescription& preference = model->addEntity(BXDocumentPreference::entityName());
    preference.setClass<BXDocumentPreference>();
    preference.addAttribute(BXDocumentPreference::PrefTypeKey, Type::String);
    preference.addAttribute(BXDocumentPreference::PrefNameKey, Type::String);
    preference.addAttribute(BXDocumentPreference::PrefStringKey, Type::String);
    preference.addAttribute(BXDocumentPreference::PrefIntegerKey, Type::Integer64);
    preference.addAttribute(BXDocumentPreference::PrefBooleanKey, Type::Boolean);
    preference.addAttribute(BXDocumentPreference::PrefPictKey, Type::Binary);
    preference.addAttribute(BXDocumentPreference::PrefBlobKey, Type::Binary);

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
