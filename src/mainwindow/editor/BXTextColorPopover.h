#pragma once

#include "platform/appkit/PopupWidget.h"

#include <QColor>
#include <QList>

#include <optional>

class QPushButton;

// The writer bar's colour palette: five rows of six swatches (pale tints, light, strong and
// dark colours, then white, four greys and black) over a button that opens the colour panel.
// Built once by its bar and shown beside the colour button; a transient popup, so typing
// goes on in the text. Main thread only; emits colorChosen() for a clicked swatch and
// otherColorsRequested() for the button.
class BXTextColorPopover final : public platform::PopupWidget {
    Q_OBJECT

public:
    static constexpr int kRows = 5;
    static constexpr int kColumns = 6;
    static constexpr int kWidth = 170;
    static constexpr int kHeight = kRows * 23 + 45;

    BXTextColorPopover(const QString& otherColorsTitle, QWidget* parent);

    // The swatches' colours, row by row from the top.
    static const QList<QColor>& paletteColors();
    // Where the swatch of `row` (0 at the top) and `column` lies in the popover.
    static QRect swatchRect(int row, int column);
    // The colour of the swatch under `point`, if any.
    static std::optional<QColor> colorAt(const QPoint& point);

    QPushButton* otherColorsButton() const { return m_otherColorsButton; }

signals:
    void colorChosen(const QColor& color);
    void otherColorsRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPushButton* m_otherColorsButton;
};
