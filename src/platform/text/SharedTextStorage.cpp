#include "SharedTextStorage.h"

#include "AttributedText.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace platform {

namespace {

const char* const kAttachedProperty = "platform.SharedTextStorage";

} // namespace

// A piece of attributed text cut out of a document. The block format of its first paragraph
// and that paragraph's own character format (the look typing takes in it while empty) travel
// separately: they belong to the target's paragraph only when the piece starts one.
struct SharedTextStorage::Fragment {
    std::shared_ptr<QTextDocument> text;
    qsizetype length = 0;
    bool startsBlock = false;
    QTextBlockFormat firstBlockFormat;
    QTextCharFormat firstBlockCharFormat;

    static Fragment cut(const QTextDocument& doc, qsizetype position, qsizetype length)
    {
        Fragment fragment;
        fragment.length = length;
        if (length > 0)
            fragment.text = AttributedText::attributedSubstring(doc, { position, length });
        const QTextBlock block = doc.findBlock(int(position));
        fragment.startsBlock = block.isValid() && block.position() == position;
        if (fragment.startsBlock) {
            fragment.firstBlockFormat = block.blockFormat();
            fragment.firstBlockCharFormat = block.charFormat();
        }
        return fragment;
    }

    // Replaces `removeLength` units at `position` of `target` with this piece.
    void pasteInto(QTextDocument& target, qsizetype position, qsizetype removeLength) const
    {
        if (length == 0) {
            QTextCursor cursor(&target);
            cursor.setPosition(int(position));
            cursor.setPosition(int(position + removeLength), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        } else {
            AttributedText::replaceCharacters(target, { position, removeLength }, *text);
        }
        // An empty piece still carries its paragraph's style and look (an empty document's,
        // say, which a view of it would otherwise type in the document's plain default face).
        if (startsBlock) {
            QTextCursor cursor(&target);
            cursor.setPosition(int(position));
            if (cursor.blockFormat() != firstBlockFormat)
                cursor.setBlockFormat(firstBlockFormat);
            if (cursor.blockCharFormat() != firstBlockCharFormat)
                cursor.setBlockCharFormat(firstBlockCharFormat);
        }
    }

    void append(const Fragment& tail)
    {
        if (tail.length == 0)
            return;
        if (length == 0) {
            *this = tail;
            return;
        }
        AttributedText::replaceCharacters(*text, { length, 0 }, *tail.text);
        length += tail.length;
    }
};

struct SharedTextStorage::EditRecord {
    qsizetype position = 0;
    Fragment removed;
    Fragment inserted;
    QString name;
    // False once undone: typing no longer extends it.
    bool live = true;
};

struct SharedTextStorage::Mirror {
    QTextDocument* document = nullptr;
    UndoManagerProvider undoManager;
    std::weak_ptr<EditRecord> typingRecord;
    bool editing = false;
    bool typing = false;
    bool changed = false;
    QString actionName;

