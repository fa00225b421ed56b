#include "PrintInfo.h"

namespace platform {

const QString PrintInfo::HeaderAndFooterKey = QStringLiteral("NSPrintHeaderAndFooter");

namespace {

constexpr double kDefaultMargin = 72.0;

} // namespace

PrintInfo::PrintInfo(QObject* parent)
    : QObject(parent),
      m_pageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
          QMarginsF(kDefaultMargin, kDefaultMargin, kDefaultMargin, kDefaultMargin),
          QPageLayout::Point)
{
    // Margins are the user's to choose: none is too small or too large for the paper.
    m_pageLayout.setMode(QPageLayout::FullPageMode);
}

void PrintInfo::setPageLayout(const QPageLayout& layout)
{
    m_pageLayout = layout;
    m_pageLayout.setUnits(QPageLayout::Point);
    m_pageLayout.setMode(QPageLayout::FullPageMode);
    emit changed();
}

QRectF PrintInfo::imageablePageBounds() const
{
    return m_pageLayout.fullRect(QPageLayout::Point);
}

QRectF PrintInfo::printableRect() const
{
    return imageablePageBounds().marginsRemoved(m_pageLayout.margins(QPageLayout::Point));
}

void PrintInfo::setMargins(const QMarginsF& margins)
{
    if (margins == m_pageLayout.margins(QPageLayout::Point))
        return;
    m_pageLayout.setMargins(margins);
    emit changed();
}

void PrintInfo::setLeftMargin(double points)
{
    setMargins({ points, topMargin(), rightMargin(), bottomMargin() });
}

void PrintInfo::setRightMargin(double points)
{
    setMargins({ leftMargin(), topMargin(), points, bottomMargin() });
}

void PrintInfo::setTopMargin(double points)
{
    setMargins({ leftMargin(), points, rightMargin(), bottomMargin() });
}

void PrintInfo::setBottomMargin(double points)
{
    setMargins({ leftMargin(), topMargin(), rightMargin(), points });
}

void PrintInfo::setHorizontalPagination(Pagination pagination)
{
    m_horizontalPagination = pagination;
    emit changed();
}

void PrintInfo::setHorizontallyCentered(bool centered)
{
    m_horizontallyCentered = centered;
    emit changed();
}

void PrintInfo::setVerticallyCentered(bool centered)
{
    m_verticallyCentered = centered;
    emit changed();
}

void PrintInfo::addEntries(const QVariantMap& entries)
{
    if (entries.isEmpty())
        return;
    m_dictionary.insert(entries);
    emit changed();
}

void PrintInfo::setHeaderAndFooter(bool on)
{
    addEntries({ { HeaderAndFooterKey, on } });
}

} // namespace platform
