#include "TextContextMenu.h"

#include "platform/foundation/Localized.h"
#include "platform/text/SpellChecker.h"
#include "platform/text/TextHighlighter.h"

#include <QMenu>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>

namespace platform {

QMenu* TextContextMenu::create(QWidget* parent, QTextDocument& document,
    const TextHighlighter& highlighter, SpellChecker* spellChecker, int index,
    const Actions& actions)
{
    auto* menu = new QMenu(parent);
    int start = 0;
    int length = 0;
    const bool misspelled = highlighter.misspelledWordAt(index, &start, &length)
        || (index > 0 && highlighter.misspelledWordAt(index - 1, &start, &length));
    if (misspelled && spellChecker) {
        QTextCursor word(&document);
        word.setPosition(start);
        word.setPosition(start + length, QTextCursor::KeepAnchor);
        const QString text = word.selectedText();
        const QStringList guesses = spellChecker->suggestions(text).mid(0, 8);
        for (const QString& guess : guesses) {
            QObject::connect(menu->addAction(guess), &QAction::triggered, menu,
                [replace = actions.replaceWord, start, length, guess] {
                    replace({ start, length }, guess);
                });
        }
        if (guesses.isEmpty())
            menu->addAction(localized(QStringLiteral("No Guesses Found")))->setEnabled(false);
        menu->addSeparator();
        QPointer<SpellChecker> checker = spellChecker;
        QObject::connect(menu->addAction(localized(QStringLiteral("Ignore Spelling"))),
            &QAction::triggered, menu, [checker, text] {
                if (checker)
                    checker->ignoreWord(text);
            });
        QObject::connect(menu->addAction(localized(QStringLiteral("Learn Spelling"))),
            &QAction::triggered, menu, [checker, text] {
                if (checker)
                    checker->learnWord(text);
            });
        menu->addSeparator();
    }
    const std::pair<const char*, const char*> commands[] = { { "Cut", "cut:" }, { "Copy", "copy:" },
        { "Paste", "paste:" }, { nullptr, nullptr }, { "Select All", "selectAll:" } };
    for (const auto& [title, command] : commands) {
        if (!title) {
            menu->addSeparator();
            continue;
        }
        const QString action = QString::fromLatin1(command);
        QAction* item = menu->addAction(localized(QString::fromLatin1(title)));
        item->setEnabled(actions.canPerform(action));
        QObject::connect(item, &QAction::triggered, menu,
            [perform = actions.perform, action] { perform(action); });
    }
    return menu;
}

} // namespace platform
