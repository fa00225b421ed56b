#include "BXProgressPanelController.h"

#include "platform/appkit/Sheet.h"
#include "platform/foundation/Localized.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

constexpr int kPanelWidth = 440;

} // namespace

BXProgressPanelController::BXProgressPanelController() = default;

BXProgressPanelController::~BXProgressPanelController()
{
    // A sheet deletes itself when it ends; a panel still around goes with its controller. The
    // last reference may be dropped while the application is being torn down, which takes its
    // windows with it and accepts no more events.
    if (!m_dialog || QCoreApplication::closingDown())
        return;
    if (QThread::currentThread() == m_dialog->thread())
        delete m_dialog;
    else
        m_dialog->deleteLater();
}

void BXProgressPanelController::install()
{
    ProgressPanel::setMaker([] { return std::make_shared<BXProgressPanelController>(); });
}

QDialog* BXProgressPanelController::window()
{
    if (m_dialog)
        return m_dialog;
    m_dialog = new QDialog;
    m_dialog->setObjectName(QStringLiteral("BXProgressPanel"));
    m_dialog->setFixedWidth(kPanelWidth);
    // Closing the panel by its title bar or Escape would orphan the running task.
    m_dialog->setWindowFlag(Qt::WindowCloseButtonHint, false);
    auto* layout = new QVBoxLayout(m_dialog);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(8);
    m_messageField = new QLabel(m_dialog);
    QFont bold = m_messageField->font();
    bold.setBold(true);
    m_messageField->setFont(bold);
    m_detailsField = new QLabel(m_dialog);
    m_detailsField->setTextFormat(Qt::PlainText);
    m_progressBar = new QProgressBar(m_dialog);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_stopButton = new QPushButton(platform::localized(QStringLiteral("Stop")), m_dialog);
    m_stopButton->setAutoDefault(false);
    QObject::connect(m_stopButton, &QPushButton::clicked, m_dialog, [this] { stopPressed(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_stopButton);
    layout->addWidget(m_messageField);
    layout->addWidget(m_detailsField);
    layout->addWidget(m_progressBar);
    layout->addLayout(buttons);
    return m_dialog;
}

QProgressBar* BXProgressPanelController::progressBar()
{
    window();
    return m_progressBar;
}

QPushButton* BXProgressPanelController::stopButton()
{
    window();
    return m_stopButton;
}

void BXProgressPanelController::setWindowTitle(const QString& title)
{
    if (hasEnded())
        return;
    window()->setWindowTitle(title);
}

void BXProgressPanelController::setMessage(const QString& message)
{
    if (hasEnded())
        return;
    m_message = message;
    window();
    m_messageField->setText(message);
    m_messageField->repaint();
}

void BXProgressPanelController::setDetails(const QString& details)
{
    if (hasEnded())
        return;
    m_details = details;
    window();
    // Long paths keep their end, where the file's name is.
    const int width = kPanelWidth - 40;
    m_detailsField->setText(
        m_detailsField->fontMetrics().elidedText(details, Qt::ElideMiddle, width));
    m_detailsField->repaint();
}

void BXProgressPanelController::incrementProgressBar(double delta)
{
    setProgressBarValue(std::max(0.0, progressBarValue()) + delta);
}

void BXProgressPanelController::setProgressBarValue(double value)
{
    if (hasEnded())
        return;
    QProgressBar* bar = progressBar();
    if (value < 0) {
        // A range of 0 to 0 is the busy, indeterminate bar.
        bar->setRange(0, 0);
        return;
    }
    if (bar->maximum() == 0)
        bar->setRange(0, 100);
    bar->setValue(int(std::clamp(value, 0.0, 100.0)));
    bar->repaint();
}

bool BXProgressPanelController::hasEnded() const
{
    // Updates posted before the end can arrive after the sheet took its dialog away; they
    // must not raise a new one.
    return m_ended && !m_dialog;
}

double BXProgressPanelController::progressBarValue() const
{
    if (!m_progressBar || m_progressBar->maximum() == 0)
        return m_progressBar ? -1.0 : 0.0;
    return m_progressBar->value();
}

void BXProgressPanelController::runWithWindow(
    QWidget* parentWindow, Task task, const QVariantMap& userDictionary)
{
    QDialog* dialog = window();
    m_ended = false;
    // The bar is busy from the start, until the task's first count makes it determinate.
    if (m_progressBar->maximum() != 0 && m_progressBar->value() <= 0)
        setProgressBarValue(-1);
    if (parentWindow) {
        m_sheet = true;
        platform::Sheet::begin(parentWindow, dialog, {});
        runTask(std::move(task), userDictionary);
        return;
    }
    m_sheet = false;
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    // The task may end the panel before the loop starts: endProgress() only ever queues its
    // work, so it is handled inside the loop below.
    runTask(std::move(task), userDictionary);
    // Held while the loop runs: a task ending early must not take the panel with it.
    const Ref self = shared_from_this();
    QEventLoop loop;
    m_modalLoop = &loop;
    if (!m_ended && !stopped())
        loop.exec();
    m_modalLoop = nullptr;
    stop();
    if (m_dialog)
        m_dialog->hide();
}

void BXProgressPanelController::runTask(Task task, const QVariantMap& userDictionary)
{
    if (!task)
        return;
    QVariantMap dictionary = userDictionary;
    dictionary.insert(PanelKey, QVariant::fromValue<Ref>(shared_from_this()));
    QThreadPool::globalInstance()->start([task = std::move(task),
                                             dictionary = std::move(dictionary)]() mutable {
        task(dictionary);
        // The last reference to the panel may be this one; widgets go on the main thread.
        QMetaObject::invokeMethod(
            qApp, [held = std::move(dictionary), done = std::move(task)] {}, Qt::QueuedConnection);
    });
}

void BXProgressPanelController::stopPressed()
{
    stop();
    // A modal panel closes at once; a sheet stays until the task ends it.
    if (m_modalLoop)
        m_modalLoop->quit();
}

void BXProgressPanelController::endProgress()
{
    // Queued even on the main thread: the panel goes after the updates posted before it.
    QMetaObject::invokeMethod(
        qApp,
        [self = shared_from_this()] {
            static_cast<BXProgressPanelController*>(self.get())->endOnMainThread();
        },
        Qt::QueuedConnection);
}

void BXProgressPanelController::endOnMainThread()
{
    m_ended = true;
    if (m_modalLoop) {
        m_modalLoop->quit();
        return;
    }
    if (m_sheet && m_dialog && m_dialog->isVisible())
        platform::Sheet::end(m_dialog, QDialog::Accepted);
}
