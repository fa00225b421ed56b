#include "BXSubtitledTableCellView.h"

#include "platform/appkit/CommandRouter.h"

#include <QLabel>

BXSubtitledTableCellView::BXSubtitledTableCellView(QWidget* parent)
    : BXInvisibleButtonsTableCellView(parent)
{ }

void BXSubtitledTableCellView::awakeFromNib()
{
    BXInvisibleButtonsTableCellView::awakeFromNib();
    m_subtitleField = nullptr;
    m_subtitleTextColor = QColor();
    const QList<QLabel*> labels = findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (QLabel* label : labels) {
        if (platform::CommandRouter::tag(label) == kSubtitleTag) {
            m_subtitleField = label;
            m_subtitleTextColor = label->palette().color(QPalette::WindowText);
            return;
        }
    }
}

void BXSubtitledTableCellView::setBackgroundStyle(int style)
{
    if (!m_subtitleField)
        return;
    QPalette palette = m_subtitleField->palette();
    palette.setColor(QPalette::WindowText,
        style == BackgroundStyleEmphasized ? QColor::fromRgbF(0.9f, 0.9f, 0.9f, 1.0f)
                                           : m_subtitleTextColor);
    m_subtitleField->setPalette(palette);
}