    UndoManager* manager() const { return undoManager ? undoManager() : nullptr; }
};

SharedTextStorage* SharedTextStorage::of(QTextDocument* storage)
{
    if (!storage)
        return nullptr;
    if (auto* attached = storage->property(kAttachedProperty).value<QObject*>())
        return static_cast<SharedTextStorage*>(attached);
    auto* shared = new SharedTextStorage(storage);
    storage->setProperty(kAttachedProperty, QVariant::fromValue<QObject*>(shared));
    return shared;
}

SharedTextStorage::SharedTextStorage(QTextDocument* storage) : QObject(storage), m_storage(storage)
{
    // A document reports contentsChange only once it has a layout. No view shows the storage
    // itself: a null page size keeps its layout from laying anything out.
    storage->setPageSize(QSizeF(0, 0));
    storage->documentLayout();
    connect(storage, &QTextDocument::contentsChange, this, &SharedTextStorage::storageChanged);
}

SharedTextStorage::~SharedTextStorage()
{
    for (const auto& mirror : m_mirrors)
        disconnect(mirror->document, nullptr, this, nullptr);
}

std::unique_ptr<QTextDocument> SharedTextStorage::makeMirror(UndoManagerProvider undoManager)
{
    auto document = AttributedText::makeDocument();
    document->setDefaultFont(m_storage->defaultFont());
    document->setDocumentMargin(m_storage->documentMargin());
    document->setDefaultTextOption(m_storage->defaultTextOption());
    AttributedText::setDocumentAttributes(
        *document, AttributedText::documentAttributes(*m_storage));
    Fragment::cut(*m_storage, 0, AttributedText::length(*m_storage)).pasteInto(*document, 0, 0);

    // Reporting changes needs a layout; laying the text out waits for the view to give the
    // mirror its width (a null page size lays nothing out), so the text is laid out once.
    document->setPageSize(QSizeF(0, 0));
    document->documentLayout();
    auto mirror = std::make_unique<Mirror>();
    mirror->document = document.get();
    mirror->undoManager = std::move(undoManager);
    Mirror* raw = mirror.get();
    m_mirrors.push_back(std::move(mirror));
    connect(document.get(), &QTextDocument::contentsChange, this,
        [this, raw](int position, int removed, int added) {
            mirrorChanged(*raw, position, removed, added);
        });
    connect(document.get(), &QObject::destroyed, this, [this, raw] {
        std::erase_if(m_mirrors, [raw](const auto& entry) { return entry.get() == raw; });
    });
    return document;
}

QList<QTextDocument*> SharedTextStorage::mirrors() const
{
    QList<QTextDocument*> result;
    for (const auto& mirror : m_mirrors)
        result << mirror->document;
    return result;
}

SharedTextStorage::Mirror* SharedTextStorage::find(const QTextDocument* mirror) const
{
    for (const auto& entry : m_mirrors) {
        if (entry->document == mirror)
            return entry.get();
    }
    return nullptr;
}

void SharedTextStorage::performUserEdit(QTextDocument* document, const QString& actionName,
    bool typing, const std::function<void()>& edit)
{
    Mirror* mirror = find(document);
    if (!mirror || mirror->editing) {
        edit();
        return;
    }
    mirror->editing = true;
    mirror->typing = typing;
    mirror->changed = false;
    mirror->actionName = actionName;
    if (!typing)
        mirror->typingRecord.reset();
    edit();
    // The mirror may have gone with its view during the edit.
    mirror = find(document);
    if (!mirror)
        return;
    mirror->editing = false;
    if (mirror->changed)
        emit userEdited(document);
}

void SharedTextStorage::breakCoalescing(QTextDocument* document)
{
    if (Mirror* mirror = find(document))
        mirror->typingRecord.reset();
}

bool SharedTextStorage::isCoalescingTyping(QTextDocument* document) const
{
    const Mirror* mirror = find(document);
    if (!mirror)
        return false;
    const auto record = mirror->typingRecord.lock();
    return record && record->live;
}

void SharedTextStorage::removeUndoRecords()
{
    for (const auto& mirror : m_mirrors) {
        mirror->typingRecord.reset();
        if (UndoManager* manager = mirror->manager())
            manager->removeAllActionsWithTarget(m_storage);
    }
}

namespace {

// contentsChange may count the final paragraph separator, which no range can hold; trims the
// change to what the lengths before and after allow, keeping the unchanged tail equal.
void clampChange(qsizetype oldLength, qsizetype newLength, qsizetype position, qsizetype& removed,
    qsizetype& added)
{
    removed = std::clamp<qsizetype>(removed, 0, std::max<qsizetype>(oldLength - position, 0));
    added = std::clamp<qsizetype>(added, 0, std::max<qsizetype>(newLength - position, 0));
    const qsizetype tail = std::min(oldLength - position - removed, newLength - position - added);
    removed = oldLength - position - tail;
    added = newLength - position - tail;
}

} // namespace

void SharedTextStorage::mirrorChanged(
    Mirror& mirror, int position, int removedCount, int addedCount)
{
    // Re-highlighting and the other views' copies come here too: only the user's edits count.
    if (m_applying || !mirror.editing)
        return;
    qsizetype removed = removedCount;
    qsizetype added = addedCount;
    clampChange(AttributedText::length(*m_storage), AttributedText::length(*mirror.document),
        position, removed, added);
    Fragment removedText = Fragment::cut(*m_storage, position, removed);
    Fragment insertedText = Fragment::cut(*mirror.document, position, added);
    applyEverywhere(position, removed, insertedText, &mirror);
    mirror.changed = true;
    record(mirror, position, std::move(removedText), std::move(insertedText));
}

void SharedTextStorage::storageChanged(int position, int removedCount, int addedCount)
{
    if (m_applying || m_mirrors.empty())
        return;
    // Someone wrote into the storage directly: the records no longer match its text.
    removeUndoRecords();
    qsizetype removed = removedCount;
    qsizetype added = addedCount;
    clampChange(AttributedText::length(*m_mirrors.front()->document),
        AttributedText::length(*m_storage), position, removed, added);
    const Fragment text = Fragment::cut(*m_storage, position, added);
    m_applying = true;
    for (const auto& mirror : m_mirrors)
        text.pasteInto(*mirror->document, position, removed);
    m_applying = false;
}

void SharedTextStorage::applyEverywhere(
    qsizetype position, qsizetype removeLength, const Fragment& fragment, Mirror* except)
{
    m_applying = true;
    fragment.pasteInto(*m_storage, position, removeLength);
    for (const auto& mirror : m_mirrors) {
        if (mirror.get() != except)
            fragment.pasteInto(*mirror->document, position, removeLength);
    }
    m_applying = false;
}

void SharedTextStorage::record(
    Mirror& mirror, qsizetype position, Fragment removed, Fragment inserted)
{
    UndoManager* manager = mirror.manager();
    // Records elsewhere would undo over text that has changed under them.
    for (const auto& other : m_mirrors) {
        if (other.get() == &mirror)
            continue;
        other->typingRecord.reset();
        UndoManager* otherManager = other->manager();
        if (otherManager && otherManager != manager)
            otherManager->removeAllActionsWithTarget(m_storage);
    }
    if (!manager || !manager->isUndoRegistrationEnabled())
        return;

    if (mirror.typing) {
        if (const auto last = mirror.typingRecord.lock(); last && last->live) {
            const bool typed = removed.length == 0 && inserted.length > 0
                && last->inserted.length > 0 && position == last->position + last->inserted.length;
            const bool deleted
                = inserted.length == 0 && removed.length > 0 && last->inserted.length == 0;
            if (typed) {
                last->inserted.append(inserted);
                return;
            }
            if (deleted && position + removed.length == last->position) {
                removed.append(last->removed);
                last->removed = std::move(removed);
                last->position = position;
                return;
            }
            if (deleted && position == last->position) {
                last->removed.append(removed);
                return;
            }
        }
    }
    auto entry = std::make_shared<EditRecord>();
    entry->position = position;
    entry->removed = std::move(removed);
    entry->inserted = std::move(inserted);
    entry->name = mirror.actionName;
    registerRecord(manager, entry);
    if (mirror.typing)
        mirror.typingRecord = entry;
    else
        mirror.typingRecord.reset();
}

void SharedTextStorage::registerRecord(
    UndoManager* undoManager, const std::shared_ptr<EditRecord>& record)
{
    QPointer<SharedTextStorage> self(this);
    undoManager->registerUndo(m_storage, [self, undoManager, record] {
        if (self)
            self->revert(undoManager, record);
    });
    if (!record->name.isEmpty())
        undoManager->setActionName(record->name);
}

void SharedTextStorage::revert(UndoManager* undoManager, const std::shared_ptr<EditRecord>& record)
{
    record->live = false;
    for (const auto& mirror : m_mirrors)
        mirror->typingRecord.reset();
    applyEverywhere(record->position, record->inserted.length, record->removed, nullptr);
    auto inverse = std::make_shared<EditRecord>();
    inverse->position = record->position;
    inverse->removed = record->inserted;
    inverse->inserted = record->removed;
    inverse->name = record->name;
    registerRecord(undoManager, inverse);
    emit userEdited(nullptr);
}

} // namespace platform
