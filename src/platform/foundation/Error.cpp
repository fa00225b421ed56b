#include "Error.h"

#include <cerrno>
#include <cstring>

namespace platform {

Error::Error(QString domain, int code, QString localizedDescription, QString failureReason)
    : m_domain(std::move(domain)),
      m_code(code),
      m_description(std::move(localizedDescription)),
      m_failureReason(std::move(failureReason))
{ }

QString Error::localizedDescription() const
{
    if (!m_description.isEmpty())
        return m_description;
    return QStringLiteral("The operation couldn't be completed. (%1 error %2.)")
        .arg(m_domain)
        .arg(m_code);
}

Error& Error::setUnderlyingError(const Error& underlying)
{
    m_underlying = underlying.isNull() ? nullptr : std::make_shared<const Error>(underlying);
    return *this;
}

Error& Error::setUserInfoValue(const QString& key, const QVariant& value)
{
    m_userInfo.insert(key, value);
    return *this;
}

QString Error::toString() const
{
    if (isNull())
        return QStringLiteral("(no error)");
    QString text = QStringLiteral("Error Domain=%1 Code=%2 \"%3\"")
                       .arg(m_domain)
                       .arg(m_code)
                       .arg(localizedDescription());
    if (!m_failureReason.isEmpty())
        text += QStringLiteral(" (%1)").arg(m_failureReason);
    if (m_underlying)
        text += QStringLiteral(" underlying: ") + m_underlying->toString();
    return text;
}

bool Error::set(Error* out, const Error& error)
{
    if (out)
        *out = error;
    return false;
}

Error Error::fromErrno(int errorNumber, const QString& localizedDescription)
{
    int code = FileWriteUnknownError;
    if (errorNumber == ENOSPC || errorNumber == EDQUOT || errorNumber == EFBIG)
        code = FileWriteOutOfSpaceError;
    else if (errorNumber == EACCES || errorNumber == EPERM || errorNumber == EROFS)
        code = FileWriteNoPermissionError;
    const QString reason = QString::fromLocal8Bit(std::strerror(errorNumber));
    Error error(kCocoaErrorDomain, code, localizedDescription, reason);
    error.setUnderlyingError(Error(kPOSIXErrorDomain, errorNumber, reason));
    return error;
}

} // namespace platform
