#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class BXDocument;
class QLabel;
class QTextBrowser;
class QWidget;

// The one floating info panel of the application: it describes the selected notes of the
// active document (the one whose window is main), following the documents' activate and
// deactivate notifications, and shows whatever that document's noteInfo() holds. It stays on
// top and never takes the focus when shown. Main thread.
class BXInfoPanelController final : public QObject {
    Q_OBJECT

public:
    static BXInfoPanelController& sharedInfoPanelController();

    BXInfoPanelController();
    ~BXInfoPanelController() override;

    BXDocument* currentDocument() const;
    void setCurrentDocument(BXDocument* document);

    // Shows the panel, or hides it when visible.
    void toggleInfoPanel();
    void showWindow();
    bool isVisible() const;
    // Made on first show.
    QWidget* window() const { return m_window.get(); }

    QLabel* iconView() const { return m_icon; }
    QTextBrowser* headInfoView() const { return m_headInfo; }
    QTextBrowser* statisticsView() const { return m_statistics; }
    QTextBrowser* infoView() const { return m_info; }

private:
    void windowDidLoad();
    void refresh();

    QPointer<BXDocument> m_currentDocument;
    QMetaObject::Connection m_infoConnection;
    std::unique_ptr<QWidget> m_window;
    QLabel* m_icon = nullptr;
    QTextBrowser* m_headInfo = nullptr;
    QTextBrowser* m_statistics = nullptr;
    QTextBrowser* m_info = nullptr;
};
