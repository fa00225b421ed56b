#pragma once

#include <QWidget>

// A strip over the edge of a scrolling text that blends the text background into transparency:
// a bottom cap is opaque at its bottom edge and clear at its top, a top cap the reverse.
// Main thread.
class BXFadingCap final : public QWidget {
    Q_OBJECT

public:
    explicit BXFadingCap(QWidget* parent = nullptr);

    bool bottomCap() const { return m_bottomCap; }
    void setBottomCap(bool bottomCap);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bottomCap = false;
};
