#pragma once

#include <QObject>

#include <memory>

class BXBigButtonCell;
class BXDocumentController;
class BXGradientView;
class BXRecentDocumentsList;
class BXRecentDocumentsView;
class QBoxLayout;
class QScrollArea;
class QWidget;

namespace platform {
class ImageView;
} // namespace platform

// The welcome window: the application's name and version over a gradient, a button that makes
// a new document, one that opens the help pages, and the recent-documents list. Made and let go
// by the document controller, which it tells when its window closes. Main thread.
class BXWelcomeWindowController final : public QObject {
    Q_OBJECT

public:
    explicit BXWelcomeWindowController(BXDocumentController& delegate);
    ~BXWelcomeWindowController() override;

    QWidget* window() const { return m_window.get(); }
    BXRecentDocumentsList& list() const { return *m_list; }
    BXGradientView* gradientView() const { return m_gradientView; }
    BXBigButtonCell* fileNewButton() const { return m_fileNewButton; }
    BXBigButtonCell* helpButton() const { return m_helpButton; }

    void showWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BXDocumentController& m_delegate;
    std::unique_ptr<BXRecentDocumentsList> m_list;
    std::unique_ptr<QWidget> m_window;
    BXGradientView* m_gradientView = nullptr;
    platform::ImageView* m_icon = nullptr;
    QBoxLayout* m_buttonsLayout = nullptr;
    QScrollArea* m_scroller = nullptr;
    BXBigButtonCell* m_fileNewButton = nullptr;
    BXBigButtonCell* m_helpButton = nullptr;
};
