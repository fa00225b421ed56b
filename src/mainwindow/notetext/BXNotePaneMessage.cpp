#include "mainwindow/notetext/BXNotePaneMessage.h"

#include "ui/BXFadingText.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"

#include <QApplication>
#include <QEvent>

namespace {

constexpr int kMargin = 20;

} // namespace

BXNotePaneMessage::BXNotePaneMessage(QWidget* pane, QObject* parent)
    : QObject(parent), m_pane(pane), m_view(new BXFadingText(pane))
{
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPointSizeF(kFontSize);
    m_view->setFont(font);
    m_view->setAlignment(Qt::AlignCenter);
    m_view->setWordWrap(true);
    m_view->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_view->setAutoFillBackground(true);
    m_view->setBackgroundRole(QPalette::Base);
    m_view->hide();
    m_pane->installEventFilter(this);
}

void BXNotePaneMessage::update(qsizetype selectedCount)
{
    m_shown = selectedCount >= 2;
    if (m_shown) {
        const QString message = platform::format(
            platform::localized(QStringLiteral("%ld notes selected")), selectedCount);
        if (message != m_message) {
            m_message = message;
            m_view->setText(message);
            layout();
        }
    }
    m_view->setVisible(m_shown);
    // Above the bars and the text, which the pane gained after the message.
    if (m_shown)
        m_view->raise();
}

bool BXNotePaneMessage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pane && event->type() == QEvent::Resize)
        layout();
    return QObject::eventFilter(watched, event);
}

void BXNotePaneMessage::layout()
{
    const QRect pane = m_pane->rect();
    const int width = pane.width() - 2 * kMargin;
    const int height = m_view->heightForWidth(width);
    m_view->setGeometry(kMargin, (pane.height() - height) / 2, width, height);
}
