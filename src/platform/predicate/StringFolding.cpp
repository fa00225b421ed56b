#include "StringFolding.h"

#include "platform/predicate/ComparisonPredicate.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace platform {

namespace {

constexpr int kCase = ComparisonPredicate::CaseInsensitive;
constexpr int kDiacritics = ComparisonPredicate::DiacriticInsensitive;

// A table entry: up to three folded units in the low 48 bits, their count above, and flags.
constexpr quint64 kKnown = quint64(1) << 63;
constexpr quint64 kOnlyInContext = quint64(1) << 62;
constexpr int kMaxUnits = 3;

// What folding makes of each BMP unit, per combination of options; filled in as units are first
// seen. Threads may learn a unit at the same time: they store the same value.
std::atomic<quint64> g_units[3][0x10000];

// Buffers are kept between calls, but not beyond this size: one giant note must not pin its
// folded copy for good.
constexpr qsizetype kKeptSize = qsizetype(1) << 20;

// Starts `buffer` over for a text that needs `needed` units (or bytes), letting go of storage
// a much larger text left behind.
template <typename Buffer> void startOver(Buffer& buffer, qsizetype needed)
{
    if (qsizetype(buffer.size()) > std::max(kKeptSize, needed))
        buffer = Buffer();
}

// Makes room for `extra` more units after the first `used` units of `buffer`, keeping them.
char16_t* reserveAfter(QString& buffer, qsizetype used, qsizetype extra)
{
    if (buffer.size() < used + extra)
        buffer.resize(std::max(used + extra, buffer.size() * 2));
    return reinterpret_cast<char16_t*>(buffer.data()) + used;
}

qsizetype appendUnfolded(QStringView run, QString& out, qsizetype used)
{
    std::copy_n(run.utf16(), run.size(), reserveAfter(out, used, run.size()));
    return used + run.size();
}

// Folds `run` with ICU onto `out` after `used` units; gives the new length. Should ICU fail
// (it fails only to allocate), the run is kept as it is rather than lost.
qsizetype foldWithIcu(QStringView run, int options, QString& out, qsizetype used)
{
    thread_local QString caseFolded;
    thread_local QString decomposed;
    startOver(caseFolded, run.size() * 3);
    startOver(decomposed, run.size() * 9);
    const UChar* source = reinterpret_cast<const UChar*>(run.utf16());
    int32_t length = int32_t(run.size());
    UErrorCode status = U_ZERO_ERROR;
    if (options & kCase) {
        // Full case folding turns one unit into at most three.
        char16_t* target = reserveAfter(caseFolded, 0, run.size() * 3);
        length = u_strFoldCase(reinterpret_cast<UChar*>(target), int32_t(caseFolded.size()), source,
            length, U_FOLD_CASE_DEFAULT, &status);
        if (U_FAILURE(status))
            return appendUnfolded(run, out, used);
        source = reinterpret_cast<const UChar*>(target);
    }
    if (!(options & kDiacritics)) {
        std::copy_n(source, length, reserveAfter(out, used, length));
        return used + length;
    }
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status))
        return appendUnfolded(run, out, used);
    int32_t needed = unorm2_normalize(nfd, source, length,
        reinterpret_cast<UChar*>(reserveAfter(decomposed, 0, length * 3)),
        int32_t(decomposed.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        needed = unorm2_normalize(nfd, source, length,
            reinterpret_cast<UChar*>(reserveAfter(decomposed, 0, needed)),
            int32_t(decomposed.size()), &status);
    }
    if (U_FAILURE(status))
        return appendUnfolded(run, out, used);
    const UChar* units = reinterpret_cast<const UChar*>(decomposed.utf16());
    char16_t* target = reserveAfter(out, used, needed);
    qsizetype written = 0;
    for (int32_t i = 0; i < needed;) {
        const int32_t start = i;
        UChar32 c;
        U16_NEXT(units, i, needed, c);
        if (u_charType(c) != U_NON_SPACING_MARK) {
            for (int32_t k = start; k < i; ++k)
                target[written++] = units[k];
        }
    }
    return used + written;
}

