#pragma once

#include <QPushButton>

class BXRolloverButtonDelegate;

// A button that tells its delegate when the pointer enters and leaves it, whether or not its
// window is active. Main thread.
class BXRolloverButton final : public QPushButton {
    Q_OBJECT

public:
    explicit BXRolloverButton(QWidget* parent = nullptr);

    // Not owned; clear it before the delegate goes.
    BXRolloverButtonDelegate* delegate() const { return m_delegate; }
    void setDelegate(BXRolloverButtonDelegate* delegate) { m_delegate = delegate; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    BXRolloverButtonDelegate* m_delegate = nullptr;
};
