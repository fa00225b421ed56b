#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

namespace platform {

// Error domains shared across the code base. Document and update-check errors carry their
// own domains; OS-status errors stand in for the system's status codes (a wrong document
// password is code 666 there); kCocoaErrorDomain codes cover file and cancellation failures.
inline const QString kOSStatusErrorDomain = QStringLiteral("NSOSStatusErrorDomain");
inline const QString kCocoaErrorDomain = QStringLiteral("NSCocoaErrorDomain");
inline const QString kPOSIXErrorDomain = QStringLiteral("NSPOSIXErrorDomain");
inline const QString BXDocumentErrorDomain = QStringLiteral("BXDocumentErrorDomain");
inline const QString kVersionCheckErrorDomain = QStringLiteral("kVersionCheckErrorDomain");

// Codes of kCocoaErrorDomain that the application reports.
enum CocoaErrorCode : int {
    FileNoSuchFileError = 4,
    FileReadUnknownError = 256,
    FileReadNoPermissionError = 257,
    FileReadCorruptFileError = 259,
    FileReadTooLargeError = 263,
    FileReadUnknownStringEncodingError = 264,
    FileWriteUnknownError = 512,
    FileWriteNoPermissionError = 513,
    FileWriteOutOfSpaceError = 640,
    UserCancelledError = 3072,
    CoreDataValidationError = 1550,
    PersistentStoreIncompatibleVersionHashError = 134100,
    PersistentStoreOpenError = 134080,
    PersistentStoreSaveError = 134030,
    PersistentStoreSaveConflictsError = 134050,
    PersistentStoreInvalidTypeError = 134000,
};

// A failure a caller must handle: domain and code identify it, the localised description is
// what an alert shows, the failure reason says why, and an underlying error may carry the
// lower-level cause (an SQLite or file-system failure). A default-made Error means "none".
class Error final {
public:
    Error() = default;
    Error(QString domain, int code, QString localizedDescription = {}, QString failureReason = {});

    bool isNull() const { return m_domain.isEmpty(); }
    explicit operator bool() const { return !isNull(); }

    const QString& domain() const { return m_domain; }
    int code() const { return m_code; }
    // The description given, or a generic one naming domain and code.
    QString localizedDescription() const;
    const QString& localizedFailureReason() const { return m_failureReason; }
    const Error* underlyingError() const { return m_underlying.get(); }
    const QVariantMap& userInfo() const { return m_userInfo; }

    Error& setUnderlyingError(const Error& underlying);
    Error& setUserInfoValue(const QString& key, const QVariant& value);

    bool is(const QString& domain, int code) const { return m_domain == domain && m_code == code; }
    bool isUserCancelled() const { return is(kCocoaErrorDomain, UserCancelledError); }

    // One line for logs: description, reason and the chain of underlying errors.
    QString toString() const;

    // Stores `error` into `out` when the caller asked for it; returns false for `return`.
    static bool set(Error* out, const Error& error);
    // A failed write of the file system: the kCocoaErrorDomain write code that fits `errorNumber`
    // (out of space, no permission, else unknown), the system's text as reason, and the POSIX error
    // underneath.
    static Error fromErrno(int errorNumber, const QString& localizedDescription);

private:
    QString m_domain;
    int m_code = 0;
    QString m_description;
    QString m_failureReason;
    std::shared_ptr<const Error> m_underlying;
    QVariantMap m_userInfo;
};

} // namespace platform
