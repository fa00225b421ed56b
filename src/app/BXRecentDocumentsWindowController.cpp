#include "app/BXRecentDocumentsWindowController.h"

#include "app/BXDocumentController.h"
#include "app/BXMainMenu.h"
#include "app/BXRecentDocumentsList.h"
#include "app/BXRecentDocumentsView.h"
#include "app/BXStartWindow.h"
#include "platform/foundation/Localized.h"
#include "ui/WindowAdditions.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

BXRecentDocumentsWindowController::BXRecentDocumentsWindowController(BXDocumentController& delegate)
    : m_delegate(delegate), m_list(std::make_unique<BXRecentDocumentsList>(delegate))
{
    m_window = std::make_unique<BXStartWindow>([this] { windowWillClose(); });
    m_window->setWindowTitle(platform::localized(QStringLiteral("Recent Documents")));
    m_window->resize(520, 420);
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setMenuBar(BXMainMenu::build(delegate));
    auto* header = new QLabel(platform::localized(QStringLiteral("Recent Documents")));
    QFont headerFont = header->font();
    headerFont.setPointSizeF(headerFont.pointSizeF() * 1.4);
    headerFont.setBold(true);
    header->setFont(headerFont);
    layout->addWidget(header);
    layout->addWidget(new BXRecentDocumentsView(*m_list), 1);

    auto* buttons = new QHBoxLayout;
    m_openOther = new QPushButton;
    auto* close = new QPushButton(platform::localized(QStringLiteral("Close")));
    auto* open = new QPushButton(platform::localized(QStringLiteral("Open")));
    open->setDefault(true);
    buttons->addWidget(m_openOther);
    buttons->addStretch();
    buttons->addWidget(close);
    buttons->addWidget(open);
    layout->addLayout(buttons);
    connect(m_openOther, &QPushButton::clicked, &delegate, &BXDocumentController::openDocument);
    connect(close, &QPushButton::clicked, this, &BXRecentDocumentsWindowController::closeAction);
    connect(open, &QPushButton::clicked, m_list.get(), &BXRecentDocumentsList::openSelection);
    connect(m_list.get(), &BXRecentDocumentsList::listUpdated, this, [this] {
        m_openOther->setText(
            openOtherTitle(int(m_list->recentsArrayController().arrangedObjects().size())));
    });
    m_list->updateRecentsList();
}

BXRecentDocumentsWindowController::~BXRecentDocumentsWindowController() = default;

QString BXRecentDocumentsWindowController::openOtherTitle(int documentCount)
{
    return platform::localized(
        documentCount < 1 ? QStringLiteral("Open…") : QStringLiteral("Open Other…"));
}

void BXRecentDocumentsWindowController::showWindow()
{
    if (!m_window->isVisible())
        WindowAdditions::centerOnScreen(m_window.get());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void BXRecentDocumentsWindowController::closeAction()
{
    m_window->close();
}

void BXRecentDocumentsWindowController::windowWillClose()
{
    m_delegate.controllerWillCloseWindow(this);
}
