#include "WindowController.h"

#include "Document.h"

namespace platform {

WindowController::WindowController(QObject* parent) : QObject(parent) { }

WindowController::~WindowController()
{
    if (m_document)
        m_document->removeWindowController(this);
}

WindowController* WindowController::forWindow(const QObject* window)
{
    if (!window)
        return nullptr;
    return qobject_cast<WindowController*>(
        window->property(kWindowControllerProperty).value<QObject*>());
}

void WindowController::setDocument(Document* document)
{
    m_document = document;
}

void WindowController::close()
{
    emit windowWillClose();
    if (m_document)
        m_document->windowControllerWillClose(this);
}

} // namespace platform
