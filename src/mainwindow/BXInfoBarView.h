#pragma once

#include <QDateTime>
#include <QWidget>

class QLabel;

// A thin strip over the note text with one centred line of small grey text, kept at least
// 8 points from either side: the shown note's modification date and time. The writer bar's
// controls sit on a strip of the same kind, whose line stays empty. Main thread only.
class BXInfoBarView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSideMargin = 8;
    static constexpr double kFontSize = 11;

    explicit BXInfoBarView(QWidget* parent = nullptr);

    QLabel* infoTextField() const { return m_infoTextField; }
    // Shows the modification date; none empties the line. The creation date is not shown.
    void updateWithCreationDate(const QDateTime& created, const QDateTime& modified);
    void clearInfo();
    // A date as the line shows it: medium date and short time in the user's locale; an
    // invalid date gives an empty string.
    static QString stringFromDate(const QDateTime& date);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Gives the line the window text's colour, faded.
    void fadeInfoText();

    QLabel* m_infoTextField;
};
