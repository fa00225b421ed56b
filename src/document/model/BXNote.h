#pragma once

#include "platform/data/ManagedObject.h"

#include <QDateTime>
#include <QRectF>

#include <functional>
#include <limits>
#include <memory>

class QTextDocument;

namespace platform {
class ManagedObjectContext;
class UndoManager;
} // namespace platform

// One note of a notes file (entity "Note"): its rich text as RTF or RTFD data with the plain
// text beside it, a title derived from the text unless the user named the note, and the
// note's selection and note-window frame. Outside the store each note owns the live text
// storage and the undo manager its editors share. Used on its context's thread; emits
// valueChanged("attributedString"), ("noteTitle"), ("selectedRange") and ("windowFrame")
// besides the stored keys.
class BXNote : public platform::ManagedObject {
public:
    using NotePtr = std::shared_ptr<BXNote>;

    // Keys of the stored attributes and relationship.
    static inline const QString NoteNameKey = QStringLiteral("noteName");
    static inline const QString NoteTitleKey = QStringLiteral("noteTitle");
    static inline const QString NoteTextKey = QStringLiteral("noteText");
    static inline const QString NoteStylesKey = QStringLiteral("noteStyles");
    static inline const QString NoteCreatedKey = QStringLiteral("noteCreated");
    static inline const QString NoteModifiedKey = QStringLiteral("noteModified");
    static inline const QString TrashFlagKey = QStringLiteral("trashFlag");
    static inline const QString LastImportFlagKey = QStringLiteral("lastImportFlag");
    static inline const QString OmitFlagKey = QStringLiteral("omitFlag");
    static inline const QString SelFlagKey = QStringLiteral("selFlag");
    static inline const QString LabelKey = QStringLiteral("label");
    static inline const QString SelectedRangeStringKey = QStringLiteral("selectedRangeString");
    static inline const QString WindowFrameStringKey = QStringLiteral("windowFrameString");
    static inline const QString WindowRulerVisibleKey = QStringLiteral("windowRulerVisible");
    static inline const QString WindowTagsVisibleKey = QStringLiteral("windowTagsVisible");
    static inline const QString CategoriesKey = QStringLiteral("categories");

    // A range of UTF-16 units of the text; location NotFound means "none".
    struct Range {
        static constexpr quint64 NotFound = quint64(std::numeric_limits<qint64>::max());
        quint64 location = 0;
        quint64 length = 0;
        bool operator==(const Range&) const = default;
    };

    BXNote();
    ~BXNote() override;

    static QString entityName();
    // A new note in `context` reset by blankNote(); nullptr without a context.
    static NotePtr newNoteInManagedObjectContext(platform::ManagedObjectContext* context,
        const QString& name, const QList<platform::ManagedObjectPtr>& categories);
    static void blankNote(
        BXNote& note, const QString& name, const QList<platform::ManagedObjectPtr>& categories);
    // An empty text with the default text attributes of the user defaults.
    static std::unique_ptr<QTextDocument> emptyStyle();
    // The document's single spare empty note (trashFlag YES), made or reset; extra ones are
    // deleted. Holds the context's lock and records no undo. nullptr when the fetch fails.
    static NotePtr newEmptyNoteInManagedObjectContext(platform::ManagedObjectContext* context);
    // A copy of `note` in `context`, with its selection, titled as the note is: by its name
    // when it has one, else by its first line, which the copy's own edits then retitle.
    static NotePtr noteWithNote(const BXNote* note, platform::ManagedObjectContext* context,
        const QList<platform::ManagedObjectPtr>& categories);
    static void resetLastImportFlagsInManagedObjectContext(platform::ManagedObjectContext* context);

    // The title a text gives: its first line, cut after 50 UTF-16 units; "Picture(s)" for
    // attachments only; null for blank text.
    static QString noteName(const QString& text);
    QString titleForEmptyName() const;
    // The title the note's name gives, or its text when it has none.
    QString titleFromNameOrText() const;

    QString noteName() const;
    void setNoteName(const QString& name);
    QString noteTitle() const;
    // The user's rename; blanks go back to the title derived from the text. Recorded, when it
    // changes anything, as one step "Change Note Title" whose undo names the note back.
    void setNoteTitle(const QString& title);
    QString noteText() const;
    void setNoteText(const QString& text);
    QByteArray noteStyles() const;
    void setNoteStyles(const QByteArray& styles);
    QDateTime noteCreated() const;
    QDateTime noteModified() const;
    bool trashFlag() const;
    void setTrashFlag(bool flag);
    bool lastImportFlag() const;
    void setLastImportFlag(bool flag);
    QList<platform::ManagedObjectPtr> categories() const;
    void setCategories(const QList<platform::ManagedObjectPtr>& categories);

