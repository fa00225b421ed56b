#include "BXMessageWindowController.h"

#include "platform/foundation/Log.h"
#include "platform/text/RtfReader.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

static void initUiResources()
{
    Q_INIT_RESOURCE(ui);
}

namespace {

QString resourcePath(const QUrl& url)
{
    if (url.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + url.path();
    return url.toLocalFile();
}

} // namespace

BXMessageWindowController::BXMessageWindowController(const QUrl& messageURL, QObject* parent)
    : QObject(parent), m_messageURL(messageURL)
{
    initUiResources();
}

BXMessageWindowController::~BXMessageWindowController()
{
    delete m_window;
}

void BXMessageWindowController::setMessageURL(const QUrl& url)
{
    m_messageURL = url;
    if (m_window)
        loadMessage();
}

QWidget* BXMessageWindowController::window()
{
    if (!m_window) {
        m_window = new QWidget(nullptr, Qt::Window);
        m_window->resize(560, 600);
        m_messageTextView = new QTextBrowser(m_window);
        auto* layout = new QVBoxLayout(m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_messageTextView);
        m_window->installEventFilter(this);
        // No menu bar carries Close here, so the window takes its keys itself.
        auto* close = new QAction(m_window);
        close->setShortcuts(
            QKeySequence::keyBindings(QKeySequence::Close) << QKeySequence(Qt::Key_Escape));
        connect(close, &QAction::triggered, m_window, &QWidget::close);
        m_window->addAction(close);
        windowDidLoad();
    }
    return m_window;
}

QTextBrowser* BXMessageWindowController::messageTextView()
{
    window();
    return m_messageTextView;
}

void BXMessageWindowController::showWindow()
{
    QWidget* shown = window();
    if (!shown->isVisible()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = shown->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            shown->move(frame.topLeft());
        }
    }
    shown->show();
    shown->raise();
    shown->activateWindow();
}

void BXMessageWindowController::windowDidLoad()
{
    // Read-only and not selectable: the document is shown, never edited.
    m_messageTextView->setReadOnly(true);
    m_messageTextView->setTextInteractionFlags(Qt::NoTextInteraction);
    QPalette palette = m_messageTextView->palette();
    palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
    m_messageTextView->setPalette(palette);
    loadMessage();
}

void BXMessageWindowController::loadMessage()
{
    m_messageTextView->clear();
    QFile file(resourcePath(m_messageURL));
    if (!file.open(QIODevice::ReadOnly)) {
        platform::log(QStringLiteral("Message document %@ could not be read"), m_messageURL);
        return;
    }
    const QByteArray data = file.readAll();
    if (QFileInfo(file.fileName()).suffix().compare(QLatin1String("rtf"), Qt::CaseInsensitive)) {
        m_messageTextView->setHtml(QString::fromUtf8(data));
        return;
    }
    platform::Error error;
    std::unique_ptr<QTextDocument> document = platform::RtfReader::read(data, {}, &error);
    if (!document) {
        platform::log(
            QStringLiteral("Message document %@ could not be read: %@"), m_messageURL, error);
        return;
    }
    document->setParent(m_messageTextView);
    m_messageTextView->setDocument(document.release());
}

bool BXMessageWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        emit controllerWillCloseWindow(this);
    return QObject::eventFilter(watched, event);
}
