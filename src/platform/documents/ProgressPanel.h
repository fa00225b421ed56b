#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QWidget;

namespace platform {

// A long task on a worker thread under a small panel: a message, a details line, a bar and a
// Stop button. The model reaches the panel only through this interface; the user interface
// installs the maker at start-up. Without a maker (tools, tests of the model alone) make()
// answers null and callers do their work without a panel.
//
// The task receives the caller's dictionary plus PanelKey, a shared reference to the panel, so
// the task co-owns it: a caller that lets go early cannot leave a dangling panel. Setters and
// getters of texts and bar are main-thread only; a task changes them through the post...()
// helpers, which go through the main queue. stopped() and endProgress() may be called from any
// thread.
class ProgressPanel : public std::enable_shared_from_this<ProgressPanel> {
public:
    using Ref = std::shared_ptr<ProgressPanel>;
    using Task = std::function<void(const QVariantMap& dictionary)>;
    using Maker = std::function<Ref()>;

    static inline const QString PanelKey = QStringLiteral("progressPanel");

    virtual ~ProgressPanel() = default;

    virtual void setWindowTitle(const QString& title) = 0;
    virtual void setMessage(const QString& message) = 0;
    virtual QString message() const = 0;
    virtual void setDetails(const QString& details) = 0;
    virtual QString details() const = 0;
    virtual void incrementProgressBar(double delta) = 0;
    // 0 or more: the bar becomes determinate and takes the value; below 0: indeterminate.
    virtual void setProgressBarValue(double value) = 0;
    virtual double progressBarValue() const = 0;

    // Shows the panel and starts `task` on the panel's worker. With a window the panel is a
    // sheet on it and this returns at once; without one it is application-modal and this
    // returns once the task has ended the panel or the user pressed Stop. A null task shows
    // the panel and starts nothing.
    virtual void runWithWindow(QWidget* window, Task task, const QVariantMap& userDictionary) = 0;
    // Ends the panel; any thread. A panel already gone ignores it.
    virtual void endProgress() = 0;

    // Set by Stop and by the end of a modal run; the task reads it between units of work.
    bool stopped() const { return m_stopped.load(); }
    void stop() { m_stopped.store(true); }

    // From the task's thread: the texts change on the main thread, later.
    void postWindowTitle(const QString& title);
    void postMessage(const QString& message);
    void postIndeterminate();
    // Raises the bar to `percent` (never lowers it) and shows `details`. Updates coalesce:
    // at most one is waiting for the main thread at a time, carrying the latest values.
    void postProgress(double percent, const QString& details);

    // done × 100 / total in whole percent, as the bar shows a count.
    static double percentOf(qsizetype done, qsizetype total);

    // The panel a task's dictionary carries; null when there is none.
    static Ref fromDictionary(const QVariantMap& dictionary);
    // A new panel from the installed maker; null when none is installed.
    static Ref make();
    static void setMaker(Maker maker);

private:
    void flushProgress();

    std::atomic<bool> m_stopped { false };
    std::mutex m_pendingMutex;
    bool m_progressPosted = false;
    double m_pendingPercent = -1;
    QString m_pendingDetails;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::ProgressPanel::Ref)
