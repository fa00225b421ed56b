#include "SpellChecker.h"

#include "platform/foundation/Log.h"

#include <QLocale>

#include <enchant.h>

namespace platform {

SpellChecker::SpellChecker(const QString& language, QObject* parent)
    : QObject(parent), m_requestedLanguage(language)
{ }

str_enchant_dict* SpellChecker::dictionary()
{
    if (m_requested)
        return m_dict;
    m_requested = true;
    m_broker = enchant_broker_init();
    if (!m_broker)
        return nullptr;
    QStringList candidates;
    if (!m_requestedLanguage.isEmpty())
        candidates << m_requestedLanguage;
    else
        candidates << QLocale().name() << QStringLiteral("en_US");
    for (const QString& candidate : std::as_const(candidates)) {
        const QByteArray tag = candidate.toUtf8();
        if (enchant_broker_dict_exists(m_broker, tag.constData())) {
            m_dict = enchant_broker_request_dict(m_broker, tag.constData());
            if (m_dict) {
                m_language = candidate;
                return m_dict;
            }
        }
    }
    log(QStringLiteral("Spell checking is off: no dictionary for %@"),
        candidates.join(QStringLiteral(", ")));
    return nullptr;
}

SpellChecker::~SpellChecker()
{
    if (m_dict)
        enchant_broker_free_dict(m_broker, m_dict);
    if (m_broker)
        enchant_broker_free(m_broker);
}

SpellChecker& SpellChecker::shared()
{
    static SpellChecker* checker = new SpellChecker();
    return *checker;
}

bool SpellChecker::isCorrect(const QString& word)
{
    if (!dictionary() || word.isEmpty())
        return true;
    const auto found = m_cache.constFind(word);
    if (found != m_cache.constEnd())
        return *found;
    const QByteArray utf8 = word.toUtf8();
    const bool correct = enchant_dict_check(m_dict, utf8.constData(), utf8.size()) == 0;
    m_cache.insert(word, correct);
    return correct;
}

std::optional<bool> SpellChecker::cachedAnswer(const QString& word)
{
    if (!dictionary() || word.isEmpty())
        return true;
    const auto found = m_cache.constFind(word);
    if (found == m_cache.constEnd())
        return std::nullopt;
    return *found;
}

QStringList SpellChecker::suggestions(const QString& word)
{
    QStringList result;
    if (!dictionary() || word.isEmpty())
        return result;
    const QByteArray utf8 = word.toUtf8();
    size_t count = 0;
    char** list = enchant_dict_suggest(m_dict, utf8.constData(), utf8.size(), &count);
    for (size_t i = 0; i < count; ++i)
        result << QString::fromUtf8(list[i]);
    if (list)
        enchant_dict_free_string_list(m_dict, list);
    return result;
}

void SpellChecker::ignoreWord(const QString& word)
{
    if (!dictionary() || word.isEmpty())
        return;
    const QByteArray utf8 = word.toUtf8();
    enchant_dict_add_to_session(m_dict, utf8.constData(), utf8.size());
    forget(word);
}

void SpellChecker::learnWord(const QString& word)
{
    if (!dictionary() || word.isEmpty())
        return;
    const QByteArray utf8 = word.toUtf8();
    enchant_dict_add(m_dict, utf8.constData(), utf8.size());
    forget(word);
}

void SpellChecker::forget(const QString& word)
{
    m_cache.insert(word, true);
    emit wordsChanged();
}

} // namespace platform
