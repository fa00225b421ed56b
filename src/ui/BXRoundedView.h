#pragma once

#include <QPainterPath>
#include <QWidget>

// A panel with rounded corners and a light header band, with rules 20 points in from the
// bottom and the top. Drawn in unflipped coordinates. Main thread.
class BXRoundedView final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kCornerRadius = 10.0;
    static constexpr double kRuleInset = 20.0;

    explicit BXRoundedView(QWidget* parent = nullptr);

    // The header band along the top edge of a view of `size`, in unflipped coordinates.
    static QPainterPath headerBandPath(const QSizeF& size);

protected:
    void paintEvent(QPaintEvent* event) override;
};
