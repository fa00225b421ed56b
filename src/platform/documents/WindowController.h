#pragma once

#include <QObject>
#include <QPointer>
#include <QVariant>

class QWidget;

namespace platform {

class Document;

// The controller of one window of a document. This base only keeps the link to its document
// and reports the window's closing to it; windows of their own come with the subclasses.
// Main thread; owned by whoever made it (the document only lists it).
class WindowController : public QObject {
    Q_OBJECT

public:
    explicit WindowController(QObject* parent = nullptr);
    ~WindowController() override;

    // The window this controller runs; null until one is set and after it is destroyed.
    QWidget* window() const { return m_windowGuard ? m_window : nullptr; }
    // The same window as an object, for widget-free code that hands it on.
    QObject* windowObject() const { return m_windowGuard; }
    // Links `window` (a QWidget, which only the widget floors can name) and this controller
    // both ways, so the command router finds the controller from the window. From then on a
    // request to close the window (its close button, QWidget::close()) goes through close().
    template <typename Window> void setWindow(Window* window)
    {
        if (m_windowGuard)
            m_windowGuard->removeEventFilter(this);
        if (window) {
            window->setProperty(kWindowControllerProperty, QVariant::fromValue<QObject*>(this));
            window->installEventFilter(this);
        }
        m_window = window;
        m_windowGuard = window;
    }
    // The controller linked to a window, read back from the window's property.
    static WindowController* forWindow(const QObject* window);

    Document* document() const { return m_document; }
    // Kept in step by Document::addWindowController() and removeWindowController(). The
    // window's title follows the document's name and edited state from then on.
    void setDocument(Document* document);

    // Whether closing this window closes the whole document (the main window's does).
    bool shouldCloseDocument() const { return m_shouldCloseDocument; }
    void setShouldCloseDocument(bool close) { m_shouldCloseDocument = close; }

    // Shows the window in front of the others.
    virtual void showWindow();
    // Shows the window without raising it or giving it the keys, for a caller that brings
    // another window forward over it.
    virtual void showWindowBehind();
    // Fills the window without showing it, for a caller that shows it later; showWindow()
    // does it when nobody did. A window made whole by the constructor has nothing to fill.
    virtual void loadWindow() { }
    // The window's frame as "x y width height" (its geometry); empty without a window.
    QString windowFrameString() const;
    // Moves and sizes the window to a frame from windowFrameString(); anything else is
    // ignored. Controllers whose windows may land off screen check the place in an override.
    virtual void setWindowFrameString(const QString& frame);
    bool isWindowMinimized() const;
    void minimizeWindow();
    // Titles the window with the document's name, marked while the document is edited.
    virtual void synchronizeWindowTitleWithDocumentName();
    // Asks the document whether the window may close (Document::shouldCloseWindowController:
    // open edits committed, the document saved, the user asked when needed). When it may,
    // emits windowWillClose(), closes the window and lets the document let go of this
    // controller (closing itself with its main or last window); otherwise the window stays
    // as it was. A close asked for while one is being decided is ignored. The controller may
    // be deleted later by its owner, never from within this call.
    virtual void close();
    // Between an agreed close and the window's going.
    bool isClosing() const { return m_closing; }

signals:
    void windowWillClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr const char* kWindowControllerProperty = "platformWindowController";

    void closeAgreed();

    QWidget* m_window = nullptr;
    QPointer<QObject> m_windowGuard; // m_window as an object, to notice its destruction
    QPointer<Document> m_document;
    QList<QMetaObject::Connection> m_documentConnections;
    bool m_shouldCloseDocument = false;
    bool m_deciding = false;
    bool m_closing = false;
    bool m_inCloseEvent = false;
};

} // namespace platform
