#pragma once

#include "document/password/BXPasswordPrompt.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class BXPasswordControllerDelegate;
class QDialog;
class QLabel;
class QLineEdit;
class QPropertyAnimation;
class QPushButton;
class QWidget;

// The small password window of a document, in two modes: asking for the password before a
// guarded document opens (application-modal, through PasswordDialogRunner), and setting a new
// one, typed twice, as a sheet on the document's window. Owned by the document; main thread.
// A wrong entry beeps through platform::UserInput. Checking an entry and hashing a new password
// are costly, so they run on a worker while the window shows itself busy; busyChanged() tells
// when that starts and ends.
class BXPasswordController final : public QObject, public BXPasswordPrompt {
    Q_OBJECT

public:
    enum Mode { AskMode = 0, SetMode = 1 };
    static constexpr int kMaxWrongAttempts = 3;
    static constexpr double kUnlockedCloseDelay = 0.35;
    static constexpr int kShakeDistance = 10;
    static constexpr int kShakeDurationMs = 250;

    explicit BXPasswordController(QObject* parent = nullptr);
    ~BXPasswordController() override;

    // Makes every document ask through this window.
    static void install();

    // Ask mode, within four tries, the caption naming `documentName` (when given); a wrong
    // entry says so under it. Cancel, Escape and closing the window leave password() empty, so
    // the opening counts as cancelled rather than refused.
    bool askPassword(const QString& storedPassword, const QString& documentName) override;
    // Set mode; `window` is the widget the sheet goes on.
    void setPasswordForWindow(QObject* window, BXPasswordControllerDelegate* delegate) override;
    // Closes the window and hands the confirmed password (nullopt unless `returnCode` is 1)
    // to the delegate.
    void passwordSheetDidEnd(int returnCode);

    void lockIcon(bool locked);
    // Shakes the lock icon sideways, starting on the next turn of the main queue.
    void vibrate();
    // Set mode's OK: an empty first entry is refused with a beep; a matching confirmation is
    // hashed before the sheet ends.
    void acceptPassword();
    void verifyPassword();
    void okPressed();
    void cancelPressed();

    // Made on first use; a finished sheet takes its window with it, and the next use makes a
    // new one.
    QDialog* window();
    QLabel* lockIconView();
    QLabel* passwordCaption();
    QLineEdit* passwordField();

    // Ask mode: the stored password; set mode: the first entry; nullopt after Cancel.
    const std::optional<QString>& password() const override { return m_password; }
    Mode mode() const { return m_mode; }
    int attempts() const { return m_attempts; }
    int step() const { return m_step; }
    bool isLockShownLocked() const { return m_locked; }
    bool isSheet() const { return m_isSheet; }
    // While an entry is checked or hashed: OK does nothing and the field takes no typing.
    bool isBusy() const { return m_busy; }
    QPropertyAnimation* shakeAnimation() const;

signals:
    void busyChanged(bool busy);

private:
    // Runs `work` on a worker, then `answer` on the main thread, unless the window ended or
    // this controller went in between.
    void runBusy(std::function<void()> work, std::function<void()> answer);
    void setBusy(bool busy);
    void passwordVerified(bool matches);
    void loadWindow();
    void setCaption(const QString& text);
    void endWithCode(int code);
    void beep();

    QPointer<QDialog> m_window;
    QPointer<QLabel> m_lockIconView;
    QPointer<QLabel> m_passwordCaption;
    QPointer<QLineEdit> m_passwordField;
    QPointer<QPushButton> m_okButton;
    QPointer<QPropertyAnimation> m_shake; // a child of the lock icon
    QPoint m_shakeOrigin;
    QString m_askCaption;
    BXPasswordControllerDelegate* m_delegate = nullptr;
    std::optional<QString> m_password;
    Mode m_mode = AskMode;
    int m_attempts = 0;
    int m_step = 0;
    bool m_locked = true;
    bool m_isSheet = false;
    // Set once an outcome is decided, so that presses during the closing delay do nothing.
    bool m_ending = false;
    bool m_busy = false;
    // Counts the windows' runs and work started, so that a late answer finds itself outdated.
    quint64 m_turn = 0;
};
