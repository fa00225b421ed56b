#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>

// The History menu the application shares between its documents: the main window controller of
// the document last in front fills it with its recent notes as the menu opens. Filling it when
// the document comes in front instead would make an item per recent note at every activation,
// thousands for a large collection, that nobody may ever look at. Owned by the document
// controller; main thread only.
class BXHistoryMenu final : public QObject {
    Q_OBJECT

public:
    explicit BXHistoryMenu(QObject* parent = nullptr);

    QMenu* menu() const { return m_menu; }
    void setMenu(QMenu* menu);
    // `controller` (answering buildRecentsMenu(QMenu*)) fills the menu from its next opening on;
    // one that does not answer it leaves the menu to the one before.
    void controllerActivated(QObject* controller);

private:
    void fill();

    QPointer<QMenu> m_menu;
    QPointer<QObject> m_controller;
    QMetaObject::Connection m_opening;
};
