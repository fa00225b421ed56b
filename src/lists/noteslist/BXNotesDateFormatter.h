#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

class QFont;

// Formats the dates of a notes list column in the user's locale: a date style from short (1)
// to full (4) with a short time, through ICU, since the toolkit's own formats stop at long and
// short. A column picks the most detailed style whose sample fits its width; the widths of the
// styles are measured once per process, with the first font asked for. Main thread only.
class BXNotesDateFormatter final {
public:
    enum Style { Short = 1, Medium = 2, Long = 3, Full = 4 };
    // The widths from which the medium, long and full styles fit, rounded up, and what the
    // short style needs for its widest dates (two-digit month, day and hour).
    struct StyleWidths {
        int medium = 0;
        int longStyle = 0;
        int full = 0;
        int shortest = 0;
    };

    // An empty locale is the process's default one.
    explicit BXNotesDateFormatter(int dateStyle = Short, const QString& locale = {});
    ~BXNotesDateFormatter();
    BXNotesDateFormatter(const BXNotesDateFormatter&) = delete;
    BXNotesDateFormatter& operator=(const BXNotesDateFormatter&) = delete;

    int dateStyle() const { return m_dateStyle; }
    void setDateStyle(int dateStyle);
    // Local time; an invalid date gives an empty string.
    QString stringFromDate(const QDateTime& date) const;

    // Sets the style that fits `width` in `font`; the first call measures the widths.
    void updateForWidth(double width, const QFont& font);
    static int styleForWidth(double width, const StyleWidths& widths);
    // The widths, measured with this formatter's locale and `font` on the first call only.
    StyleWidths styleWidths(const QFont& font);
    // What `font` needs for the sample date in each style of this formatter's locale.
    StyleWidths measureStyleWidths(const QFont& font);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    int m_dateStyle = Short;
};
