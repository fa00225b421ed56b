#pragma once

#include <QString>

#include <functional>

// One swipe action offered on a list row.
struct BXRowAction {
    enum class Style { Regular, Destructive };
    enum class Edge { Leading, Trailing };

    Style style = Style::Regular;
    QString title;
    QString imageName;
    std::function<void()> handler;
};
