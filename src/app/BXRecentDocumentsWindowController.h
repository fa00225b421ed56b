#pragma once

#include <QObject>

#include <memory>

class BXDocumentController;
class BXRecentDocumentsList;
class QPushButton;
class QWidget;

// The start window that lists the recent documents (see BXRecentDocumentsList) with an
// "Open…" button for any other document. Made and let go by the document controller, which it
// tells when its window closes. Main thread.
class BXRecentDocumentsWindowController final : public QObject {
    Q_OBJECT

public:
    explicit BXRecentDocumentsWindowController(BXDocumentController& delegate);
    ~BXRecentDocumentsWindowController() override;

    QWidget* window() const { return m_window.get(); }
    BXRecentDocumentsList& list() const { return *m_list; }
    QPushButton* openOtherButton() const { return m_openOther; }

    void showWindow();
    void closeAction();

    // "Open…" while the list is empty, else "Open Other…".
    static QString openOtherTitle(int documentCount);

private:
    void windowWillClose();

    BXDocumentController& m_delegate;
    std::unique_ptr<BXRecentDocumentsList> m_list;
    std::unique_ptr<QWidget> m_window;
    QPushButton* m_openOther = nullptr;
};
