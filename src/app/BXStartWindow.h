#pragma once

#include <QWidget>

#include <functional>

// The top-level window of a start window controller: it tells its controller when the user
// closes it, so the document controller can let the controller go.
class BXStartWindow final : public QWidget {
    Q_OBJECT

public:
    explicit BXStartWindow(std::function<void()> willClose) : m_willClose(std::move(willClose)) { }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        QWidget::closeEvent(event);
        m_willClose();
    }

private:
    std::function<void()> m_willClose;
};
