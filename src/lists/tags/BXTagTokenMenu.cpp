#include "lists/tags/BXTagTokenMenu.h"

#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXTagLookup.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/TokenField.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"

#include <QMenu>

using platform::TokenField;

namespace {

const QString TokenFieldKey = QStringLiteral("tokenField");
const QString CategoryTokenKey = QStringLiteral("categoryToken");

} // namespace

BXTagTokenMenu::BXTagTokenMenu(QObject* editor, const BXTagLookup& lookup, Hooks hooks)
    : m_editor(editor), m_lookup(lookup), m_hooks(std::move(hooks))
{ }

BXTagTokenMenu::~BXTagTokenMenu()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void BXTagTokenMenu::build()
{
    if (m_menu)
        return;
    m_menu = std::make_unique<QMenu>();
    const struct {
        const char* title;
        QString action;
        int tag;
    } items[] = { { "Select Tag", QStringLiteral("selectTag:"), 0 },
        { "Edit Tag…", QStringLiteral("editTag:"), 1 }, { "Remove Tag", RemoveTagAction, 0 } };
    for (const auto& item : items) {
        QAction* action = m_menu->addAction(platform::localized(QString::fromUtf8(item.title)));
        platform::CommandRouter::setAction(action, item.action, item.tag);
        // Select and Edit travel the responder chain to the document.
        if (item.action == RemoveTagAction)
            platform::CommandRouter::setTarget(action, m_editor);
    }
    platform::CommandRouter::shared().attachMenu(m_menu.get());
    platform::NotificationCenter::defaultCenter().addObserver(this,
        platform::MenuWillSendActionNotification, m_menu.get(),
        [this](const platform::Notification& notification) { menuWillSendAction(notification); });
}

bool BXTagTokenMenu::hasMenuForRepresentedObject(const QVariant& object)
{
    return BXCategoryToken::isToken(object);
}

QMenu* BXTagTokenMenu::menuForRepresentedObject(TokenField* field, const QVariant& object)
{
    const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(object);
    const platform::ManagedObjectPtr category
        = token ? m_lookup.categoryFromToken(*token) : nullptr;
    m_menuField = field;
    for (QAction* item : m_menu->actions()) {
        item->setVisible(category != nullptr);
        QVariant represented;
        if (category && platform::CommandRouter::target(item) == m_editor)
            represented = QVariantMap { { TokenFieldKey, QVariant::fromValue<QObject*>(field) },
                { CategoryTokenKey, object } };
        else if (category)
            represented = QVariant::fromValue(category);
        platform::CommandRouter::setRepresentedObject(item, represented);
    }
    return m_menu.get();
}

void BXTagTokenMenu::menuWillSendAction(const platform::Notification& notification)
{
    const auto* item = qobject_cast<QAction*>(
        notification.userInfo.value(QStringLiteral("MenuItem")).value<QObject*>());
    // Select and Edit act on the document: the open edit is applied before they arrive.
    if (m_hooks.editing() && item && platform::CommandRouter::target(item) != m_editor
        && m_menuField)
        m_menuField->endEditing();
}

void BXTagTokenMenu::removeTag(const QVariantMap& info)
{
    const QVariant token = info.value(CategoryTokenKey);
    if (m_hooks.removeShownTag(token))
        return;
    // The field's edit is open: the notes change when it ends, with whatever else was typed.
    if (auto* field = qobject_cast<TokenField*>(info.value(TokenFieldKey).value<QObject*>()))
        field->removeEntry(token);
}
