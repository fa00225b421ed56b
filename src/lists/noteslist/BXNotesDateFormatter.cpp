#include "lists/noteslist/BXNotesDateFormatter.h"

#include <QFontMetricsF>
#include <QTimeZone>

#include <unicode/udat.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

UDateFormatStyle icuStyle(int style)
{
    switch (style) {
    case BXNotesDateFormatter::Full:
        return UDAT_FULL;
    case BXNotesDateFormatter::Long:
        return UDAT_LONG;
    case BXNotesDateFormatter::Medium:
        return UDAT_MEDIUM;
    default:
        return UDAT_SHORT;
    }
}

struct FormatCloser {
    void operator()(UDateFormat* format) const { udat_close(format); }
};

} // namespace

struct BXNotesDateFormatter::Impl {
    QByteArray locale;
    std::unique_ptr<UDateFormat, FormatCloser> format;
};

BXNotesDateFormatter::BXNotesDateFormatter(int dateStyle, const QString& locale)
    : d(std::make_unique<Impl>())
{
    d->locale = locale.toUtf8();
    setDateStyle(dateStyle);
}

BXNotesDateFormatter::~BXNotesDateFormatter() = default;

void BXNotesDateFormatter::setDateStyle(int dateStyle)
{
    m_dateStyle = std::clamp(dateStyle, int(Short), int(Full));
    UErrorCode status = U_ZERO_ERROR;
    UDateFormat* opened = udat_open(UDAT_SHORT, icuStyle(m_dateStyle),
        d->locale.isEmpty() ? nullptr : d->locale.constData(), nullptr, -1, nullptr, -1, &status);
    d->format.reset(U_SUCCESS(status) ? opened : nullptr);
}

QString BXNotesDateFormatter::stringFromDate(const QDateTime& date) const
{
    if (!date.isValid() || !d->format)
        return {};
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_format(
        d->format.get(), UDate(date.toMSecsSinceEpoch()), buffer, 256, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    return QString(reinterpret_cast<const QChar*>(buffer), length);
}

BXNotesDateFormatter::StyleWidths BXNotesDateFormatter::measureStyleWidths(const QFont& font)
{
    const QDateTime sample(QDate(2000, 9, 20), QTime(20, 20, 20), QTimeZone::utc());
    const int kept = m_dateStyle;
    const QFontMetricsF metrics(font);
    const auto widthFor = [&](int style) {
        setDateStyle(style);
        return int(std::ceil(metrics.horizontalAdvance(stringFromDate(sample))));
    };
    StyleWidths widths;
    // Local time, so that the hour keeps two digits whatever the zone.
    const QDateTime widest(QDate(2000, 12, 20), QTime(22, 20, 20));
    setDateStyle(Short);
    widths.shortest = int(std::ceil(metrics.horizontalAdvance(stringFromDate(widest))));
    widths.medium = widthFor(Medium);
    widths.longStyle = widthFor(Long);
    widths.full = widthFor(Full);
    setDateStyle(kept);
    return widths;
}

BXNotesDateFormatter::StyleWidths BXNotesDateFormatter::styleWidths(const QFont& font)
{
    static std::once_flag once;
    static StyleWidths widths;
    std::call_once(once, [&] { widths = measureStyleWidths(font); });
    return widths;
}

int BXNotesDateFormatter::styleForWidth(double width, const StyleWidths& widths)
{
    if (width < widths.medium)
        return Short;
    if (width < widths.longStyle)
        return Medium;
    if (width < widths.full)
        return Long;
    return Full;
}

void BXNotesDateFormatter::updateForWidth(double width, const QFont& font)
{
    const int style = styleForWidth(width, styleWidths(font));
    if (style != m_dateStyle)
        setDateStyle(style);
}
