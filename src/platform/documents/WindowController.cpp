#include "WindowController.h"

#include "Document.h"

namespace platform {

WindowController::WindowController(QObject* parent) : QObject(parent) { }

WindowController::~WindowController()
{
    if (m_document)
        m_document->removeWindowController(this);
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
