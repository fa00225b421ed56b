#pragma once

#include "mainwindow/editor/BXTextViewFocus.h"

#include "platform/text/AttributedText.h"

#include <QList>
#include <QMetaObject>
#include <QObject>

class BXMainWindowEditingDelegate;
class BXNote;
class BXTextView;
class QTextDocument;

namespace platform {
class Editor;
} // namespace platform

// The main window's open edits: the editors that began editing (the note text, a tag editor),
// each reported to the document so that its saves commit them, and committing them all at
// once; the shown note's text and caret written back into the note outside undo. The text
// counts as editing from its first change after taking the focus until another view takes it.
// Owned by the window controller, which it reaches through its delegate interface; main
// thread only.
class BXMainWindowEditing final : public QObject {
    Q_OBJECT

public:
    BXMainWindowEditing(BXTextView* view, BXMainWindowEditingDelegate& delegate, QObject* parent);

    // Follows the text view's focus and first change; stopObserving() ends that.
    void startObserving();
    void stopObserving();

    void objectDidBeginEditing(platform::Editor* editor);
    void objectDidEndEditing(platform::Editor* editor);
    void updateSyncEditing(bool editing);
    const QList<platform::Editor*>& registeredEditors() const { return m_registeredEditors; }
    bool isTextViewRegistered() const;
    // Commits every open edit, then the lists' own; false at the first refusal. With no editor
    // open, a text view holding the focus keeps its caret in the note.
    bool endEditing();
    // The same for a save: the text that has the keys keeps them and goes on editing, its
    // typing still undoable; its text and caret are in the note.
    bool commitEditing();
    void textDidBeginEditing();
    // Commits the text's edit, or keeps the caret when it had none.
    void textDidEndEditing();

    // The text view's commit: the text and caret go into the selected note, and the storage's
    // typing leaves the document's undo unless the view keeps the keys (a save) or the file is
    // locked (the typing waits there for the user's answer). Always succeeds.
    bool commitTextViewEditing(BXTextView* textView);
    // The view's storage takes the selected note's stored text and caret again.
    void discardTextViewEditing(BXTextView* textView);

    // The user edited `storage`: written back when it is the selected note's own.
    void textStorageDidProcessEditing(QTextDocument* storage);
    void setAttributedString(const QTextDocument& text, BXNote* note);
    void saveSelectionRange();
    // Stores `range` as `note`'s caret outside undo, marking the document edited when it
    // changed. `saving` is accepted and not consulted.
    void setSelectionRange(platform::TextRange range, BXNote* note, bool saving);

private:
    BXTextView* m_view;
    BXMainWindowEditingDelegate& m_delegate;
    QList<platform::Editor*> m_registeredEditors;
    QList<QMetaObject::Connection> m_observations;
    // Between the first edit after the view took the focus and its loss.
    bool m_textEditing = false;
    BXTextViewFocus m_focus;
};
