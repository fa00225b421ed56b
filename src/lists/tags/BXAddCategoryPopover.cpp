#include "lists/tags/BXAddCategoryPopover.h"

#include "lists/tags/BXAddCategoryPopoverViewController.h"

#include "platform/foundation/Format.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

BXAddCategoryPopover::BXAddCategoryPopover(QWidget* parent)
    : PopupWidget(parent, Behavior::SemiTransient)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void BXAddCategoryPopover::setContentViewController(BXAddCategoryPopoverViewController* controller)
{
    m_content = controller;
    if (!controller)
        return;
    QWidget* content = controller->view();
    layout()->addWidget(content);
    content->show();
    // The buttons answer here; the controller's own actions are for its own popups.
    controller->okButton()->disconnect();
    controller->cancelButton()->disconnect();
    connect(controller->okButton(), &QPushButton::clicked, this, &BXAddCategoryPopover::okAction);
    connect(controller->cancelButton(), &QPushButton::clicked, this,
        &BXAddCategoryPopover::cancelAction);
}

void BXAddCategoryPopover::setupWithDictionary(const QVariantMap& dictionary)
{
    m_canceled = true;
    m_categoryDictionary = dictionary;
    setLabelText(platform::format(QStringLiteral("Add new “%@” category?"),
        dictionary.value(QStringLiteral("categoryName")).toString()));
}

void BXAddCategoryPopover::setLabelText(const QString& text)
{
    if (m_content && m_content->messageTextField())
        m_content->messageTextField()->setText(text);
}

void BXAddCategoryPopover::okAction()
{
    m_canceled = false;
    close();
}

void BXAddCategoryPopover::cancelAction()
{
    m_canceled = true;
    close();
}
