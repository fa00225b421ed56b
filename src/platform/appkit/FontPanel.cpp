#include "FontPanel.h"

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

FontPanel::FontPanel() : SharedPanel(kChangeFontAction) { }

QFontDialog* FontPanel::dialog()
{
    return static_cast<QFontDialog*>(panel());
}

QDialog* FontPanel::makeDialog()
{
    auto* dialog = new QFontDialog;
    dialog->setWindowTitle(localized(QStringLiteral("Fonts")));
    // No OK or Cancel: each change applies at once, as the user makes it.
    dialog->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    dialog->setCurrentFont(m_font);
    connect(dialog, &QFontDialog::currentFontChanged, this, [this](const QFont& font) {
        m_font = font;
        if (applyUserChange(QVariant::fromValue(font)))
            emit fontChanged(font);
    });
    return dialog;
}

void FontPanel::setPanelFont(const QFont& font)
{
    m_font = font;
    showWithoutApplying([&] { dialog()->setCurrentFont(font); });
}

} // namespace platform
