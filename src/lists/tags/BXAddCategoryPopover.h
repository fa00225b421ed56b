#pragma once

#include "platform/appkit/PopupWidget.h"

#include <QPointer>
#include <QVariantMap>

class BXAddCategoryPopoverViewController;

// The new-category question as a popup that keeps the answer itself: whoever shows it reads
// canceled() and categoryDictionary() when it emits closed(). Its content is the view of a
// BXAddCategoryPopoverViewController, whose message field shows the question. Main thread only.
class BXAddCategoryPopover final : public platform::PopupWidget {
    Q_OBJECT

public:
    explicit BXAddCategoryPopover(QWidget* parent = nullptr);

    bool canceled() const { return m_canceled; }
    const QVariantMap& categoryDictionary() const { return m_categoryDictionary; }

    // Not owned; its view becomes the popup's content and its buttons answer here.
    void setContentViewController(BXAddCategoryPopoverViewController* controller);
    BXAddCategoryPopoverViewController* contentViewController() const { return m_content; }

    // Resets the answer, keeps `dictionary` and asks about its "categoryName".
    void setupWithDictionary(const QVariantMap& dictionary);
    void setLabelText(const QString& text);

    void okAction();
    void cancelAction();

private:
    bool m_canceled = true;
    QVariantMap m_categoryDictionary;
    QPointer<BXAddCategoryPopoverViewController> m_content;
};
