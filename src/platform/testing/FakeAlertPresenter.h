#pragma once

#include "platform/documents/AlertPresenter.h"

#include <QPointer>
#include <QWidget>

#include <deque>
#include <memory>
#include <vector>

namespace platform {

// A presenter for tests: it records every alert and panel shown and answers for the user.
// Sheets stay pending until the test answers them, in any order; modal alerts take the next
// queued answer (the first button when none is queued), modal panels the next queued panel
// answer (cancelled when none is queued). Installs itself as the current presenter while it
// lives and puts the previous one back when it goes.
class FakeAlertPresenter final : public AlertPresenter {
public:
    struct Shown {
        Alert alert;
        QPointer<QWidget> window; // the sheet's window; null for a modal alert
        bool isSheet = false;
    };

    FakeAlertPresenter();
    ~FakeAlertPresenter() override;
    FakeAlertPresenter(const FakeAlertPresenter&) = delete;
    FakeAlertPresenter& operator=(const FakeAlertPresenter&) = delete;

    void beginSheet(const Alert& alert, QWidget* window, Completion completion) override;
    AlertResponse runModal(const Alert& alert) override;
    void beginPanelSheet(
        const FilePanel& panel, QWidget* window, PanelCompletion completion) override;
    FilePanelResponse runPanelModal(const FilePanel& panel) override;

    // A panel sheet's state while it is pending, changed through the handle its accessory
    // got, as a real panel would be.
    class PanelState final : public FilePanelHandle {
    public:
        explicit PanelState(const FilePanel& panel) : m_panel(panel) { }
        QStringList allowedFileTypes() const override { return m_panel.allowedFileTypes; }
        void setAllowedFileTypes(const QStringList& types) override
        {
            m_panel.allowedFileTypes = types;
        }
        bool allowsOtherFileTypes() const override { return m_panel.allowsOtherFileTypes; }
        void setAllowsOtherFileTypes(bool allows) override
        {
            m_panel.allowsOtherFileTypes = allows;
        }
        QString nameFieldStringValue() const override { return m_panel.nameFieldStringValue; }
        void setNameFieldStringValue(const QString& name) override
        {
            m_panel.nameFieldStringValue = name;
        }

    private:
        FilePanel m_panel;
    };

    struct ShownPanel {
        FilePanel panel;
        QPointer<QWidget> window;
        bool isSheet = false;
    };

    // Every alert shown so far, in order.
    const std::vector<Shown>& shown() const { return m_shown; }
    // Every panel shown so far, in order.
    const std::vector<ShownPanel>& shownPanels() const { return m_shownPanels; }
    int pendingSheetCount() const { return int(m_pending.size()); }
    // Queues the answer of the next modal alert.
    void enqueueModalAnswer(int button, bool suppressed = false);
    // Answers the oldest pending sheet on `window`; false when there is none.
    bool answerSheet(const QWidget* window, int button, bool suppressed = false);
    void enqueuePanelAnswer(const FilePanelResponse& response);
    // Answers the oldest pending panel sheet on `window`; false when there is none.
    bool answerPanelSheet(const QWidget* window, const FilePanelResponse& response);
    // The live state of the oldest pending panel sheet on `window`; null when there is none.
    PanelState* pendingPanel(const QWidget* window) const;

private:
    struct Pending {
        QPointer<QWidget> window;
        Completion completion;
    };

    struct PendingPanel {
        QPointer<QWidget> window;
        PanelCompletion completion;
        std::shared_ptr<PanelState> state;
        std::function<void(FilePanelHandle*)> handleChanged;
    };

    std::vector<Shown> m_shown;
    std::vector<Pending> m_pending;
    std::deque<AlertResponse> m_modalAnswers;
    std::vector<ShownPanel> m_shownPanels;
    std::vector<PendingPanel> m_pendingPanels;
    std::deque<FilePanelResponse> m_panelAnswers;
    AlertPresenter* m_previous = nullptr;
};

} // namespace platform
