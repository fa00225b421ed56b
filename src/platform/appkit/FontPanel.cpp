#include "FontPanel.h"

#include "CommandRouter.h"

#include "platform/foundation/Localized.h"

#include <QCoreApplication>
#include <QFontDialog>

namespace platform {

FontPanel& FontPanel::shared()
{
    static FontPanel* panel = [] {
        auto* made = new FontPanel;
        made->setParent(QCoreApplication::instance());
        return made;
    }();
    return *panel;
}

FontPanel::~FontPanel()
{
    // The application may have deleted the dialog with its other windows already.
    delete m_dialog.data();
}

QFontDialog* FontPanel::dialog()
{
    if (m_dialog)
        return m_dialog;
    m_dialog = new QFontDialog;
    m_dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    m_dialog->setWindowTitle(localized(QStringLiteral("Fonts")));
    // No OK or Cancel: each change applies at once, as the user makes it.
    m_dialog->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_dialog->setModal(false);
    m_dialog->setCurrentFont(m_font);
    connect(m_dialog, &QFontDialog::currentFontChanged, this, [this](const QFont& font) {
        m_font = font;
        if (m_settingFont)
            return;
        emit fontChanged(font);
        if (CommandRouter::shared().targetForAction(kChangeFontAction))
            CommandRouter::shared().sendAction(
                Command { kChangeFontAction, 0, QVariant::fromValue(font), std::nullopt });
    });
    return m_dialog;
}

void FontPanel::orderFront()
{
    QFontDialog* panel = dialog();
    panel->show();
    panel->raise();
}

void FontPanel::close()
{
    if (m_dialog)
        m_dialog->hide();
}

bool FontPanel::isVisible() const
{
    return m_dialog && m_dialog->isVisible();
}

QFont FontPanel::panelFont() const
{
    return m_font;
}

void FontPanel::setPanelFont(const QFont& font)
{
    m_font = font;
    if (!m_dialog)
        return;
    m_settingFont = true;
    m_dialog->setCurrentFont(font);
    m_settingFont = false;
}

} // namespace platform
