#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>

namespace platform {

// What the application's shared panels (fonts, colours) have in common: one non-modal dialog,
// made on first use and kept, that applies each change the user makes by sending `action`
// along the responder chain with the new value as represented object. Main thread only.
class SharedPanel : public QObject {
    Q_OBJECT

public:
    ~SharedPanel() override;

    // Shows the panel, making it first.
    void orderFront();
    void close();
    bool isVisible() const;

protected:
    explicit SharedPanel(const QString& action);

    // The dialog, made by makeDialog() on first use.
    QDialog* panel();
    virtual QDialog* makeDialog() = 0;
    // For a change of the dialog: false while code sets the value; otherwise sends the action.
    bool applyUserChange(const QVariant& value);
    // Runs `show` (which sets the dialog's value) without applying anything.
    void showWithoutApplying(const std::function<void()>& show);

private:
    QString m_action;
    QPointer<QDialog> m_dialog;
    bool m_settingValue = false;
};

} // namespace platform
