#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

namespace platform::testing {

// Wraps streams of bytes in a compound file, as Word documents are stored, so that tests and
// fuzz targets can hand-make the streams inside and still go through the real container.
class CompoundFileBuilder final {
public:
    // Each pair is a stream's name and its bytes, in the root storage.
    static QByteArray build(const QList<QPair<QByteArray, QByteArray>>& streams);
};

} // namespace platform::testing
