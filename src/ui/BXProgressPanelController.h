#pragma once

#include "platform/documents/ProgressPanel.h"

#include <QPointer>
#include <QString>

class QDialog;
class QEventLoop;
class QLabel;
class QProgressBar;
class QPushButton;

// The progress panel: a message line, a details line, a bar and a Stop button over one long
// task on a worker of the global thread pool. The bar is busy from the start of a run until
// the task gives it a value. A sheet on a window, or an application-modal
// panel whose nested event loop runs until the task ends it or the user presses Stop. Made per
// run through platform::ProgressPanel::make(); the task co-owns it and lets go of it on the
// main thread, where the panel's widgets live.
class BXProgressPanelController final : public platform::ProgressPanel {
public:
    BXProgressPanelController();
    ~BXProgressPanelController() override;

    // Makes every long task of the model run under this panel.
    static void install();

    void setWindowTitle(const QString& title) override;
    void setMessage(const QString& message) override;
    QString message() const override { return m_message; }
    void setDetails(const QString& details) override;
    QString details() const override { return m_details; }
    void incrementProgressBar(double delta) override;
    void setProgressBarValue(double value) override;
    // -1 while the bar is indeterminate.
    double progressBarValue() const override;

    void runWithWindow(QWidget* window, Task task, const QVariantMap& userDictionary) override;
    void endProgress() override;

    QDialog* window();
    QProgressBar* progressBar();
    QPushButton* stopButton();
    bool isSheet() const { return m_sheet; }

private:
    void runTask(Task task, const QVariantMap& userDictionary);
    void stopPressed();
    // Main thread: the work of endProgress().
    void endOnMainThread();
    bool hasEnded() const;

    QPointer<QDialog> m_dialog;
    QPointer<QLabel> m_messageField;
    QPointer<QLabel> m_detailsField;
    QPointer<QProgressBar> m_progressBar;
    QPointer<QPushButton> m_stopButton;
    QString m_message;
    QString m_details;
    QEventLoop* m_modalLoop = nullptr;
    bool m_sheet = false;
    bool m_ended = false;
};