// A unit folds on its own when its result cannot take part in canonical reordering: at most
// three units, and under [d] only starters (a mark that [d] drops needs no place at all).
// Reordering moves only marks between two starters, and the marks dropped leave the order of
// the rest as it was, so such units can be folded one by one between runs given to ICU.
[[gnu::noinline]] quint64 learn(char16_t unit, int options)
{
    QString folded;
    const qsizetype length = foldWithIcu(QStringView(&unit, 1), options, folded, 0);
    if (length > kMaxUnits)
        return kKnown | kOnlyInContext;
    quint64 entry = kKnown | (quint64(length) << 48);
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t result = folded[i].unicode();
        if (QChar::isSurrogate(result)
            || ((options & kDiacritics) && u_getCombiningClass(result) != 0))
            return kKnown | kOnlyInContext;
        entry |= quint64(result) << (16 * i);
    }
    return entry;
}

inline quint64 entryFor(std::atomic<quint64>* table, char16_t unit, int options)
{
    quint64 entry = table[unit].load(std::memory_order_relaxed);
    if (!entry) {
        entry = learn(unit, options);
        table[unit].store(entry, std::memory_order_relaxed);
    }
    return entry;
}

int entryLength(quint64 entry)
{
    return int(entry >> 48) & 3;
}

// Where the run of ASCII starting at `from` ends, read eight bytes at a time.
template <typename Char> qsizetype asciiRunEnd(const Char* units, qsizetype from, qsizetype size)
{
    constexpr quint64 kHighBits
        = sizeof(Char) == 1 ? Q_UINT64_C(0x8080808080808080) : Q_UINT64_C(0xFF80FF80FF80FF80);
    constexpr qsizetype kPerWord = qsizetype(8 / sizeof(Char));
    qsizetype i = from;
    for (; i + kPerWord <= size; i += kPerWord) {
        quint64 word;
        std::memcpy(&word, units + i, sizeof word);
        if (word & kHighBits)
            break;
    }
    while (i < size && units[i] < 0x80)
        ++i;
    return i;
}

// Copies the run of ASCII starting at `from` to `target`, lower-cased under [c], eight bytes
// at a time in one pass; gives where the run ends. Note texts have an accent every few words,
// so runs are short and a second pass over each would cost as much as the first.
template <typename Char>
qsizetype copyAsciiRun(
    const Char* units, qsizetype from, qsizetype size, Char* __restrict target, bool caseless)
{
    constexpr quint64 kLanes
        = sizeof(Char) == 1 ? Q_UINT64_C(0x0101010101010101) : Q_UINT64_C(0x0001000100010001);
    constexpr quint64 kHighBits = kLanes * 0x80;
    constexpr quint64 kNonAscii = sizeof(Char) == 1 ? kHighBits : Q_UINT64_C(0xFF80FF80FF80FF80);
    constexpr qsizetype kPerWord = qsizetype(8 / sizeof(Char));
    qsizetype i = from;
#ifdef __SSE2__
    if constexpr (sizeof(Char) == 2) {
        // Eight units at a time where the processor has the registers for it.
        const __m128i nonAscii = _mm_set1_epi16(short(0xFF80));
        const __m128i beforeA = _mm_set1_epi16('A' - 1);
        const __m128i afterZ = _mm_set1_epi16('Z' + 1);
        const __m128i caseBit = _mm_set1_epi16(caseless ? 0x20 : 0);
        for (; i + 8 <= size; i += 8) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
            if (_mm_movemask_epi8(
                    _mm_cmpeq_epi16(_mm_and_si128(block, nonAscii), _mm_setzero_si128()))
                != 0xFFFF)
                break;
            const __m128i upper
                = _mm_and_si128(_mm_cmpgt_epi16(block, beforeA), _mm_cmplt_epi16(block, afterZ));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + (i - from)),
                _mm_or_si128(block, _mm_and_si128(upper, caseBit)));
        }
    }
