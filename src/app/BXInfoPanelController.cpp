#include "app/BXInfoPanelController.h"

#include "document/BXDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include <mutex>

namespace {

QTextBrowser* textView(QWidget* parent)
{
    auto* view = new QTextBrowser(parent);
    view->setFrameShape(QFrame::NoFrame);
    view->setOpenLinks(false);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setFocusPolicy(Qt::NoFocus);
    view->viewport()->setAutoFillBackground(false);
    view->setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    return view;
}

// Shows a copy: the document keeps its own, and the view's insets are set on its copy.
void show(QTextBrowser* view, const std::shared_ptr<QTextDocument>& text)
{
    if (!text) {
        view->clear();
        view->document()->setDocumentMargin(5);
        return;
    }
    QTextDocument* copy = text->clone(view);
    copy->setDocumentMargin(5);
    view->setDocument(copy);
}

QString imagePath(const QString& name)
{
    if (name == QLatin1String("Note"))
        return QStringLiteral(":/icons/Note.png");
    if (name == QLatin1String("MultiNotes"))
        return QStringLiteral(":/icons/square-stack.png");
    return {};
}

} // namespace

BXInfoPanelController& BXInfoPanelController::sharedInfoPanelController()
{
    static BXInfoPanelController* shared = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        shared = new BXInfoPanelController;
        // Its window must go while the application can still take widgets down: a child of
        // the application would be deleted after that, and crash on the way.
        qAddPostRoutine([] { delete shared; });
    });
    return *shared;
}

BXInfoPanelController::BXInfoPanelController()
{
    if (platform::DocumentController* controller = platform::DocumentController::shared())
        setCurrentDocument(qobject_cast<BXDocument*>(controller->currentDocument()));
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, BXDocument::ActivateNotification, nullptr,
        [this](const platform::Notification& note) {
            setCurrentDocument(
                const_cast<BXDocument*>(static_cast<const BXDocument*>(note.object)));
        });
    center.addObserver(this, BXDocument::DeactivateNotification, nullptr,
        [this](const platform::Notification&) { setCurrentDocument(nullptr); });
    BXDocument::setInfoPanelHooks([this] { return isVisible(); }, [this] { toggleInfoPanel(); });
}

BXInfoPanelController::~BXInfoPanelController()
{
    BXDocument::setInfoPanelHooks({}, {});
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

BXDocument* BXInfoPanelController::currentDocument() const
{
    return m_currentDocument;
}

void BXInfoPanelController::setCurrentDocument(BXDocument* document)
{
    disconnect(m_infoConnection);
    m_currentDocument = document;
    if (document)
        m_infoConnection = connect(
            document, &BXDocument::noteInfoChanged, this, &BXInfoPanelController::refresh);
    refresh();
}

bool BXInfoPanelController::isVisible() const
{
    return m_window && m_window->isVisible();
}

void BXInfoPanelController::toggleInfoPanel()
{
    if (isVisible())
        m_window->close();
    else
        showWindow();
}

void BXInfoPanelController::showWindow()
{
    if (!m_window)
        windowDidLoad();
    refresh();
    m_window->show();
}

void BXInfoPanelController::windowDidLoad()
{
    m_window = std::make_unique<QWidget>(
        nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    m_window->setAttribute(Qt::WA_ShowWithoutActivating);
    m_window->setWindowTitle(platform::localized(QStringLiteral("Info")));
    m_window->resize(280, 360);

    m_icon = new QLabel(m_window.get());
    m_icon->setFixedSize(32, 32);
    m_icon->setScaledContents(true);
    m_headInfo = textView(m_window.get());
    m_headInfo->setMaximumHeight(64);
    m_statistics = textView(m_window.get());
    m_info = textView(m_window.get());
    m_info->setMaximumHeight(64);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(10, 8, 10, 0);
    header->addWidget(m_icon, 0, Qt::AlignTop);
    header->addWidget(m_headInfo, 1);
    auto* line = new QFrame(m_window.get());
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(m_window.get());
    // A border of 10 along the bottom edge, as the panel's content border.
    layout->setContentsMargins(0, 0, 0, 10);
    layout->setSpacing(4);
    layout->addLayout(header);
    layout->addWidget(line);
    layout->addWidget(m_statistics, 1);
    layout->addWidget(m_info);
}

void BXInfoPanelController::refresh()
{
    if (!m_window)
        return;
    const BXNoteInfo empty;
    const BXNoteInfo& info = m_currentDocument ? m_currentDocument->noteInfo() : empty;
    const QString path = imagePath(info.noteIcon);
    m_icon->setPixmap(path.isEmpty() ? QPixmap() : QPixmap(path));
    show(m_headInfo, info.headInfo);
    show(m_statistics, info.statistics);
    show(m_info, info.info);
}
