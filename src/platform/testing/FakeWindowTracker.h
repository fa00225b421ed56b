#pragma once

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/documents/WindowTracker.h"

#include <QPointer>

namespace platform {

// A tracker for tests of the model: the test says which controllers are main and key and how
// the windows are stacked; changes emit the tracker's signals. Installs itself as the current
// tracker while it lives and puts the previous one back when it goes.
class FakeWindowTracker final : public WindowTracker {
    Q_OBJECT

public:
    FakeWindowTracker();
    ~FakeWindowTracker() override;

    WindowController* mainWindowController() const override { return m_main; }
    WindowController* keyWindowController() const override { return m_key; }
    QList<WindowController*> orderedWindowControllers() const override;

    void setMainWindowController(WindowController* controller);
    void setKeyWindowController(WindowController* controller);
    // Front to back.
    void setOrderedWindowControllers(const QList<WindowController*>& controllers);
    // Makes `controller` key and main and puts it in front, as activating its window would.
    void activate(WindowController* controller);

private:
    QPointer<WindowController> m_main;
    QPointer<WindowController> m_key;
    QList<QPointer<WindowController>> m_order;
    WindowTracker* m_previous = nullptr;
};

} // namespace platform
