#pragma once

#include "BXInvisibleButtonsTableCellView.h"

#include <QColor>
#include <QPointer>

class QLabel;

// A list cell with a second, dimmer line: the direct child label tagged 800 (its
// platform::CommandRouter tag). On an emphasized row (a selected row in a focused list) the
// subtitle turns light; otherwise it takes back the colour it had when the cell awoke.
class BXSubtitledTableCellView final : public BXInvisibleButtonsTableCellView {
    Q_OBJECT

public:
    enum BackgroundStyle { BackgroundStyleNormal = 0, BackgroundStyleEmphasized = 1 };
    static constexpr int kSubtitleTag = 800;

    explicit BXSubtitledTableCellView(QWidget* parent = nullptr);

    void awakeFromNib() override;
    void setBackgroundStyle(int style);

    QLabel* subtitleField() const { return m_subtitleField; }
    // Invalid when the cell has no subtitle.
    QColor subtitleTextColor() const { return m_subtitleTextColor; }

private:
    QPointer<QLabel> m_subtitleField;
    QColor m_subtitleTextColor;
};
