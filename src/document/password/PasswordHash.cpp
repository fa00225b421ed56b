#include "document/password/PasswordHash.h"

#include "platform/foundation/Log.h"

#include <sodium.h>

#include <QByteArray>
#include <QRegularExpression>

#include <atomic>

namespace {

std::atomic<bool> s_interactive { false };

bool ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// Scrubs the UTF-8 copy of a typed password when it goes out of scope.
class WipedBytes final {
public:
    explicit WipedBytes(const QString& text) : m_bytes(text.toUtf8()) { }
    ~WipedBytes() { sodium_memzero(m_bytes.data(), size_t(m_bytes.size())); }
    WipedBytes(const WipedBytes&) = delete;
    WipedBytes& operator=(const WipedBytes&) = delete;

    const char* data() const { return m_bytes.constData(); }
    size_t size() const { return size_t(m_bytes.size()); }

private:
    QByteArray m_bytes;
};

} // namespace

QString PasswordHash::hash(const QString& password)
{
    if (!ensureSodium())
        return {};
    const bool interactive = s_interactive.load();
    const unsigned long long ops
        = interactive ? crypto_pwhash_OPSLIMIT_INTERACTIVE : crypto_pwhash_OPSLIMIT_MODERATE;
    const size_t mem
        = interactive ? crypto_pwhash_MEMLIMIT_INTERACTIVE : crypto_pwhash_MEMLIMIT_MODERATE;
    const WipedBytes bytes(password);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, bytes.data(), bytes.size(), ops, mem) != 0) {
        platform::log("Could not hash the document password (out of memory)");
        return {};
    }
    return QString::fromLatin1(out);
}

bool PasswordHash::isHash(const QString& stored)
{
    return stored.startsWith(QLatin1String(crypto_pwhash_STRPREFIX));
}

bool PasswordHash::hasAcceptableCost(const QString& stored)
{
    // Four times the moderate limits, one lane: what libsodium writes.
    static const QRegularExpression parameters(
        QStringLiteral("^\\$argon2id\\$v=19\\$m=(\\d{1,10}),t=(\\d{1,10}),p=1\\$"));
    const QRegularExpressionMatch match = parameters.match(stored);
    return match.hasMatch()
        && match.captured(1).toULongLong() <= 4 * crypto_pwhash_MEMLIMIT_MODERATE / 1024
        && match.captured(2).toULongLong() <= 4 * crypto_pwhash_OPSLIMIT_MODERATE;
}

bool PasswordHash::verify(const QString& stored, const QString& typed)
{
    if (!ensureSodium())
        return false;
    const WipedBytes bytes(typed);
    if (isHash(stored)) {
        if (!hasAcceptableCost(stored))
            return false;
        const QByteArray hashed = stored.toLatin1();
        return crypto_pwhash_str_verify(hashed.constData(), bytes.data(), bytes.size()) == 0;
    }
    // The plain form of older files. Only the length may show through the timing.
    const WipedBytes plain(stored);
    if (plain.size() != bytes.size())
        return false;
    return plain.size() == 0 || sodium_memcmp(plain.data(), bytes.data(), plain.size()) == 0;
}

void PasswordHash::setUsesInteractiveLimits(bool interactive)
{
    s_interactive = interactive;
}
