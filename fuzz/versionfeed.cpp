// Feeds arbitrary bytes to the update check's feed reader. A feed either fails with invalid
// data or yields a version; every text it keeps is trimmed and comes from the input.
#include "OffscreenApplication.h"
#include "app/kVersionCheck.h"
#include "platform/foundation/UserDefaults.h"

#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    static platform::UserDefaults defaults(folder.filePath(QStringLiteral("s.conf")));
    static kVersionCheck check(defaults);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    kVersionCheckError error;
    if (!check.parseData(bytes, &error)) {
        if (error.code() != kVersionCheckError::InvalidData)
            abort();
        return 0;
    }
    const QVariantMap& result = check.versionDictionary();
    if (!result.contains(kVersionCheck::LastVersionKey))
        abort();
    for (const QVariant& value : result) {
        const QString text = value.toString();
        if (text != text.trimmed())
            abort();
    }
    return 0;
}
