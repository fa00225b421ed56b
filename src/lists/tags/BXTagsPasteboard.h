#pragma once

#include <QVariant>

class BXTagLookup;
class QMimeData;

// Tag tokens on the clipboard. Copied tokens go in their archived form and come back by their
// URIs, whatever names they carry; plain text comes in a line at a time as typed names. Only
// tokens of plain categories that the field does not show yet come in, and a name that is no
// category is dropped without a question. Owned by the tag editor; main thread only.
class BXTagsPasteboard final {
public:
    explicit BXTagsPasteboard(const BXTagLookup& lookup);

    // The tokens `data` brings that `shown` does not hold.
    QVariantList readTokens(const QMimeData& data, const QVariantList& shown) const;
    // Archives the tokens among `objects`; plain strings are left to the field's own text.
    static void writeTokens(const QVariantList& objects, QMimeData& data);

private:
    const BXTagLookup& m_lookup;
};
