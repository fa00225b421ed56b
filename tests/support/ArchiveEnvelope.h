#pragma once

#include <QByteArray>
#include <QCborMap>
#include <QCborValue>
#include <QCryptographicHash>
#include <QString>

// Hand-made archives, so tests can reach the decoder's checks of the objects themselves.
namespace bxtest {

// `root` wrapped in a well-formed envelope with a matching digest.
inline QByteArray archiveEnvelope(const QCborValue& root)
{
    const QByteArray objects = root.toCbor();
    QCborMap archive;
    archive.insert(QStringLiteral("$archiver"), QStringLiteral("BXArchiver"));
    archive.insert(QStringLiteral("$version"), 1);
    archive.insert(QStringLiteral("$objects"), objects);
    archive.insert(
        QStringLiteral("$sha256"), QCryptographicHash::hash(objects, QCryptographicHash::Sha256));
    return archive.toCborValue().toCbor();
}

// An archived object of class `tag` with no fields yet.
inline QCborMap archiveObject(const QString& tag)
{
    QCborMap map;
    map.insert(QStringLiteral("$class"), tag);
    return map;
}

} // namespace bxtest
