#include "ColorPanel.h"

#include "CommandRouter.h"

#include "platform/foundation/Localized.h"

#include <QColorDialog>
#include <QCoreApplication>

namespace platform {

ColorPanel& ColorPanel::shared()
{
    static ColorPanel* panel = [] {
        auto* made = new ColorPanel;
        made->setParent(QCoreApplication::instance());
        return made;
    }();
    return *panel;
}

ColorPanel::~ColorPanel()
{
    // The application may have deleted the dialog with its other windows already.
    delete m_dialog.data();
}

QColorDialog* ColorPanel::dialog()
{
    if (m_dialog)
        return m_dialog;
    m_dialog = new QColorDialog;
    m_dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    m_dialog->setWindowTitle(localized(QStringLiteral("Colors")));
    // No OK or Cancel: each change applies at once, as the user makes it.
    m_dialog->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
    m_dialog->setModal(false);
    m_dialog->setCurrentColor(m_color);
    connect(m_dialog, &QColorDialog::currentColorChanged, this, [this](const QColor& color) {
        m_color = color;
        if (m_settingColor)
            return;
        emit colorChanged(color);
        if (CommandRouter::shared().targetForAction(kChangeColorAction))
            CommandRouter::shared().sendAction(
                Command { kChangeColorAction, 0, QVariant::fromValue(color), std::nullopt });
    });
    return m_dialog;
}

void ColorPanel::orderFront()
{
    QColorDialog* panel = dialog();
    panel->show();
    panel->raise();
}

void ColorPanel::close()
{
    if (m_dialog)
        m_dialog->hide();
}

bool ColorPanel::isVisible() const
{
    return m_dialog && m_dialog->isVisible();
}

QColor ColorPanel::panelColor() const
{
    return m_color;
}

void ColorPanel::setPanelColor(const QColor& color)
{
    m_color = color;
    if (!m_dialog)
        return;
    m_settingColor = true;
    m_dialog->setCurrentColor(color);
    m_settingColor = false;
}

} // namespace platform
