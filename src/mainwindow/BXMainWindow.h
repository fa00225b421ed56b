#pragma once

#include "platform/appkit/FocusOrder.h"
#include "platform/controllers/EditingObjectHost.h"

#include <QMainWindow>
#include <QPointer>

class BXMainWindowController;

// A document's main window. It remembers the table holding an open cell edit
// (EditingObjectHost) and gives it the focus back 0.1 s after the window itself took it,
// until another of its views takes the focus;
// it tells its controller when Ctrl+Alt start or stop being held together (tag peek); a
// close goes through the controller, which decides whether the document may close; Tab
// visits its parts in the focus order the controller sets. Owned by its controller; main
// thread only.
class BXMainWindow final : public QMainWindow, public platform::EditingObjectHost {
    Q_OBJECT

public:
    static constexpr double kRefocusDelay = 0.1;

    explicit BXMainWindow(BXMainWindowController* controller);
    ~BXMainWindow() override;

    void setEditingObject(QObject* object) override;
    QObject* editingObject() const override { return m_editingObject; }
    bool isTagPeeking() const { return m_tagPeek; }

    // Gives `responder` the focus; null (or the window) means the window itself, which hands
    // it back to a table whose cell edit just ended.
    void makeFirstResponder(QWidget* responder);

    platform::FocusOrder& focusOrder() { return m_focusOrder; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void modifiersChanged(Qt::KeyboardModifiers modifiers);

    BXMainWindowController* m_controller;
    QPointer<QObject> m_editingObject;
    bool m_tagPeek = false;
    platform::FocusOrder m_focusOrder;
};
