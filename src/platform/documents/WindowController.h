#pragma once

#include <QObject>
#include <QPointer>

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
    QPointer<Document> m_document;
    bool m_shouldCloseDocument = false;
};

} // namespace platform
