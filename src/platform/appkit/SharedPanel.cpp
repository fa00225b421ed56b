#include "SharedPanel.h"

#include "CommandRouter.h"

namespace platform {

SharedPanel::SharedPanel(const QString& action) : m_action(action) { }

SharedPanel::~SharedPanel()
{
    // The application may have deleted the dialog with its other windows already.
    delete m_dialog.data();
}

QDialog* SharedPanel::panel()
{
    if (!m_dialog) {
        m_dialog = makeDialog();
        m_dialog->setModal(false);
    }
    return m_dialog;
}

void SharedPanel::orderFront()
{
    QDialog* dialog = panel();
    dialog->show();
    dialog->raise();
}

void SharedPanel::close()
{
    if (m_dialog)
        m_dialog->hide();
}

bool SharedPanel::isVisible() const
{
    return m_dialog && m_dialog->isVisible();
}

bool SharedPanel::applyUserChange(const QVariant& value)
{
    if (m_settingValue)
        return false;
    if (CommandRouter::shared().targetForAction(m_action))
        CommandRouter::shared().sendAction(Command { m_action, 0, value, std::nullopt });
    return true;
}

void SharedPanel::showWithoutApplying(const std::function<void()>& show)
{
    m_settingValue = true;
    show();
    m_settingValue = false;
}

} // namespace platform
