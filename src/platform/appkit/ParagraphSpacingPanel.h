#pragma once

#include "platform/text/ParagraphStyle.h"

#include <QDialog>

class QDoubleSpinBox;

namespace platform {

// The "Spacing" panel of a text view: line-height multiple, spacing between lines and before
// and after paragraphs, starting from the style of the paragraph the selection starts in.
// Opened window-modal by the text view, which applies the values to every selected paragraph
// when the panel is accepted; deletes itself on closing. Main thread only.
class ParagraphSpacingPanel final : public QDialog {
    Q_OBJECT

public:
    ParagraphSpacingPanel(const ParagraphStyle& style, QWidget* parent);

    // Sets the panel's four values in `style`, leaving the rest.
    void applyTo(ParagraphStyle& style) const;

    QDoubleSpinBox* lineHeightMultipleField() const { return m_multiple; }
    QDoubleSpinBox* lineSpacingField() const { return m_lineSpacing; }
    QDoubleSpinBox* spacingBeforeField() const { return m_before; }
    QDoubleSpinBox* spacingAfterField() const { return m_after; }

private:
    QDoubleSpinBox* m_multiple;
    QDoubleSpinBox* m_lineSpacing;
    QDoubleSpinBox* m_before;
    QDoubleSpinBox* m_after;
};

} // namespace platform