#endif
    for (; i + kPerWord <= size; i += kPerWord) {
        quint64 word;
        std::memcpy(&word, units + i, sizeof word);
        if (word & kNonAscii)
            break;
        if (caseless) {
            // Every lane is below 0x80, so these sums never carry into the next lane: bit 7 of
            // a lane is set from 'A' on in the first, past 'Z' in the second.
            const quint64 fromA = word + kLanes * (0x80 - 'A');
            const quint64 pastZ = word + kLanes * (0x80 - 'Z' - 1);
            word |= (fromA & ~pastZ & kHighBits) >> 2;
        }
        std::memcpy(target + (i - from), &word, sizeof word);
    }
    for (; i < size && units[i] < 0x80; ++i) {
        const Char c = units[i];
        target[i - from] = caseless && c >= 'A' && c <= 'Z' ? Char(c | 0x20) : c;
    }
    return i;
}

// Characters beyond the BMP (emoji, rare ideographs) are mostly left alone by folding; those
// need no table.
bool foldsToItself(char32_t c, int options)
{
    if ((options & kCase) && u_hasBinaryProperty(UChar32(c), UCHAR_CHANGES_WHEN_CASEFOLDED))
        return false;
    if (!(options & kDiacritics))
        return true;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    return U_SUCCESS(status) && unorm2_isInert(nfd, UChar32(c))
        && u_charType(UChar32(c)) != U_NON_SPACING_MARK;
}

} // namespace

bool StringFolding::isAscii(QStringView text)
{
    // Long note texts pass through here: blocks without branches, so that they vectorise, and
    // an early answer for a text with an accent near its start.
    constexpr qsizetype kBlock = 64;
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = 0;
    for (; i + kBlock <= size; i += kBlock) {
        char16_t bits = 0;
        for (qsizetype k = 0; k < kBlock; ++k)
            bits |= units[i + k];
        if (bits >= 0x80)
            return false;
    }
    char16_t bits = 0;
    for (; i < size; ++i)
        bits |= units[i];
    return bits < 0x80;
}

namespace {

// The folding loop of both fold() forms; `origins` is written only when `Mapped`.
template <bool Mapped>
QStringView foldText(
    QStringView text, int options, QString& buffer, StringFolding::Origins* origins)
{
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    // Every folded unit comes from units [from, to) of the text.
    const auto note = [origins]([[maybe_unused]] qsizetype count, [[maybe_unused]] qsizetype from,
                          [[maybe_unused]] qsizetype to) {
        if constexpr (Mapped) {
            origins->starts.insert(origins->starts.end(), size_t(count), qint32(from));
            origins->ends.insert(origins->ends.end(), size_t(count), qint32(to));
        } else {
            (void)origins;
        }
    };
    if constexpr (Mapped) {
        origins->starts.clear();
        origins->ends.clear();
        origins->starts.reserve(size_t(size));
        origins->ends.reserve(size_t(size));
    }
    const bool caseless = options & kCase;
    if (!caseless && (!(options & kDiacritics) || StringFolding::isAscii(text))) {
        if constexpr (Mapped) {
            for (qsizetype i = 0; i < size; ++i)
                note(1, i, i + 1);
        }
        return text;
    }
    std::atomic<quint64>* table = g_units[(options & (kCase | kDiacritics)) - 1];
    // Room for what units folding on their own give; runs given to ICU make more as needed.
    startOver(buffer, size * kMaxUnits);
    char16_t* out = reserveAfter(buffer, 0, size * kMaxUnits);
    qsizetype used = 0;
    // Where the units start that only ICU folds, in their context, or -1.
    qsizetype context = -1;
    const auto foldContext = [&](qsizetype end) {
        const qsizetype before = used;
        used = foldWithIcu(text.sliced(context, end - context), options, buffer, used);
        note(used - before, context, end);
        out = reserveAfter(buffer, used, (size - end) * kMaxUnits) - used;
        context = -1;
    };
    for (qsizetype i = 0; i < size;) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            if (context >= 0)
                foldContext(i);
            const qsizetype end = copyAsciiRun(units, i, size, out + used, caseless);
            if constexpr (Mapped) {
                for (qsizetype k = i; k < end; ++k)
                    note(1, k, k + 1);
            }
            used += end - i;
            i = end;
            continue;
        }
        if (!QChar::isSurrogate(unit)) {
            const quint64 entry = entryFor(table, unit, options);
            const int length = entryLength(entry);
            // A dropped mark inside a context stays with it.
            if (!(entry & kOnlyInContext) && (length > 0 || context < 0)) {
                if (context >= 0)
                    foldContext(i);
                // Each unit read has room for three written.
                out[used] = char16_t(entry);
                out[used + 1] = char16_t(entry >> 16);
                out[used + 2] = char16_t(entry >> 32);
                if constexpr (Mapped) {
                    if (length > 0)
                        note(length, i, i + 1);
                    else if (used > 0)
                        origins->ends.back() = qint32(i + 1);
                }
                used += length;
                ++i;
                continue;
            }
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size
            && QChar::isLowSurrogate(units[i + 1])
            && foldsToItself(QChar::surrogateToUcs4(unit, units[i + 1]), options)) {
            if (context >= 0)
                foldContext(i);
            out[used++] = unit;
            out[used++] = units[i + 1];
            note(2, i, i + 2);
            i += 2;
            continue;
        }
        if (context < 0)
            context = i;
        i += QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])
            ? 2
            : 1;
    }
    if (context >= 0)
        foldContext(size);
    return QStringView(buffer).first(used);
}

} // namespace

