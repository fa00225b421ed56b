#include "ParagraphSpacingPanel.h"

#include "platform/foundation/Localized.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

namespace platform {

namespace {

QDoubleSpinBox* field(QWidget* parent, double maximum, double step, const QString& suffix)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(0, maximum);
    box->setDecimals(2);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    return box;
}

} // namespace

ParagraphSpacingPanel::ParagraphSpacingPanel(const ParagraphStyle& style, QWidget* parent)
    : QDialog(parent),
      m_multiple(field(this, 10, 0.1, QStringLiteral(" \u00D7"))),
      m_lineSpacing(field(this, 1000, 1, QStringLiteral(" pt"))),
      m_before(field(this, 1000, 1, QStringLiteral(" pt"))),
      m_after(field(this, 1000, 1, QStringLiteral(" pt")))
{
    setWindowTitle(localized(QStringLiteral("Spacing")));
    setAttribute(Qt::WA_DeleteOnClose);
    // 0 is "not set": single line height.
    m_multiple->setSpecialValueText(localized(QStringLiteral("Single")));
    m_multiple->setValue(style.lineHeightMultiple);
    m_lineSpacing->setValue(style.lineSpacing);
    m_before->setValue(style.paragraphSpacingBefore);
    m_after->setValue(style.paragraphSpacing);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(localized(QStringLiteral("Line height multiple:")), m_multiple);
    layout->addRow(localized(QStringLiteral("Line spacing:")), m_lineSpacing);
    layout->addRow(localized(QStringLiteral("Paragraph spacing before:")), m_before);
    layout->addRow(localized(QStringLiteral("Paragraph spacing after:")), m_after);
    layout->addRow(buttons);
}

void ParagraphSpacingPanel::applyTo(ParagraphStyle& style) const
{
    style.lineHeightMultiple = m_multiple->value();
    style.lineSpacing = m_lineSpacing->value();
    style.paragraphSpacingBefore = m_before->value();
    style.paragraphSpacing = m_after->value();
}

} // namespace platform
