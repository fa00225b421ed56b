#include "SpellingPanel.h"

#include "TextView.h"

#include "platform/foundation/Localized.h"
#include "platform/text/TextHighlighter.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

namespace platform {

namespace {

constexpr int kSuggestionCount = 8;

} // namespace

SpellingPanel::SpellingPanel(QWidget* parent)
    : QDialog(parent, Qt::Tool),
      m_field(new QLineEdit(this)),
      m_suggestions(new QListWidget(this)),
      m_status(new QLabel(this)),
      m_change(new QPushButton(localized(QStringLiteral("Change")), this)),
      m_ignore(new QPushButton(localized(QStringLiteral("Ignore")), this)),
      m_learn(new QPushButton(localized(QStringLiteral("Learn")), this))
{
    setWindowTitle(localized(QStringLiteral("Spelling")));
    auto* findNext = new QPushButton(localized(QStringLiteral("Find Next")), this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_status, 0, 0, 1, 2);
    layout->addWidget(m_field, 1, 0);
    layout->addWidget(m_change, 1, 1);
    layout->addWidget(m_suggestions, 2, 0, 4, 1);
    layout->addWidget(findNext, 2, 1);
    layout->addWidget(m_ignore, 3, 1);
    layout->addWidget(m_learn, 4, 1);
    layout->setRowStretch(5, 1);
    m_suggestions->setMinimumHeight(120);

    connect(m_suggestions, &QListWidget::currentTextChanged, m_field, &QLineEdit::setText);
    connect(m_suggestions, &QListWidget::itemDoubleClicked, this, &SpellingPanel::change);
    connect(m_change, &QPushButton::clicked, this, &SpellingPanel::change);
    connect(findNext, &QPushButton::clicked, this, &SpellingPanel::findNext);
    connect(m_ignore, &QPushButton::clicked, this, &SpellingPanel::ignore);
    connect(m_learn, &QPushButton::clicked, this, &SpellingPanel::learn);
    updateButtons();
}

void SpellingPanel::setTextView(TextView* view)
{
    m_textView = view;
    showWord(QString());
}

bool SpellingPanel::findNext()
{
    SpellChecker* checker = m_textView ? m_textView->spellChecker() : nullptr;
    if (!checker) {
        showWord(QString());
        return false;
    }
    const QTextDocument* text = m_textView->mirror();
    const qsizetype from = m_textView->selectedRange().end();
    // From the selection to the end, then round from the start.
    for (const bool wrapped : { false, true }) {
        for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) {
            const qsizetype start = block.position();
            if (!wrapped && start + block.length() <= from)
                continue;
            if (wrapped && start >= from)
                break;
            const QString paragraph = block.text();
            for (const TextRange& word : TextHighlighter::checkedWords(paragraph)) {
                const qsizetype position = start + word.location;
                if ((!wrapped && position < from) || (wrapped && position >= from))
                    continue;
                const QString candidate = paragraph.mid(word.location, word.length);
                if (checker->isCorrect(candidate))
                    continue;
                const TextRange range { position, word.length };
                m_textView->setSelectedRange(range);
                m_textView->scrollRangeToVisible(range);
                showWord(candidate);
                return true;
            }
        }
    }
    showWord(QString());
    m_status->setText(localized(QStringLiteral("No misspelled words")));
    m_status->show();
    return false;
}

void SpellingPanel::change()
{
    const QString replacement = m_field->text();
    if (m_word.isEmpty() || replacement.isEmpty() || !wordIsSelected())
        return;
    if (m_textView->replaceSelection(
            replacement, m_textView->typingAttributes(), localized(QStringLiteral("Spelling"))))
        findNext();
}

void SpellingPanel::ignore()
{
    if (m_word.isEmpty() || !m_textView)
        return;
    m_textView->spellChecker()->ignoreWord(m_word);
    findNext();
}

void SpellingPanel::learn()
{
    if (m_word.isEmpty() || !m_textView)
        return;
    m_textView->spellChecker()->learnWord(m_word);
    findNext();
}

bool SpellingPanel::wordIsSelected() const
{
    if (!m_textView)
        return false;
    const TextRange selection = m_textView->selectedRange();
    return AttributedText::string(*m_textView->mirror()).mid(selection.location, selection.length)
        == m_word;
}

void SpellingPanel::showWord(const QString& word)
{
    m_word = word;
    m_field->setText(word);
    m_suggestions->clear();
    m_status->clear();
    m_status->hide();
    if (!word.isEmpty() && m_textView)
        m_suggestions->addItems(
            m_textView->spellChecker()->suggestions(word).mid(0, kSuggestionCount));
    updateButtons();
}

void SpellingPanel::updateButtons()
{
    const bool hasWord = !m_word.isEmpty();
    m_change->setEnabled(hasWord);
    m_ignore->setEnabled(hasWord);
    m_learn->setEnabled(hasWord);
}

} // namespace platform
