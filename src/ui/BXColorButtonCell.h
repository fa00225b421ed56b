#pragma once

#include <QColor>
#include <QPushButton>
#include <QTextCharFormat>

// A button whose title is drawn in its own foreground colour over its own text background.
// The colours take effect when awakeFromNib() collects them into the title's format; a colour
// left unset adds nothing, and with neither the title keeps its plain look. Main thread.
class BXColorButtonCell final : public QPushButton {
    Q_OBJECT

public:
    explicit BXColorButtonCell(QWidget* parent = nullptr);

    // Invalid: unset.
    QColor foregroundColor() const { return m_foregroundColor; }
    void setForegroundColor(const QColor& color) { m_foregroundColor = color; }
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color) { m_backgroundColor = color; }

    void awakeFromNib();
    // The attributes laid over the whole title.
    const QTextCharFormat& titleFormat() const { return m_titleFormat; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_foregroundColor;
    QColor m_backgroundColor;
    QTextCharFormat m_titleFormat;
};
