#pragma once

#include "platform/foundation/Error.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <vector>

namespace platform {

// Files promised to a drop: each has a proposed name and a writer that makes it on demand, so
// nothing is written unless the drop asks for the files. Main thread.
class FilePromise final {
public:
    // Writes one file at `path`; answers false and fills `error` when it could not.
    using Writer = std::function<bool(const QString& path, Error* error)>;

    void addFile(const QString& fileName, Writer writer);
    int fileCount() const { return int(m_files.size()); }
    bool isEmpty() const { return m_files.empty(); }

    // Writes every promised file into `folder` and answers the files written. Each name is
    // made unique against what the folder holds and what this fulfilment wrote before it
    // ("Name 1.rtf", "Name 2.rtf", ...), so nothing there is replaced. A file whose writer fails
    // is logged and left out, with whatever it left behind removed.
    QList<QUrl> fulfil(const QString& folder) const;

    // `fileName` in `folder` if free, else the first free "<base> <n>.<extension>" from 1 on;
    // `taken` holds names already handed out.
    static QString uniqueFileName(
        const QString& folder, const QString& fileName, const QStringList& taken);

private:
    struct File {
        QString name;
        Writer writer;
    };
    std::vector<File> m_files;
};

} // namespace platform
