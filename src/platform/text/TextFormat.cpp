#include "TextFormat.h"

#include "platform/foundation/Localized.h"

#include <QSaveFile>

namespace platform {

bool TextFormat::saveFile(const QString& path, const QByteArray& data, Error* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    return Error::set(error,
        Error(kCocoaErrorDomain, FileWriteUnknownError,
            localized(QStringLiteral("The file could not be saved.")),
            path + QLatin1String(": ") + file.errorString()));
}

} // namespace platform
