#pragma once

#include <QVariantMap>

class BXAddCategoryPopoverViewController;

// Told of the answer to the new-category question; both messages are optional (the defaults do
// nothing). Main thread only.
class BXAddCategoryPopoverViewControllerDelegate {
public:
    virtual ~BXAddCategoryPopoverViewControllerDelegate() = default;

    // The confirming button was pressed; the popover is still open.
    virtual void addCategoryPopoverViewControllerAddCategoryWithDictionary(
        BXAddCategoryPopoverViewController* controller, const QVariantMap& categoryDictionary,
        const QVariantMap& contextInfo)
    {
        Q_UNUSED(controller);
        Q_UNUSED(categoryDictionary);
        Q_UNUSED(contextInfo);
    }
    // The popover has closed, whatever closed it; read canceled() and categoryDictionary().
    virtual void addCategoryPopoverViewControllerDidClose(
        BXAddCategoryPopoverViewController* controller, const QVariantMap& contextInfo)
    {
        Q_UNUSED(controller);
        Q_UNUSED(contextInfo);
    }
};
