#pragma once

#include "platform/predicate/SortDescriptor.h"

#include <QString>

#include <limits>
#include <optional>

// One column of a BXTableView, known by its identifier: its width as set (a double, which the
// header shows rounded to whole pixels), the limits the width stays within, whether it is
// hidden, and the sort its header asks for. A value.
class BXTableColumn final {
public:
    explicit BXTableColumn(QString identifier = {}, double width = 100.0);

    const QString& identifier() const { return m_identifier; }

    double width() const { return m_width; }
    // Kept within the limits.
    void setWidth(double width);
    // What the header shows.
    int displayedWidth() const;
    double minWidth() const { return m_minWidth; }
    double maxWidth() const { return m_maxWidth; }
    // A maximum below the minimum is raised to it; the width moves into the new limits.
    void setWidthLimits(double minWidth, double maxWidth);

    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }

    const std::optional<platform::SortDescriptor>& sortDescriptorPrototype() const
    {
        return m_sortDescriptorPrototype;
    }
    void setSortDescriptorPrototype(std::optional<platform::SortDescriptor> prototype)
    {
        m_sortDescriptorPrototype = std::move(prototype);
    }

private:
    QString m_identifier;
    double m_width;
    double m_minWidth = 0.0;
    double m_maxWidth = std::numeric_limits<double>::max();
    bool m_hidden = false;
    std::optional<platform::SortDescriptor> m_sortDescriptorPrototype;
};
