#include "CopyFolderGuard.h"

#include <QDir>

namespace markdown {

void CopyFolderGuard::setFolder(const QString& folder)
{
    m_folder = folder.isEmpty() ? QString() : QDir::cleanPath(folder) + u'/';
}

bool CopyFolderGuard::allows(const QUrl& url) const
{
    if (!url.isLocalFile())
        return true;
    return !m_folder.isEmpty() && QDir::cleanPath(url.toLocalFile()).startsWith(m_folder);
}

void CopyFolderGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!allows(info.requestUrl()))
        info.block(true);
}

} // namespace markdown
