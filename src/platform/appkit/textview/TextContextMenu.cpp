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
    QAction* paste = menu->addAction(localized(QStringLiteral("Paste")));
    paste->setEnabled(actions.canPaste);
    QObject::connect(paste, &QAction::triggered, menu, actions.paste);
    return menu;
}

} // namespace platform