QStringView StringFolding::fold(QStringView text, int options, QString& buffer)
{
    return foldText<false>(text, options, buffer, nullptr);
}

QStringView StringFolding::fold(QStringView text, int options, QString& buffer, Origins& origins)
{
    return foldText<true>(text, options, buffer, &origins);
}

std::optional<std::string_view> StringFolding::foldUtf8(
    std::string_view text, int options, std::string& buffer)
{
    const bool caseless = options & kCase;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const qsizetype size = qsizetype(text.size());
    if (!caseless && (!(options & kDiacritics) || asciiRunEnd(bytes, 0, size) == size))
        return text;
    std::atomic<quint64>* table = g_units[(options & (kCase | kDiacritics)) - 1];
    // A character folding on its own grows at most from two bytes to three units of three.
    constexpr qsizetype kMaxGrowth = 5;
    qsizetype used = 0;
    const auto room = [&](qsizetype extra) {
        if (qsizetype(buffer.size()) < used + extra)
            buffer.resize(std::max(size_t(used + extra), buffer.size() * 2));
        return reinterpret_cast<unsigned char*>(buffer.data());
    };
    startOver(buffer, size * kMaxGrowth);
    unsigned char* out = room(size * kMaxGrowth);
    qsizetype context = -1;
    const auto foldContext = [&](qsizetype end) {
        thread_local QString folded;
        const QString run = QString::fromUtf8(text.data() + context, end - context);
        startOver(folded, run.size() * 9);
        const qsizetype length = foldWithIcu(run, options, folded, 0);
        const QByteArray encoded = QStringView(folded).first(length).toUtf8();
        std::memcpy(room(encoded.size()) + used, encoded.constData(), size_t(encoded.size()));
        used += encoded.size();
        out = room((size - end) * kMaxGrowth);
        context = -1;
    };
    for (qsizetype i = 0; i < size;) {
        if (bytes[i] < 0x80) {
            if (context >= 0)
                foldContext(i);
            const qsizetype end = copyAsciiRun(bytes, i, size, out + used, caseless);
            used += end - i;
            i = end;
            continue;
        }
        const qsizetype start = i;
        UChar32 c;
        U8_NEXT(bytes, i, size, c);
        if (c < 0)
            return std::nullopt;
        if (c <= 0xFFFF) {
            const quint64 entry = entryFor(table, char16_t(c), options);
            const int length = entryLength(entry);
            if (!(entry & kOnlyInContext) && (length > 0 || context < 0)) {
                if (context >= 0)
                    foldContext(start);
                for (int k = 0; k < length; ++k)
                    U8_APPEND_UNSAFE(out, used, UChar32(char16_t(entry >> (16 * k))));
                continue;
            }
        } else if (foldsToItself(char32_t(c), options)) {
            if (context >= 0)
                foldContext(start);
            std::memcpy(out + used, bytes + start, size_t(i - start));
            used += i - start;
            continue;
        }
        if (context < 0)
            context = start;
    }
    if (context >= 0)
        foldContext(size);
    return std::string_view(buffer.data(), size_t(used));
}

} // namespace platform
