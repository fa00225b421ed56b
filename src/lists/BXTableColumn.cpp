#include "lists/BXTableColumn.h"

#include <algorithm>
#include <cmath>
#include <limits>

BXTableColumn::BXTableColumn(QString identifier, double width)
    : m_identifier(std::move(identifier)), m_width(std::max(0.0, width))
{ }

void BXTableColumn::setWidth(double width)
{
    if (!std::isfinite(width))
        return;
    m_width = std::clamp(width, m_minWidth, m_maxWidth);
}

int BXTableColumn::displayedWidth() const
{
    return int(std::min(std::round(m_width), double(std::numeric_limits<int>::max())));
}

void BXTableColumn::setWidthLimits(double minWidth, double maxWidth)
{
    m_minWidth = std::max(0.0, minWidth);
    m_maxWidth = std::max(m_minWidth, maxWidth);
    m_width = std::clamp(m_width, m_minWidth, m_maxWidth);
}
