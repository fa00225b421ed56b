#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class QTextBrowser;
class QWidget;

// A window of its own showing a read-only rich-text document named by URL (a "qrc:" resource
// or a local file; RTF by the extension "rtf", HTML otherwise). The window is made on first use and
// owned by the controller. Main thread only; emits controllerWillCloseWindow() when the user closes
// the window.
class BXMessageWindowController final : public QObject {
    Q_OBJECT

public:
    explicit BXMessageWindowController(const QUrl& messageURL, QObject* parent = nullptr);
    ~BXMessageWindowController() override;

    const QUrl& messageURL() const { return m_messageURL; }
    void setMessageURL(const QUrl& url);

    // Makes the window on first use.
    QWidget* window();
    QTextBrowser* messageTextView();
    // Shows the window centred on its screen and brings it to the front.
    void showWindow();

signals:
    void controllerWillCloseWindow(BXMessageWindowController* controller);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowDidLoad();
    void loadMessage();

    QUrl m_messageURL;
    QPointer<QWidget> m_window;
    QPointer<QTextBrowser> m_messageTextView;
};
