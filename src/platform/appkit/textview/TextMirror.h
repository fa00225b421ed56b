#pragma once

#include "platform/text/SharedTextStorage.h"

#include <QObject>
#include <QPointer>
#include <QTextDocument>

#include <functional>
#include <memory>

namespace platform {

// The document a text view edits and lays out for its storage: a mirror kept in step with the
// storage through SharedTextStorage, whose user edits travel to the storage as fragments; for
// a storage too long to edit, a read-only copy of its beginning, filled a slice a turn; for
// none, an empty text. Owned by its text view; main thread only. Emits textDidChange() when a
// user edit of this mirror, or an undo or redo, reached the storage, and storageDestroyed()
// when the storage goes away.
class TextMirror final : public QObject {
    Q_OBJECT

public:
    // A storage longer than kLongestEditableLength UTF-16 units, or with a paragraph longer
    // than kLongestEditableParagraph (a paragraph is laid out whole), is too long to lay out
    // and edit at the speed of typing: only its first kShownBeginningLength units show, up to
    // kShownParagraphLength of a long paragraph, under a line that says so; the beginning comes
    // kBeginningSliceLength units a turn, so laying it out never holds the window long.
    static constexpr qsizetype kLongestEditableLength = qsizetype(1) << 20;
    static constexpr qsizetype kLongestEditableParagraph = qsizetype(1) << 16;
    static constexpr qsizetype kShownBeginningLength = qsizetype(1) << 18;
    static constexpr qsizetype kShownParagraphLength = qsizetype(1) << 14;
    static constexpr qsizetype kBeginningSliceLength = qsizetype(1) << 15;

    // `undoManager` names where the mirror's user edits are recorded.
    explicit TextMirror(SharedTextStorage::UndoManagerProvider undoManager);
    ~TextMirror() override;

    // Shows `storage` (nullptr: an empty text) through a new mirror, and answers the old one,
    // for the caller to keep until nothing shows it any more.
    std::unique_ptr<QTextDocument> setStorage(QTextDocument* storage);
    // Starts filling a beginning-only mirror; call once the mirror is shown, so that each slice
    // alone is laid out and marked.
    void showBeginning();

    QTextDocument* storage() const { return m_storage; }
    QTextDocument* mirror() const { return m_mirror.get(); }
    bool showsBeginningOnly() const { return m_beginningOnly; }
    // Whether the mirror's edits reach a storage (not for an empty or beginning-only text).
    bool isShared() const { return m_shared; }
    // Counts the mirror's user edits that reached the storage.
    int editCount() const { return m_editCount; }

    // Runs `edit` (changes to the mirror through cursors) as one user edit; see
    // SharedTextStorage::performUserEdit(). Without a storage the edit simply runs.
    void performUserEdit(const QString& actionName, bool typing, const std::function<void()>& edit);
    bool isCoalescingTyping() const;
    void breakCoalescing();

signals:
    void textDidChange();
    void storageDestroyed();

private:
    static bool isTooLongToEdit(const QTextDocument& storage);
    static std::unique_ptr<QTextDocument> beginningOf(const QTextDocument& storage);
    // The storage's units that a beginning-only mirror shows.
    static qsizetype shownBeginningLength(const QTextDocument& storage);
    // Adds the beginning's next slice to the mirror, and schedules the one after.
    void showNextBeginningSlice();

    SharedTextStorage::UndoManagerProvider m_undoManager;
    QPointer<QTextDocument> m_storage;
    QPointer<SharedTextStorage> m_shared;
    std::unique_ptr<QTextDocument> m_mirror;
    quint64 m_beginningSliceTask = 0;
    // The storage's units the mirror holds of the beginning, and those it will hold.
    qsizetype m_beginningShown = 0;
    qsizetype m_beginningLength = 0;
    bool m_beginningOnly = false;
    int m_editCount = 0;
};

} // namespace platform
