#include "app/BXVersionCheckWindowController.h"

#include "app/BXUpdatesSymbol.h"
#include "app/kVersionCheck.h"
#include "document/BXDefaults.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/StringsTable.h"
#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr int kLongestVersionWidth = 240;

QString tableText(const QString& key)
{
    return platform::localizedFromTable(key, QStringLiteral("VersionCheck"));
}

// Feed texts are the server's words, never markup.
QLabel* plainLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

BXVersionCheckWindowController::BXVersionCheckWindowController(
    Delegate& delegate, platform::UserDefaults& defaults)
    : m_delegate(delegate), m_defaults(defaults)
{ }

BXVersionCheckWindowController::~BXVersionCheckWindowController()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void BXVersionCheckWindowController::showWindow()
{
    if (!m_window)
        windowDidLoad();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void BXVersionCheckWindowController::windowDidLoad()
{
    m_window = std::make_unique<QWidget>(nullptr, Qt::Dialog);
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->installEventFilter(this);

    m_iconView = new QLabel(m_window.get());
    m_iconView->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_iconView->setPixmap(BXUpdatesSymbol::pixmap(
        48, m_window->palette().color(QPalette::WindowText), 0.6, m_window->devicePixelRatioF()));
    m_titleLabel = plainLabel(m_window.get());
    QFont titleFont = m_titleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_titleLabel->setFont(titleFont);
    m_detailsLabel = plainLabel(m_window.get());
    m_messageTextField = plainLabel(m_window.get());
    m_messageTextField->setMinimumWidth(360);

    m_checkButton = new QPushButton(m_window.get());
    auto* skipButton
        = new QPushButton(tableText(QStringLiteral("buttonSkipThisVersion")), m_window.get());
    auto* laterButton
        = new QPushButton(tableText(QStringLiteral("buttonRemindLater")), m_window.get());
    m_okButton = new QPushButton(tableText(QStringLiteral("buttonDownload")), m_window.get());
    m_okButton->setDefault(true);
    m_okButton->setAutoDefault(true);
    connect(m_checkButton, &QPushButton::clicked, this,
        &BXVersionCheckWindowController::toggleVersionCheck);
    connect(skipButton, &QPushButton::clicked, this,
        &BXVersionCheckWindowController::skipThisVersionAction);
    connect(laterButton, &QPushButton::clicked, this, &BXVersionCheckWindowController::laterAction);
    connect(
        m_okButton, &QPushButton::clicked, this, &BXVersionCheckWindowController::downloadAction);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_titleLabel);
    texts->addWidget(m_detailsLabel);
    texts->addSpacing(8);
    texts->addWidget(m_messageTextField, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_iconView, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_checkButton);
    buttons->addStretch(1);
    buttons->addWidget(skipButton);
    buttons->addWidget(laterButton);
    buttons->addWidget(m_okButton);
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(20, 20, 20, 16);
    layout->addLayout(top, 1);
    layout->addSpacing(16);
    layout->addLayout(buttons);

    updateCheckButton(m_defaults.boolForKey(AutoCheckForUpdates));
    connect(&m_defaults, &platform::UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == AutoCheckForUpdates)
            updateCheckButton(m_defaults.boolForKey(AutoCheckForUpdates));
    });

    const QVariantMap& result = m_delegate.versionDictionary();
    const QString title = result.value(kVersionCheck::TitleTextKey).toString();
    m_titleLabel->setText(title);
    // A version is one word that no line breaks: an absurd one is shortened in the middle.
    const QString version = m_detailsLabel->fontMetrics().elidedText(
        result.value(kVersionCheck::LastVersionKey).toString(), Qt::ElideMiddle,
        kLongestVersionWidth);
    m_detailsLabel->setText(
        platform::format(tableText(QStringLiteral("messageNewVersionDescription")), version,
            QCoreApplication::applicationVersion()));
    m_messageTextField->setText(result.value(kVersionCheck::InfoTextKey).toString());
    m_window->setWindowTitle(title);

    // Escape is Later, as in any dialog.
    auto* escape = new QShortcut(QKeySequence::Cancel, m_window.get());
    connect(escape, &QShortcut::activated, this, &BXVersionCheckWindowController::laterAction);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_window->setMaximumSize(screen->availableGeometry().size());
    m_window->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
}

void BXVersionCheckWindowController::updateCheckButton(bool autoCheck)
{
    m_checkButton->setText(tableText(autoCheck ? QStringLiteral("buttonDisableChecking")
                                               : QStringLiteral("buttonEnableChecking")));
    m_checkButton->setToolTip(
        tableText(autoCheck ? QStringLiteral("tooltipDisableAutomaticCheckForUpdates")
                            : QStringLiteral("tooltipEnableAutomaticCheckForUpdates")));
}

bool BXVersionCheckWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close)
        m_delegate.controllerWillCloseWindow(this);
    return QObject::eventFilter(watched, event);
}

void BXVersionCheckWindowController::closeWindow()
{
    if (m_window)
        m_window->close();
}

void BXVersionCheckWindowController::toggleVersionCheck()
{
    m_defaults.setBool(AutoCheckForUpdates, !m_defaults.boolForKey(AutoCheckForUpdates));
}

void BXVersionCheckWindowController::skipThisVersionAction()
{
    m_defaults.setString(SkipUpdateVersion, m_delegate.lastVersion());
    closeWindow();
}

void BXVersionCheckWindowController::laterAction()
{
    closeWindow();
}

void BXVersionCheckWindowController::downloadAction()
{
    m_delegate.downloadUpdate();
    closeWindow();
}
