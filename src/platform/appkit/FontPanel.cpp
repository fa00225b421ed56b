#include "FontPanel.h"

#include "platform/foundation/Localized.h"

#include <QFontDialog>

namespace platform {

FontPanel& FontPanel::shared()
{
    // Lives as long as the process: deleting its dialog once the application object is gone
    // (as the application's child would be) crashes inside the widget library.
    static FontPanel* panel = new FontPanel;
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
