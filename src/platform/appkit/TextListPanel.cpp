#include "TextListPanel.h"

#include "platform/foundation/Localized.h"
#include "platform/text/TextListMarkers.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

namespace platform {

TextListPanel::TextListPanel(QWidget* parent) : QDialog(parent), m_markers(new QComboBox(this))
{
    setWindowTitle(localized(QStringLiteral("List")));
    setAttribute(Qt::WA_DeleteOnClose);
    m_markers->addItem(localized(QStringLiteral("None")), int(QTextListFormat::ListStyleUndefined));
    for (const QTextListFormat::Style style : { QTextListFormat::ListDisc,
             QTextListFormat::ListCircle, QTextListFormat::ListSquare, QTextListFormat::ListDecimal,
             QTextListFormat::ListLowerAlpha, QTextListFormat::ListUpperAlpha,
             QTextListFormat::ListLowerRoman, QTextListFormat::ListUpperRoman }) {
        const QString sample = TextListMarkers::marker(style, 1) + u' '
            + TextListMarkers::marker(style, 2) + u' ' + TextListMarkers::marker(style, 3);
        m_markers->addItem(sample, int(style));
    }
    setMarkerStyle(QTextListFormat::ListDisc);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(localized(QStringLiteral("Bullets and numbering:")), m_markers);
    layout->addRow(buttons);
}

QTextListFormat::Style TextListPanel::markerStyle() const
{
    return QTextListFormat::Style(m_markers->currentData().toInt());
}

void TextListPanel::setMarkerStyle(QTextListFormat::Style style)
{
    m_markers->setCurrentIndex(std::max(0, m_markers->findData(int(style))));
}

} // namespace platform
