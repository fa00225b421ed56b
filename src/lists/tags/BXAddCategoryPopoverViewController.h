#pragma once

#include "platform/appkit/PopupWidget.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVariantMap>

class BXAddCategoryPopoverViewControllerDelegate;
class QLabel;
class QPushButton;
class QWidget;

// Asks in a popover under an entry whether a category of the typed name is to be made: the
// question and OK and Cancel (Return and Escape). Every showing makes a new popup and drops it
// when it closes, then tells the delegate; the controller and its view live on between
// showings. Owned by its user; main thread only.
class BXAddCategoryPopoverViewController final : public QObject {
    Q_OBJECT

public:
    BXAddCategoryPopoverViewController();
    ~BXAddCategoryPopoverViewController() override;

    static QString nibName() { return QStringLiteral("BXAddCategoryPopoverView"); }

    // True unless OK was pressed during the current showing.
    bool canceled() const { return m_canceled; }
    // Not owned; may be null.
    void setDelegate(BXAddCategoryPopoverViewControllerDelegate* delegate)
    {
        m_delegate = delegate;
    }
    BXAddCategoryPopoverViewControllerDelegate* delegate() const { return m_delegate; }
    const QVariantMap& categoryDictionary() const { return m_categoryDictionary; }
    const QVariantMap& contextInfo() const { return m_contextInfo; }
    // The popup of the current showing; null when none shows.
    platform::PopupWidget* popover() const { return m_popover; }
    bool popoverVisible() const;

    // The question and its buttons, made on first use.
    QWidget* view();
    bool isViewLoaded() const { return m_view != nullptr; }
    QLabel* messageTextField() const { return m_messageTextField; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    void setLabelText(const QString& text);

    // Shows the question for `categoryDictionary`'s "categoryName" under `frame` of `view`;
    // `contextInfo` comes back with the delegate's messages.
    void showPopoverForCategoryDictionary(const QVariantMap& categoryDictionary, QWidget* view,
        const QRect& frame, const QVariantMap& contextInfo);

    void okAction();
    void cancelAction();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadView();
    void popoverDidClose();
    void updateQuestion();

    bool m_canceled = true;
    BXAddCategoryPopoverViewControllerDelegate* m_delegate = nullptr;
    QVariantMap m_categoryDictionary;
    QVariantMap m_contextInfo;
    QPointer<platform::PopupWidget> m_popover;
    QPointer<QWidget> m_view;
    QLabel* m_messageTextField = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
