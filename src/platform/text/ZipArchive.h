#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct zip;

namespace platform {

// Zip packages (OpenDocument, Office Open XML) through libzip, in memory. Writing builds the
// whole archive first and only then puts it at its target (SafeWrite), so a failure leaves
// the target untouched and two writes never share a temporary. Reading refuses archives whose
// directory is damaged, holds too many entries, or whose entries are too large for a document
// (zip bombs); entries whose names could step outside the package are not reachable.
// An instance belongs to one thread; the static functions are reentrant.
class ZipArchive final {
public:
    struct Entry {
        // A relative path inside the package, "/" between folders.
        QString name;
        QByteArray data;
        // Stored without compression (an OpenDocument "mimetype" must be).
        bool stored = false;
    };

    struct Limits {
        qsizetype maximumEntries = 10'000;
        qint64 maximumEntrySize = 64 * 1024 * 1024;
        // What all reads of one archive may unpack together.
        qint64 maximumTotalSize = 256 * 1024 * 1024;
    };

    ZipArchive(ZipArchive&&) noexcept;
    ZipArchive& operator=(ZipArchive&&) noexcept;
    ~ZipArchive();

    // The archive's bytes, entries in the order given.
    static std::optional<QByteArray> build(const QList<Entry>& entries, Error* error = nullptr);
    // Packs every file below `folder` (links are not followed) into an archive at `target`:
    // the names in `storedFirst` lead, stored and in that order, the rest follow compressed.
    static bool packFolder(const QString& folder, const QString& target,
        const QStringList& storedFirst, Error* error = nullptr);

    using FolderFiller = std::function<bool(const QString& folder, Error* error)>;

    // Lets `fill` write a package's files into a temporary folder of this call's own (two
    // writes at once never share one), then packs that folder onto `target` (packFolder).
    static bool packNewFolder(const FolderFiller& fill, const QString& target,
        const QStringList& storedFirst, Error* error = nullptr);
    // Writes one file of a package's folder before it is packed, making the folders on its
    // way; `name` is relative to `folder`.
    static bool writeFolderFile(
        const QString& folder, const QString& name, const QByteArray& data, Error* error);

    static std::optional<ZipArchive> open(const QByteArray& data, Error* error = nullptr);
    static std::optional<ZipArchive> open(
        const QByteArray& data, const Limits& limits, Error* error = nullptr);
    bool contains(const QString& name) const { return m_index.contains(name); }
    QStringList entryNames() const { return m_names; }
    // An entry's contents; fails for a missing entry, one over the limits or a damaged one.
    std::optional<QByteArray> read(const QString& name, Error* error = nullptr);

    // `relative` taken from the folder `base` ("word" for "word/document.xml"'s references),
    // "." and ".." resolved; a leading "/" starts at the package root. Empty when the path
    // leaves the package.
    static QString resolvePath(const QString& base, const QString& relative);

private:
    struct Closer {
        void operator()(zip* archive) const;
    };

    ZipArchive() = default;

    QByteArray m_data; // libzip reads from it while the archive is open
    std::unique_ptr<zip, Closer> m_archive;
    QHash<QString, qint64> m_index;
    QStringList m_names;
    Limits m_limits;
    qint64 m_unpacked = 0;
};

} // namespace platform
