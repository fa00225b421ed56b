#pragma once

#include <QCborMap>
#include <QString>

#include <optional>

namespace platform {

// Field readers for the decoders of archived classes (Archiver::registerClass): each gives
// nullopt unless the field is present with exactly the expected type (and range), so that a
// decoder refuses damaged objects instead of guessing.
class ArchiveFields final {
public:
    ArchiveFields() = delete;

    static std::optional<QString> string(const QCborMap& fields, const QString& key);
    static std::optional<qint64> integer(
        const QCborMap& fields, const QString& key, qint64 minimum, qint64 maximum);
    // A finite double.
    static std::optional<double> finite(const QCborMap& fields, const QString& key);
    static std::optional<bool> boolean(const QCborMap& fields, const QString& key);
};

} // namespace platform
