#include "lists/tags/BXAddCategoryPopoverViewController.h"

#include "lists/tags/BXAddCategoryPopoverViewControllerDelegate.h"

#include "platform/appkit/PopupWidget.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QKeyEvent>
#include <QVBoxLayout>

BXAddCategoryPopoverViewController::BXAddCategoryPopoverViewController() = default;

BXAddCategoryPopoverViewController::~BXAddCategoryPopoverViewController()
{
    // The view may sit in a popup still showing: take it out before both go.
    if (m_view)
        m_view->setParent(nullptr);
    delete m_popover.data();
    delete m_view.data();
}

bool BXAddCategoryPopoverViewController::popoverVisible() const
{
    return m_popover && m_popover->isVisible();
}

QWidget* BXAddCategoryPopoverViewController::view()
{
    if (!m_view)
        loadView();
    return m_view;
}

void BXAddCategoryPopoverViewController::loadView()
{
    m_view = new QWidget;
    m_view->setObjectName(nibName());
    m_messageTextField = new QLabel(m_view);
    m_messageTextField->setWordWrap(false);
    m_okButton = new QPushButton(platform::localized(QStringLiteral("OK")), m_view);
    m_cancelButton = new QPushButton(platform::localized(QStringLiteral("Cancel")), m_view);
    m_okButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_okButton);
    auto* column = new QVBoxLayout(m_view);
    column->setContentsMargins(14, 12, 14, 10);
    column->setSpacing(10);
    column->addWidget(m_messageTextField);
    column->addLayout(buttons);
    connect(m_okButton, &QPushButton::clicked, this, &BXAddCategoryPopoverViewController::okAction);
    connect(m_cancelButton, &QPushButton::clicked, this,
        &BXAddCategoryPopoverViewController::cancelAction);
    // Keys the buttons leave alone come up to the view: Return answers OK, Escape cancels.
    m_view->installEventFilter(this);
    updateQuestion();
}

bool BXAddCategoryPopoverViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            okAction();
            return true;
        case Qt::Key_Escape:
            cancelAction();
            return true;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void BXAddCategoryPopoverViewController::setLabelText(const QString& text)
{
    if (m_messageTextField)
        m_messageTextField->setText(text);
}

void BXAddCategoryPopoverViewController::updateQuestion()
{
    setLabelText(platform::format(platform::localized(QStringLiteral("Create new “%@” category?")),
        m_categoryDictionary.value(QStringLiteral("categoryName")).toString()));
}

void BXAddCategoryPopoverViewController::showPopoverForCategoryDictionary(
    const QVariantMap& categoryDictionary, QWidget* anchor, const QRect& frame,
    const QVariantMap& contextInfo)
{
    m_contextInfo = contextInfo;
    m_canceled = true;
    m_categoryDictionary = categoryDictionary;
    if (!m_popover) {
        m_popover = new platform::PopupWidget(
            anchor ? anchor->window() : nullptr, platform::PopupWidget::Behavior::SemiTransient);
        auto* layout = new QVBoxLayout(m_popover);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view());
        m_view->show();
        connect(m_popover, &platform::PopupWidget::closed, this,
            &BXAddCategoryPopoverViewController::popoverDidClose, Qt::QueuedConnection);
    }
    updateQuestion();
    m_popover->showRelativeTo(frame, anchor, platform::PopupWidget::Edge::Bottom);
    m_okButton->setFocus();
}

void BXAddCategoryPopoverViewController::okAction()
{
    m_canceled = false;
    if (m_delegate)
        m_delegate->addCategoryPopoverViewControllerAddCategoryWithDictionary(
            this, m_categoryDictionary, m_contextInfo);
    if (m_popover)
        m_popover->close();
}

void BXAddCategoryPopoverViewController::cancelAction()
{
    m_canceled = true;
    if (m_popover)
        m_popover->close();
}

void BXAddCategoryPopoverViewController::popoverDidClose()
{
    if (!m_popover || m_popover->isVisible())
        return;
    // The popup goes; the view stays with the controller for the next question.
    m_view->setParent(nullptr);
    m_popover->deleteLater();
    m_popover = nullptr;
    if (m_delegate)
        m_delegate->addCategoryPopoverViewControllerDidClose(this, m_contextInfo);
}
