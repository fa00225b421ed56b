#pragma once

#include "platform/documents/PrintInfo.h"

#include <QObject>

#include <memory>

// What the document asks of the window in front when it prints: the view to print. Implemented
// by the window controllers that show notes. Main thread only.
class BXPrintViewProvider {
public:
    virtual ~BXPrintViewProvider() = default;

    // A text view made for this print only, holding a copy of what the window shows now and
    // framed by `printInfo`'s paper less its margins; null when there is nothing to print.
    virtual std::shared_ptr<QObject> printView(
        const std::shared_ptr<platform::PrintInfo>& printInfo)
        = 0;
};
