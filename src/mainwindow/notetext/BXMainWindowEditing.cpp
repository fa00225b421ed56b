#include "mainwindow/notetext/BXMainWindowEditing.h"

#include "mainwindow/editor/BXNoteTextWriter.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notetext/BXMainWindowEditingDelegate.h"

#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/controllers/Editor.h"
#include "platform/documents/Document.h"
#include "platform/foundation/UndoManager.h"

#include <QApplication>
#include <QTextDocument>

using platform::AttributedText;
using platform::TextRange;

BXMainWindowEditing::BXMainWindowEditing(
    BXTextView* view, BXMainWindowEditingDelegate& delegate, QObject* parent)
    : QObject(parent), m_view(view), m_delegate(delegate), m_focus(view)
{ }

void BXMainWindowEditing::startObserving()
{
    m_observations << connect(
        qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            switch (m_focus.focusChanged(old, now)) {
            case BXTextViewFocus::Change::Taken:
                m_textEditing = false;
                break;
            case BXTextViewFocus::Change::Lost:
                textDidEndEditing();
                break;
            case BXTextViewFocus::Change::None:
                break;
            }
        });
    m_observations << connect(m_view, &platform::TextView::textDidChange, this, [this] {
        if (!m_textEditing && m_view->hasFocus()) {
            m_textEditing = true;
            textDidBeginEditing();
        }
    });
}

void BXMainWindowEditing::stopObserving()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_observations))
        disconnect(connection);
    m_observations.clear();
}

void BXMainWindowEditing::objectDidBeginEditing(platform::Editor* editor)
{
    if (!editor || m_registeredEditors.contains(editor))
        return;
    if (platform::Document* document = m_delegate.noteDocument())
        document->objectDidBeginEditing(editor);
    m_registeredEditors.append(editor);
    if (editor == static_cast<platform::Editor*>(m_view)) {
        if (const BXNote::NotePtr note = m_delegate.selectedNote())
            m_delegate.keepNoteListed(note);
    }
}

void BXMainWindowEditing::objectDidEndEditing(platform::Editor* editor)
{
    if (platform::Document* document = m_delegate.noteDocument())
        document->objectDidEndEditing(editor);
    m_registeredEditors.removeAll(editor);
}

void BXMainWindowEditing::updateSyncEditing(bool editing)
{
    if (editing)
        objectDidBeginEditing(m_view);
    else
        objectDidEndEditing(m_view);
}

bool BXMainWindowEditing::isTextViewRegistered() const
{
    return m_registeredEditors.contains(static_cast<platform::Editor*>(m_view));
}

bool BXMainWindowEditing::endEditing()
{
    const QList<platform::Editor*> editors = m_registeredEditors;
    for (platform::Editor* editor : editors) {
        const bool ended = editor == static_cast<platform::Editor*>(m_view)
            ? m_view->endEditing()
            : editor->commitEditing();
        if (!ended)
            return false;
    }
    if (editors.isEmpty() && m_view->hasFocus())
        saveSelectionRange();
    return m_delegate.endListsEditing();
}

bool BXMainWindowEditing::commitEditing()
{
    const QList<platform::Editor*> editors = m_registeredEditors;
    for (platform::Editor* editor : editors) {
        if (!editor->commitEditing())
            return false;
    }
    if (!isTextViewRegistered() && m_view->hasFocus())
        saveSelectionRange();
    return m_delegate.endListsEditing();
}

void BXMainWindowEditing::textDidBeginEditing()
{
    objectDidBeginEditing(m_view);
}

void BXMainWindowEditing::textDidEndEditing()
{
    m_textEditing = false;
    if (!m_delegate.preferencesInited())
        return;
    if (!isTextViewRegistered())
        saveSelectionRange();
    else
        m_view->commitEditing();
}

bool BXMainWindowEditing::commitTextViewEditing(BXTextView* textView)
{
    QTextDocument* storage = textView->textStorage();
    // A locked file's undo holds only the edits it refused, which wait there for the user's
    // answer; the alert that asks takes the focus and so ends the editing.
    const platform::Document* document = m_delegate.noteDocument();
    const bool refusing = document && document->isLocked();
    // A save commits the text while the user types on: Undo still takes the typing back.
    const bool typingGoesOn = textView->hasFocus();
    if (platform::UndoManager* undo = m_delegate.documentUndoManager();
        undo && storage && !refusing && !typingGoesOn)
        undo->removeAllActionsWithTarget(storage);
    const BXNote::NotePtr note = m_delegate.selectedNote();
    setSelectionRange(textView->selectedRange(), note.get(), false);
    if (note && storage && note->hasTextStorage() && note->textStorage() == storage)
        setAttributedString(*storage, note.get());
    return true;
}

void BXMainWindowEditing::discardTextViewEditing(BXTextView* textView)
{
    const BXNote::NotePtr note = m_delegate.selectedNote();
    if (!note || textView->textStorage() != note->textStorage())
        return;
    const std::unique_ptr<QTextDocument> stored = note->attributedString();
    QTextDocument* storage = note->textStorage();
    AttributedText::replaceCharacters(*storage, { 0, AttributedText::length(*storage) }, *stored);
    const BXNote::Range range = note->selectedRange();
    if (range.location != BXNote::Range::NotFound)
        textView->setSelectedRange({ qsizetype(range.location), qsizetype(range.length) });
}

void BXMainWindowEditing::textStorageDidProcessEditing(QTextDocument* storage)
{
    const BXNote::NotePtr note = m_delegate.selectedNote();
    if (!storage || !note || !note->hasTextStorage() || note->textStorage() != storage)
        return;
    setAttributedString(*storage, note.get());
}

void BXMainWindowEditing::setAttributedString(const QTextDocument& text, BXNote* note)
{
    BXNoteTextWriter::writeBack(text, note, m_delegate.noteDocument());
}

void BXMainWindowEditing::saveSelectionRange()
{
    setSelectionRange(m_view->selectedRange(), m_delegate.selectedNote().get(), true);
}

void BXMainWindowEditing::setSelectionRange(TextRange range, BXNote* note, bool)
{
    if (!note)
        return;
    const BXNote::Range stored { quint64(range.location), quint64(range.length) };
    if (note->selectedRange() == stored)
        return;
    BXManagedObjectUtilities::withoutUndo(
        note->managedObjectContext(), [&] { note->setSelectedRange(stored); });
    if (platform::Document* document = m_delegate.noteDocument())
        document->updateChangeCount(platform::Document::ChangeType::Done);
}
