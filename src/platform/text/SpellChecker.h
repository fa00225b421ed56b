#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

#include <optional>

struct str_enchant_broker;
struct str_enchant_dict;

namespace platform {

// Spell checking through Enchant: the dictionary of the user's locale, else en_US, else none
// (checking is then off and every word counts as correct). The dictionary is loaded on first
// use, since loading it takes longer than showing a window. Answers are cached per word, so
// views can mark text from the cache and check unknown words later, off the keystroke's path.
// Main thread only; emits wordsChanged() when Ignore or Learn changes what is misspelled.
class SpellChecker final : public QObject {
    Q_OBJECT

public:
    // `language` empty: the locale's language, then en_US.
    explicit SpellChecker(const QString& language = {}, QObject* parent = nullptr);
    ~SpellChecker() override;

    // The checker the text views share, made on first use.
    static SpellChecker& shared();

    bool isAvailable() { return dictionary() != nullptr; }
    QString language()
    {
        dictionary();
        return m_language;
    }

    // Checks and caches; an unavailable checker calls every word correct.
    bool isCorrect(const QString& word);
    // The cached answer, without checking.
    std::optional<bool> cachedAnswer(const QString& word);
    QStringList suggestions(const QString& word);
    // Accepts the word for this session.
    void ignoreWord(const QString& word);
    // Adds the word to the user's personal word list.
    void learnWord(const QString& word);

signals:
    void wordsChanged();

private:
    str_enchant_dict* dictionary();
    void forget(const QString& word);

    str_enchant_broker* m_broker = nullptr;
    str_enchant_dict* m_dict = nullptr;
    bool m_requested = false;
    QString m_requestedLanguage;
    QString m_language;
    QHash<QString, bool> m_cache;
};

} // namespace platform
