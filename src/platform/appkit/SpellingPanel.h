#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace platform {

class TextView;

// The spelling panel over one text view and its spell checker: the word in question, the
// checker's guesses, and Change, Find Next, Ignore and Learn. Find Next selects the next
// misspelled word after the view's selection, going round the text once; Change replaces the
// word by the field's text as one undoable edit. A non-modal tool window; main thread only.
class SpellingPanel final : public QDialog {
    Q_OBJECT

public:
    explicit SpellingPanel(QWidget* parent = nullptr);

    TextView* textView() const { return m_textView; }
    void setTextView(TextView* view);

    // The misspelled word now selected; empty when none was found.
    QString word() const { return m_word; }
    QLineEdit* wordField() const { return m_field; }
    QListWidget* suggestionList() const { return m_suggestions; }

    // False, clearing the panel, when the text holds no misspelled word.
    bool findNext();
    void change();
    void ignore();
    void learn();

private:
    void showWord(const QString& word);
    void updateButtons();
    // The word still selected in the view, so that Change does not replace anything else.
    bool wordIsSelected() const;

    QPointer<TextView> m_textView;
    QString m_word;
    QLineEdit* m_field;
    QListWidget* m_suggestions;
    QLabel* m_status;
    QPushButton* m_change;
    QPushButton* m_ignore;
    QPushButton* m_learn;
};

} // namespace platform
