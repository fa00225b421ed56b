#include "FakeAlertPresenter.h"

namespace platform {

FakeAlertPresenter::FakeAlertPresenter() : m_previous(AlertPresenter::setCurrent(this)) { }

FakeAlertPresenter::~FakeAlertPresenter()
{
    AlertPresenter::setCurrent(m_previous);
}

void FakeAlertPresenter::beginSheet(const Alert& alert, QWidget* window, Completion completion)
{
    m_shown.push_back({ alert, window, true });
    m_pending.push_back({ window, std::move(completion) });
}

AlertResponse FakeAlertPresenter::runModal(const Alert& alert)
{
    m_shown.push_back({ alert, nullptr, false });
    if (m_modalAnswers.empty())
        return {};
    const AlertResponse answer = m_modalAnswers.front();
    m_modalAnswers.pop_front();
    return answer;
}

void FakeAlertPresenter::enqueueModalAnswer(int button, bool suppressed)
{
    m_modalAnswers.push_back({ button, suppressed });
}

bool FakeAlertPresenter::answerSheet(const QWidget* window, int button, bool suppressed)
{
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it->window != window)
            continue;
        // Taken out first: the completion may begin another sheet.
        const Completion completion = std::move(it->completion);
        m_pending.erase(it);
        if (completion)
            completion({ button, suppressed });
        return true;
    }
    return false;
}

void FakeAlertPresenter::beginPanelSheet(
    const FilePanel& panel, QWidget* window, PanelCompletion completion)
{
    m_shownPanels.push_back({ panel, window, true });
    auto state = std::make_shared<PanelState>(panel);
    m_pendingPanels.push_back({ window, std::move(completion), state, panel.handleChanged });
    if (panel.handleChanged)
        panel.handleChanged(state.get());
}

FakeAlertPresenter::PanelState* FakeAlertPresenter::pendingPanel(const QWidget* window) const
{
    for (const PendingPanel& pending : m_pendingPanels) {
        if (pending.window == window)
            return pending.state.get();
    }
    return nullptr;
}

FilePanelResponse FakeAlertPresenter::runPanelModal(const FilePanel& panel)
{
    m_shownPanels.push_back({ panel, nullptr, false });
    if (m_panelAnswers.empty())
        return {};
    const FilePanelResponse answer = m_panelAnswers.front();
    m_panelAnswers.pop_front();
    return answer;
}

void FakeAlertPresenter::enqueuePanelAnswer(const FilePanelResponse& response)
{
    m_panelAnswers.push_back(response);
}

bool FakeAlertPresenter::answerPanelSheet(const QWidget* window, const FilePanelResponse& response)
{
    for (auto it = m_pendingPanels.begin(); it != m_pendingPanels.end(); ++it) {
        if (it->window != window)
            continue;
        const PanelCompletion completion = std::move(it->completion);
        const std::function<void(FilePanelHandle*)> handleChanged = std::move(it->handleChanged);
        const std::shared_ptr<PanelState> state = it->state;
        m_pendingPanels.erase(it);
        if (handleChanged)
            handleChanged(nullptr);
        if (completion)
            completion(response);
        return true;
    }
    return false;
}

} // namespace platform