    // Stores new plain text, re-deriving the title (without undo) when the note has no name.
    void updateNoteText(const QString& text);
    void setAttributedString(const QTextDocument& text);
    // The stored rich text, else the plain text without attributes.
    std::unique_ptr<QTextDocument> attributedString() const;
    // The stored rich text; nullptr when there is none or it does not read.
    std::unique_ptr<QTextDocument> textStyle() const;
    void setDefaultStyle();

    // Built from attributedString() on first use; owned by the note.
    QTextDocument* textStorage();
    bool hasTextStorage() const { return m_textStorage != nullptr; }
    // Whether building the storage decodes so much stored text that the main thread must not
    // wait for it: loadTextStorage() builds it on a worker instead. Reads no text to tell.
    bool textStorageLoadsSlowly() const;
    // Builds the storage on a worker, which also reads the stored text when it is not in memory
    // (in a context of its own). `loaded` runs on the main thread once the storage is in place,
    // or once the stored text changed meanwhile or could not be read (the caller asks again);
    // never when `context` went first. The work stops when `context` goes or the application
    // quits.
    void loadTextStorage(QObject* context, std::function<void()> loaded);
    // Drops the storage to free its memory.
    void releaseTextStorage();
    // A built storage that holds other text than the store takes the stored text again,
    // recording no undo (the storage's views drop their undo records).
    void refreshTextStorage();
    // Whether a built storage may hold other text or styles than the store: it changed since
    // it last took the stored text or gave it, or the store changed.
    bool textStorageEdited() const { return m_textStorage && !storageHoldsStoredText(); }
    platform::UndoManager* undoManager();

    Range selectedRange() const;
    void setSelectedRange(Range range);
    Range primitiveSelectedRange() const { return m_selectedRange; }
    void setPrimitiveSelectedRange(Range range) { m_selectedRange = range; }
    QRectF windowFrame() const;
    void setWindowFrame(const QRectF& frame);
    QRectF primitiveWindowFrame() const { return m_windowFrame; }
    void setPrimitiveWindowFrame(const QRectF& frame) { m_windowFrame = frame; }

    static QString stringFromRange(Range range);
    static Range rangeFromString(const QString& string);
    static QString stringFromRect(const QRectF& rect);
    static QRectF rectFromString(const QString& string);

    // Names of the plain categories (no smart ones) joined by `separator` (", " when null);
    // null when there are none.
    QString categoryNamesSeparatedBy(const QString& separator) const;
    bool noteEmpty() const;
    QUrl identifier() const;
    // False for the spare empty note and for objects no longer usable.
    bool objectAvailable() const;

    QVariant valueForKey(const QString& key) const override;
    void setValue(const QVariant& value, const QString& key) override;

protected:
    void didTurnIntoFault() override;

private:
    // The generations of the stored styles and text: while they stay, so does the text.
    struct TextGenerations {
        quint64 styles = 0;
        quint64 text = 0;
        bool operator==(const TextGenerations&) const = default;
    };

    void storeDerivedTitle(const QString& title);
    // Whether `title` is the stored title (a null title only when none is stored).
    bool isStoredTitle(const QString& title) const;
    TextGenerations textGenerations() const;
    void adoptTextStorage(std::unique_ptr<QTextDocument> storage, const QByteArray& styles,
        const QString& text, TextGenerations generations);
    // Records that the storage holds the store's current text.
    void storageMatchesStore();
    bool storageHoldsStoredText() const;

    std::unique_ptr<QTextDocument> m_textStorage;
    // What the store held when the storage last took or gave its text, and whether the storage
    // changed since: comparing them costs nothing next to encoding the storage again, and
    // their generations mostly spare even that.
    QByteArray m_storageStyles;
    QString m_storageText;
    mutable TextGenerations m_storageGenerations;
    bool m_storageChanged = false;
    std::unique_ptr<platform::UndoManager> m_undoManager;
    mutable Range m_selectedRange { Range::NotFound, 0 };
    mutable QRectF m_windowFrame;
};
