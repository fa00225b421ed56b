#pragma once

#include <QAbstractButton>

// A large button of the welcome window: a bold heading over a line of explanation, drawn
// `inset` points in from the left and right edges, with a border only while hovered.
class BXBigButtonCell final : public QAbstractButton {
    Q_OBJECT

public:
    explicit BXBigButtonCell(QWidget* parent = nullptr);

    double inset() const { return m_inset; }
    void setInset(double inset) { m_inset = inset; }
    void setTitles(const QString& heading, const QString& detail);

    // `bounds` less the inset on the left and the right; the height is kept.
    QRectF drawingRectForBounds(const QRectF& bounds) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    double m_inset = 0;
    QString m_heading;
    QString m_detail;
    bool m_hovered = false;
};
