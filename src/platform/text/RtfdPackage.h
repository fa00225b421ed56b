#pragma once

#include "FlatRtfd.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QTextDocument;

namespace platform {

// An RTFD: the RTF text ("TXT.rtf") plus the attachment files it names, as a folder on disk
// or as flat data. A value type; any thread.
class RtfdPackage final {
public:
    static const QString TextFileName;
    // What readFolder() reads at most, text and attachments together.
    static constexpr qint64 maximumFolderBytes = 256 * 1024 * 1024;

    RtfdPackage() = default;
    RtfdPackage(QByteArray rtf, FlatRtfd::Files attachments);

    // The document's text with its attachments as files.
    static RtfdPackage fromDocument(const QTextDocument& doc);
    static std::optional<RtfdPackage> fromFlatData(QByteArrayView data, Error* error = nullptr);
    // Reads the plain files right inside the folder; links are never followed, so nothing
    // from outside the folder comes along.
    static std::optional<RtfdPackage> readFolder(const QString& path, Error* error = nullptr);

    QByteArray flatData() const;
    // Creates the folder when needed and writes TXT.rtf and every attachment into it.
    bool writeFolder(const QString& path, Error* error = nullptr) const;
    // The text with its attachments resolved; nullptr and an error when the RTF is damaged or
    // `stop` was set (see RtfReader).
    std::unique_ptr<QTextDocument> document(
        Error* error = nullptr, const std::atomic<bool>* stop = nullptr) const;

    const QByteArray& rtf() const { return m_rtf; }
    const FlatRtfd::Files& attachments() const { return m_attachments; }

private:
    QByteArray m_rtf;
    FlatRtfd::Files m_attachments;
};

} // namespace platform
