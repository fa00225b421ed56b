#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Applies a comparison's [c] (full case folding) and [d] (canonical decomposition without the
// non-spacing marks) to text, as fast as the text allows: ASCII is lower-cased as it is copied,
// characters that fold on their own are looked up in a table learnt from ICU, and only the
// rest goes through ICU. The result is exactly that of folding the whole text with ICU.
// Stateless apart from that table, which all threads share; safe on any thread.
class StringFolding final {
public:
    // `text` folded by `options` (ComparisonPredicate flags), written into `buffer`, whose
    // storage is kept for the next call, or `text` itself when folding changes nothing. The
    // view is valid until `text` or `buffer` changes.
    static QStringView fold(QStringView text, int options, QString& buffer);

    // Where each unit of a folded text came from: units [starts[i], ends[i]) of the original.
    // Both lists only grow along the text; a mark that folding drops belongs to the unit before
    // it, and what ICU folds in context maps, unit by unit, to the whole context.
    struct Origins {
        std::vector<qint32> starts;
        std::vector<qint32> ends;
    };
    // fold(), also telling where each folded unit came from, so that a match in the folded text
    // can be shown in the original.
    static QStringView fold(QStringView text, int options, QString& buffer, Origins& origins);

    // The same over UTF-8 bytes, into `buffer`; nullopt when the bytes are not valid UTF-8,
    // which folds as QString::fromUtf8() reads it.
    static std::optional<std::string_view> foldUtf8(
        std::string_view text, int options, std::string& buffer);

    // Whether every unit is ASCII, where folding is lower-casing under [c] and nothing else.
    static bool isAscii(QStringView text);
};

} // namespace platform
