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
    // Links `window` (a QWidget, which only the widget floors can name) and this controller
    // both ways, so the command router finds the controller from the window.
    template <typename Window> void setWindow(Window* window)
    {
        if (window)
            window->setProperty(kWindowControllerProperty, QVariant::fromValue<QObject*>(this));
        m_window = window;
        m_windowGuard = window;
    }
    // The controller linked to a window, read back from the window's property.
    static WindowController* forWindow(const QObject* window);

    Document* document() const { return m_document; }
    // Kept in step by Document::addWindowController() and removeWindowController().
    void setDocument(Document* document);

    // Whether closing this window closes the whole document (the main window's does).
    bool shouldCloseDocument() const { return m_shouldCloseDocument; }
    void setShouldCloseDocument(bool close) { m_shouldCloseDocument = close; }

    // Closes the window: emits windowWillClose(), then lets the document save and let go of
    // this controller (and close itself when this was its last or its main window).
    virtual void close();

signals:
    void windowWillClose();

private:
    static constexpr const char* kWindowControllerProperty = "platformWindowController";

    QWidget* m_window = nullptr;
    QPointer<QObject> m_windowGuard; // m_window as an object, to notice its destruction
    QPointer<Document> m_document;
    bool m_shouldCloseDocument = false;
};

} // namespace platform
