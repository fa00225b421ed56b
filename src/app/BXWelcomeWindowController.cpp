#include "app/BXWelcomeWindowController.h"

#include "app/BXBigButtonCell.h"
#include "app/BXDocumentController.h"
#include "app/BXMainMenu.h"
#include "app/BXRecentDocumentsList.h"
#include "app/BXRecentDocumentsView.h"
#include "app/BXStartWindow.h"
#include "platform/appkit/ImageView.h"
#include "platform/foundation/Localized.h"
#include "ui/BXGradientView.h"
#include "ui/WindowAdditions.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QMenuBar>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 760;
constexpr int kHeaderHeight = 190;
constexpr int kIconSize = 64;
constexpr double kButtonInset = 20.0;

QColor whiteLevel(double white, double alpha)
{
    return QColor::fromRgbF(white, white, white, alpha);
}

} // namespace

BXWelcomeWindowController::BXWelcomeWindowController(BXDocumentController& delegate)
    : m_delegate(delegate), m_list(std::make_unique<BXRecentDocumentsList>(delegate))
{
    m_window
        = std::make_unique<BXStartWindow>([this] { m_delegate.controllerWillCloseWindow(this); });
    const QString name = QApplication::applicationDisplayName();
    m_window->setWindowTitle(platform::localizedFormat(QStringLiteral("Welcome to %@"), name));
    // As wide as its header at most; a small screen (or a large scale factor) gets a narrower
    // window, and one too low for everything scrolls its content instead of reaching past the
    // screen's edge.
    m_window->setMaximumWidth(kWidth);
    m_window->resize(kWidth, 520);
    auto* windowLayout = new QVBoxLayout(m_window.get());
    windowLayout->setMenuBar(BXMainMenu::build(delegate));
    windowLayout->setContentsMargins(0, 0, 0, 0);
    auto* scroller = new QScrollArea;
    m_scroller = scroller;
    scroller->viewport()->installEventFilter(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 12);

    m_gradientView = new BXGradientView(QRect(0, 0, kWidth, kHeaderHeight));
    m_gradientView->setFixedHeight(kHeaderHeight);
    m_icon = new platform::ImageView(m_gradientView);
    m_icon->setImage(BXRecentDocumentsList::applicationImage());
    m_icon->setImageScaling(3);
    m_icon->setGeometry(kWidth / 2 - kIconSize / 2, 8, kIconSize, kIconSize);
    // The titles are drawn under the icon: it stays in the middle of a narrower header.
    m_gradientView->installEventFilter(this);
    m_gradientView->setSourceImageView(m_icon);
    m_gradientView->setStartingColor(whiteLevel(1.0, 0.0));
    m_gradientView->setEndingColor(whiteLevel(0.75, 0.6));
    m_gradientView->setWelcomeString(
        platform::localizedFormat(QStringLiteral("Welcome to %@"), name));
    m_gradientView->setCommentString(platform::localizedFormat(
        QStringLiteral("Version %@"), QApplication::applicationVersion()));
    layout->addWidget(m_gradientView);

    auto* buttons = new QBoxLayout(QBoxLayout::LeftToRight);
    m_buttonsLayout = buttons;
    buttons->setContentsMargins(12, 0, 12, 0);
    m_fileNewButton = new BXBigButtonCell;
    m_fileNewButton->setInset(kButtonInset);
    m_fileNewButton->setTitles(platform::localized(QStringLiteral("Create a new document")),
        platform::localizedFormat(
            QStringLiteral("Create a new %@ document with your preferred name and location."),
            name));
    m_helpButton = new BXBigButtonCell;
    m_helpButton->setInset(kButtonInset);
    m_helpButton->setTitles(platform::localized(QStringLiteral("Working with notes")),
        platform::localizedFormat(QStringLiteral("New to %@? Start here."), name));
    buttons->addWidget(m_fileNewButton);
    buttons->addWidget(m_helpButton);
    layout->addLayout(buttons);
    connect(
        m_fileNewButton, &QAbstractButton::clicked, &delegate, &BXDocumentController::newDocument);
    connect(
        m_helpButton, &QAbstractButton::clicked, &delegate, [&delegate] { delegate.openURL(0); });

    auto* table = new BXRecentDocumentsView(*m_list);
    auto* tableBox = new QVBoxLayout;
    tableBox->setContentsMargins(12, 0, 12, 0);
    tableBox->addWidget(table);
    layout->addLayout(tableBox, 1);
    scroller->setWidget(body);
    windowLayout->addWidget(scroller);
    m_list->updateRecentsList();
}

BXWelcomeWindowController::~BXWelcomeWindowController() = default;

bool BXWelcomeWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Resize)
        return QObject::eventFilter(watched, event);
    if (watched == m_gradientView) {
        m_icon->move(m_gradientView->width() / 2 - kIconSize / 2, m_icon->y());
    } else if (watched == m_scroller->viewport()) {
        // Too narrow for the two buttons side by side, they stand one above the other.
        const QMargins margins = m_buttonsLayout->contentsMargins();
        const int sideBySide = m_fileNewButton->sizeHint().width()
            + m_helpButton->sizeHint().width() + m_buttonsLayout->spacing() + margins.left()
            + margins.right();
        m_buttonsLayout->setDirection(m_scroller->viewport()->width() >= sideBySide
                ? QBoxLayout::LeftToRight
                : QBoxLayout::TopToBottom);
    }
    return QObject::eventFilter(watched, event);
}

void BXWelcomeWindowController::showWindow()
{
    if (!m_window->isVisible())
        WindowAdditions::centerOnScreen(m_window.get());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
