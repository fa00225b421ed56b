#include "ColorPanel.h"

#include "platform/foundation/Localized.h"

#include <QColorDialog>

namespace platform {

ColorPanel& ColorPanel::shared()
{
    // Lives as long as the process: deleting its dialog once the application object is gone
    // (as the application's child would be) crashes inside the widget library.
    static ColorPanel* panel = new ColorPanel;
    return *panel;
}

ColorPanel::ColorPanel() : SharedPanel(kChangeColorAction) { }

QColorDialog* ColorPanel::dialog()
{
    return static_cast<QColorDialog*>(panel());
}

QDialog* ColorPanel::makeDialog()
{
    auto* dialog = new QColorDialog;
    dialog->setWindowTitle(localized(QStringLiteral("Colors")));
    // No OK or Cancel: each change applies at once, as the user makes it.
    dialog->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
    dialog->setCurrentColor(m_color);
    connect(dialog, &QColorDialog::currentColorChanged, this, [this](const QColor& color) {
        m_color = color;
        if (applyUserChange(QVariant::fromValue(color)))
            emit colorChanged(color);
    });
    return dialog;
}

void ColorPanel::setPanelColor(const QColor& color)
{
    m_color = color;
    showWithoutApplying([&] { dialog()->setCurrentColor(color); });
}

} // namespace platform
