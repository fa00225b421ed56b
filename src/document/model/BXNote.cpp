#include "document/model/BXNote.h"

#include "document/BXDefaultTextAttributes.h"
#include "document/model/BXAttributedStringAdditions.h"
#include "document/model/BXCategory.h"
#include "document/model/BXManagedObjectUtilities.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SharedTextStorage.h"
#include "platform/text/TextDifference.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <QThreadPool>

#include <atomic>
#include <optional>

using platform::AttributedText;
using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;

namespace {

const QString kAttributedString = QStringLiteral("attributedString");

constexpr char16_t kAttachmentCharacter = 0xFFFC;
constexpr int kLongestWholeTitle = 50;
constexpr int kTitleCut = 40;
// Stored bytes (styles, and text at two bytes a unit) past which decoding the storage takes
// longer than a main-loop turn may.
constexpr qsizetype kSlowStorageBytes = 2 * 1024 * 1024;

QVariant stringValue(const QString& string)
{
    return string.isNull() ? QVariant() : QVariant(string);
}

bool isNewline(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Control (Cc, Cf) and illegal (unassigned, non-character) code points end a title's run.
bool endsTitleRun(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_NotAssigned:
        return true;
    default:
        return false;
    }
}

QList<double> numbersIn(const QString& string)
{
    static const QRegularExpression number(
        QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)"));
    QList<double> result;
    for (auto it = number.globalMatch(string); it.hasNext();)
        result.append(it.next().captured().toDouble());
    return result;
}

QString numberString(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The stored rich text, else the plain text without attributes; nullptr once `stop` is set.
std::unique_ptr<QTextDocument> decodedText(
    const QByteArray& styles, const QString& text, const std::atomic<bool>* stop)
{
    if (std::unique_ptr<QTextDocument> styled
        = BXAttributedStringAdditions::attributedStringWithRTFData(styles, stop))
        return styled;
    if (stop && stop->load())
        return nullptr;
    std::unique_ptr<QTextDocument> plain = AttributedText::makeDocument();
    plain->setPlainText(text);
    return plain;
}

// Equal stored values mostly share their data: comparing the pointers spares reading them.
template <typename Stored> bool sameStored(const Stored& a, const Stored& b)
{
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

} // namespace

BXNote::BXNote() = default;

BXNote::~BXNote() = default;

QString BXNote::entityName()
{
    return QStringLiteral("Note");
}

BXNote::NotePtr BXNote::newNoteInManagedObjectContext(
    ManagedObjectContext* context, const QString& name, const QList<ManagedObjectPtr>& categories)
{
    if (!context)
        return nullptr;
    auto note
        = std::dynamic_pointer_cast<BXNote>(context->insertNewObjectForEntityForName(entityName()));
    if (note)
        blankNote(*note, name, categories);
    return note;
}

void BXNote::blankNote(BXNote& note, const QString& name, const QList<ManagedObjectPtr>& categories)
{
    // The text goes first: observers of the title take a note with a name or text for a note
    // in use, and a spare holding blank lines would stop being the spare. A text view may show
    // the note already (it stays selected), so its storage is blanked too.
    note.setDefaultStyle();
    note.refreshTextStorage();
    note.setNoteName(name);
    note.setNoteTitle(name);
    const QDateTime now = QDateTime::currentDateTime();
    note.setValue(now, NoteCreatedKey);
    note.setValue(now, NoteModifiedKey);
    note.setCategories(categories);
}

std::unique_ptr<QTextDocument> BXNote::emptyStyle()
{
    const platform::StringAttributes attributes = BXDefaultTextAttributes::current();
    std::unique_ptr<QTextDocument> text = AttributedText::makeDocument();
    QTextCursor cursor(text.get());
    cursor.setBlockFormat(attributes.paragraph);
    cursor.setBlockCharFormat(attributes.characters);
    cursor.setCharFormat(attributes.characters);
    return text;
}

BXNote::NotePtr BXNote::newEmptyNoteInManagedObjectContext(ManagedObjectContext* context)
{
    if (!context)
        return nullptr;
    context->lock();
    context->processPendingChanges();
    platform::UndoManager* undo = context->undoManager();
    if (undo)
        undo->disableUndoRegistration();

    const auto& coordinator = context->persistentStoreCoordinator();
    platform::Error error;
    if (coordinator && coordinator->hasStore() && !context->save(&error))
        platform::log(QStringLiteral("save failed in new empty note creation: %@"),
            error.localizedDescription());

    NotePtr note;
    platform::FetchRequest request(entityName());
    request.setPredicate(
        platform::Predicate::predicateWithFormat(QStringLiteral("%K = YES"), { TrashFlagKey }));
    error = {};
    const std::optional<QList<ManagedObjectPtr>> found = context->fetchObjects(request, &error);
    if (!found)
        platform::log(
            QStringLiteral("Error fetching newFlag note: %@"), error.localizedDescription());
    // A store that can no longer be read (another program destroyed it) still gets its new
    // notes, which the window keeps until they are saved elsewhere.
    if (!found || found->isEmpty()) {
        note = newNoteInManagedObjectContext(context, QString(), {});
        if (note)
            note->setTrashFlag(true);
    } else {
        note = std::dynamic_pointer_cast<BXNote>(found->first());
        for (qsizetype i = 1; i < found->size(); ++i)
            context->deleteObject(found->at(i));
        if (note)
            blankNote(*note, QString(), {});
    }

    context->processPendingChanges();
    if (undo)
        undo->enableUndoRegistration();
    context->unlock();
    return note;
}

BXNote::NotePtr BXNote::noteWithNote(
    const BXNote* note, ManagedObjectContext* context, const QList<ManagedObjectPtr>& categories)
{
    if (!note)
        return nullptr;
    NotePtr copy = newNoteInManagedObjectContext(context, note->noteName(), {});
    if (!copy)
        return nullptr;
    copy->setNoteStyles(note->noteStyles());
    copy->setNoteText(note->noteText());
    copy->setSelectedRange(note->selectedRange());
    // A derived title taken over as the copy's name would freeze it: the copy's first line
    // could never retitle it.
    if (note->noteName().isEmpty())
        copy->storeDerivedTitle(note->noteTitle());
    else
        copy->setNoteTitle(note->noteName());
    copy->setCategories(categories);
    return copy;
}

void BXNote::resetLastImportFlagsInManagedObjectContext(ManagedObjectContext* context)
{
    if (!context)
        return;
    platform::FetchRequest request(entityName());
    request.setPredicate(platform::Predicate::predicateWithFormat(
        QStringLiteral("%K = YES"), { LastImportFlagKey }));
    platform::Error error;
    const std::optional<QList<ManagedObjectPtr>> found = context->fetchObjects(request, &error);
    if (!found) {
        platform::log(
            QStringLiteral("Error fetching last imported notes: %@"), error.localizedDescription());
        return;
    }
    for (const ManagedObjectPtr& object : *found)
        object->setValue(false, LastImportFlagKey);
}

QString BXNote::noteName(const QString& text)
{
    QString remaining = text;
    remaining.remove(QChar(kAttachmentCharacter));
    const qsizetype attachments = text.size() - remaining.size();
    remaining = remaining.trimmed();
    if (remaining.isEmpty()) {
        if (attachments == 1)
            return platform::localized(QStringLiteral("Picture"));
        if (attachments > 1)
            return platform::localized(QStringLiteral("Pictures"));
        return QString();
    }

    qsizetype lineEnd = 0;
    while (lineEnd < remaining.size() && !isNewline(remaining.at(lineEnd).unicode()))
        ++lineEnd;
    const QString line = remaining.left(lineEnd);

    qsizetype runEnd = 0;
    while (runEnd < line.size()) {
        char32_t c = line.at(runEnd).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && runEnd + 1 < line.size()
            && line.at(runEnd + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(line.at(runEnd), line.at(runEnd + 1));
            width = 2;
        }
        if (endsTitleRun(c))
            break;
        runEnd += width;
    }
    QString title = runEnd > 0 ? line.left(runEnd).trimmed() : line;
    if (title.isEmpty())
        return QString();
    if (title.size() > kLongestWholeTitle) {
        // Never keep half of a surrogate pair.
        const qsizetype cut = title.at(kTitleCut - 1).isHighSurrogate() ? kTitleCut - 1 : kTitleCut;
        title = title.left(cut) + QChar(0x2026);
    }
    return title;
}

QString BXNote::titleForEmptyName() const
{
    return noteName(noteText());
}

QString BXNote::titleFromNameOrText() const
{
    return noteName().isEmpty() ? titleForEmptyName() : noteName();
}

QString BXNote::noteName() const
{
    return valueForKey(NoteNameKey).toString();
}

void BXNote::setNoteName(const QString& name)
{
    setValue(stringValue(name), NoteNameKey);
}

QString BXNote::noteTitle() const
{
    return valueForKey(NoteTitleKey).toString();
}

void BXNote::setNoteTitle(const QString& title)
{
    const QString trimmed = title.trimmed();
    const QString oldName = noteName();
    const QString oldTitle = noteTitle();
    ManagedObjectContext* context = managedObjectContext();
    platform::UndoManager* undo = context ? context->undoManager() : nullptr;
    // Undone as a rename back to the old name, not by putting the old name and title back:
    // the text may have changed since, and a note without a name takes the title its text
    // gives now.
    if (undo)
        undo->disableUndoRegistration();
    setNoteName(trimmed.isEmpty() ? QString() : trimmed);
    storeDerivedTitle(titleFromNameOrText());
    if (!undo)
        return;
    undo->enableUndoRegistration();
    if (noteName() == oldName && noteTitle() == oldTitle)
        return;
    std::weak_ptr<ManagedObject> weak = weak_from_this();
    undo->registerUndo(this, [weak, oldName] {
        const auto note = std::static_pointer_cast<BXNote>(weak.lock());
        if (note && note->managedObjectContext())
            note->setNoteTitle(oldName);
    });
    // An undo or redo that retitles the note keeps the name of the step it reverts.
    if (!undo->isUndoing() && !undo->isRedoing())
        undo->setActionName(platform::localized(QStringLiteral("Change Note Title")));
}

QString BXNote::noteText() const
{
    return valueForKey(NoteTextKey).toString();
}

void BXNote::setNoteText(const QString& text)
{
    setValue(stringValue(text), NoteTextKey);
}

QByteArray BXNote::noteStyles() const
{
    return valueForKey(NoteStylesKey).toByteArray();
}

void BXNote::setNoteStyles(const QByteArray& styles)
{
    setValue(styles.isNull() ? QVariant() : QVariant(styles), NoteStylesKey);
}

QDateTime BXNote::noteCreated() const
{
    return valueForKey(NoteCreatedKey).toDateTime();
}

QDateTime BXNote::noteModified() const
{
    return valueForKey(NoteModifiedKey).toDateTime();
}

bool BXNote::trashFlag() const
{
    return valueForKey(TrashFlagKey).toBool();
}

void BXNote::setTrashFlag(bool flag)
{
    setValue(flag, TrashFlagKey);
}

bool BXNote::lastImportFlag() const
{
    return valueForKey(LastImportFlagKey).toBool();
}

void BXNote::setLastImportFlag(bool flag)
{
    setValue(flag, LastImportFlagKey);
}

QList<ManagedObjectPtr> BXNote::categories() const
{
    return relatedObjects(CategoriesKey);
}

void BXNote::setCategories(const QList<ManagedObjectPtr>& categories)
{
    setRelatedObjects(CategoriesKey, categories);
}

void BXNote::storeDerivedTitle(const QString& title)
{
    willChangeValueForKey(NoteTitleKey);
    setPrimitiveValue(stringValue(title), NoteTitleKey);
    didChangeValueForKey(NoteTitleKey);
}

bool BXNote::isStoredTitle(const QString& title) const
{
    const QVariant stored = valueForKey(NoteTitleKey);
    return stored.isValid() ? stored.toString() == title && !title.isNull() : title.isNull();
}

void BXNote::updateNoteText(const QString& text)
{
    setNoteText(text);
    if (noteName().isNull()) {
        const QString title = titleForEmptyName();
        if (!isStoredTitle(title))
            BXManagedObjectUtilities::withoutUndo(
                managedObjectContext(), [&] { storeDerivedTitle(title); });
    }
    setValue(QDateTime::currentDateTime(), NoteModifiedKey);
}

void BXNote::setAttributedString(const QTextDocument& text)
{
    const QByteArray styles = BXAttributedStringAdditions::RTFData(text);
    const QString plain = AttributedText::string(text);
    // The same text again is no edit: the note keeps its modification date.
    if (styles == noteStyles() && plain == noteText()) {
        if (&text == m_textStorage.get())
            storageMatchesStore();
        return;
    }
    willChangeValueForKey(kAttributedString);
    setNoteStyles(styles);
    updateNoteText(plain);
    if (&text == m_textStorage.get())
        storageMatchesStore();
    didChangeValueForKey(kAttributedString);
}

std::unique_ptr<QTextDocument> BXNote::attributedString() const
{
    return decodedText(noteStyles(), noteText(), nullptr);
}

std::unique_ptr<QTextDocument> BXNote::textStyle() const
{
    return BXAttributedStringAdditions::attributedStringWithRTFData(noteStyles());
}

void BXNote::setDefaultStyle()
{
    const std::unique_ptr<QTextDocument> empty = emptyStyle();
    BXManagedObjectUtilities::withoutUndo(
        managedObjectContext(), [&] { setAttributedString(*empty); });
}

QTextDocument* BXNote::textStorage()
{
    if (!m_textStorage) {
        const QByteArray styles = noteStyles();
        const QString text = noteText();
        // An empty text has no character left to keep a look: it is typed in the look new notes
        // start in, in every view of it, not in the plain default face of a bare document.
        adoptTextStorage(text.isEmpty() ? emptyStyle() : decodedText(styles, text, nullptr), styles,
            text, textGenerations());
    }
    return m_textStorage.get();
}

bool BXNote::textStorageLoadsSlowly() const
{
    return !m_textStorage
        && valueLength(NoteStylesKey) + 2 * valueLength(NoteTextKey) > kSlowStorageBytes;
}

void BXNote::loadTextStorage(QObject* context, std::function<void()> loaded)
{
    // Values in memory travel along; saved ones are read on the worker.
    std::optional<QByteArray> styles;
    std::optional<QString> text;
    if (isValueLoaded(NoteStylesKey))
        styles = noteStyles();
    if (isValueLoaded(NoteTextKey))
        text = noteText();
    std::shared_ptr<platform::PersistentStoreCoordinator> coordinator;
    if ((!styles || !text) && managedObjectContext())
        coordinator = managedObjectContext()->persistentStoreCoordinator();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    // Lives as long as the load is wanted, and its going stops the work.
    auto* request = new QObject(context);
    QObject::connect(request, &QObject::destroyed, [stop] { *stop = true; });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, request, [stop] { *stop = true; });
    QThreadPool::globalInstance()->start(
        [styles = std::move(styles), text = std::move(text), coordinator = std::move(coordinator),
            id = objectID(), generations = textGenerations(), stop,
            request = QPointer<QObject>(request),
            note = std::weak_ptr<BXNote>(std::static_pointer_cast<BXNote>(shared_from_this())),
            loaded = std::move(loaded)]() mutable {
            if ((!styles || !text) && coordinator && !stop->load()) {
                // A context of its own: the main context's objects stay on the main thread.
                ManagedObjectContext reader(ManagedObjectContext::ConcurrencyType::PrivateQueue);
                reader.setPersistentStoreCoordinator(coordinator);
                reader.performAndWait([&] {
                    const auto stored = std::dynamic_pointer_cast<BXNote>(
                        reader.existingObjectWithID(id, nullptr));
                    if (!stored)
                        return;
                    if (!styles)
                        styles = stored->noteStyles();
                    if (!text)
                        text = stored->noteText();
                });
            }
            // Shared only to travel in a copyable call; deleted on the main thread either way.
            auto decoded = std::make_shared<std::unique_ptr<QTextDocument>>();
            if (styles && text)
                *decoded = decodedText(*styles, *text, stop.get());
            if (*decoded)
                (*decoded)->moveToThread(qApp->thread());
            QMetaObject::invokeMethod(
                qApp,
                [styles = styles.value_or(QByteArray()), text = text.value_or(QString()),
                    generations, stop, request, note, decoded = std::move(decoded),
                    loaded = std::move(loaded)] {
                    if (!request)
                        return;
                    // The request's going sets `stop` too.
                    const bool stopped = stop->load();
                    delete request.data();
                    const std::shared_ptr<BXNote> target = note.lock();
                    if (stopped || !target)
                        return;
                    // Another generation may hold other text: what was read is left unused.
                    if (*decoded && !target->m_textStorage
                        && target->textGenerations() == generations) {
                        target->adoptTextStorage(std::move(*decoded), styles, text, generations);
                    }
                    loaded();
                },
                Qt::QueuedConnection);
        });
}

void BXNote::releaseTextStorage()
{
    m_textStorage.reset();
    m_storageStyles.clear();
    m_storageText.clear();
}

BXNote::TextGenerations BXNote::textGenerations() const
{
    return { valueGeneration(NoteStylesKey), valueGeneration(NoteTextKey) };
}

void BXNote::adoptTextStorage(std::unique_ptr<QTextDocument> storage, const QByteArray& styles,
    const QString& text, TextGenerations generations)
{
    m_textStorage = std::move(storage);
    m_storageStyles = styles;
    m_storageText = text;
    m_storageGenerations = generations;
    // Connected before the shared storage attaches, whose handlers may write the text back;
    // attaching it reports the whole text as changed.
    QObject::connect(m_textStorage.get(), &QTextDocument::contentsChange, m_textStorage.get(),
        [this] { m_storageChanged = true; });
    platform::SharedTextStorage::of(m_textStorage.get());
    m_storageChanged = false;
}

void BXNote::storageMatchesStore()
{
    m_storageStyles = noteStyles();
    m_storageText = noteText();
    m_storageGenerations = textGenerations();
    m_storageChanged = false;
}

void BXNote::refreshTextStorage()
{
    if (!m_textStorage || storageHoldsStoredText())
        return;
    BXManagedObjectUtilities::withoutUndo(managedObjectContext(), [this] {
        // Only what changed is replaced: a caret before or after it stays by its characters.
        const std::unique_ptr<QTextDocument> text = attributedString();
        platform::TextDifference::replaceDifferingPart(*m_textStorage, *text);
    });
    storageMatchesStore();
}

bool BXNote::storageHoldsStoredText() const
{
    if (m_storageChanged)
        return false;
    if (textGenerations() == m_storageGenerations)
        return true;
    // Reading the store again may have brought the same text.
    if (!sameStored(m_storageStyles, noteStyles()) || !sameStored(m_storageText, noteText()))
        return false;
    m_storageGenerations = textGenerations();
    return true;
}

platform::UndoManager* BXNote::undoManager()
{
    if (!m_undoManager)
        m_undoManager = std::make_unique<platform::UndoManager>();
    return m_undoManager.get();
}

BXNote::Range BXNote::selectedRange() const
{
    if (m_selectedRange == Range { Range::NotFound, 0 })
        m_selectedRange = rangeFromString(valueForKey(SelectedRangeStringKey).toString());
    return m_selectedRange;
}

void BXNote::setSelectedRange(Range range)
{
    if (range == selectedRange())
        return;
    willChangeValueForKey(QStringLiteral("selectedRange"));
    m_selectedRange = range;
    didChangeValueForKey(QStringLiteral("selectedRange"));
    setValue(stringFromRange(range), SelectedRangeStringKey);
}

QRectF BXNote::windowFrame() const
{
    if (m_windowFrame == QRectF())
        m_windowFrame = rectFromString(valueForKey(WindowFrameStringKey).toString());
    return m_windowFrame;
}

void BXNote::setWindowFrame(const QRectF& frame)
{
    if (frame == windowFrame())
        return;
    willChangeValueForKey(QStringLiteral("windowFrame"));
    m_windowFrame = frame;
    didChangeValueForKey(QStringLiteral("windowFrame"));
    setValue(stringFromRect(frame), WindowFrameStringKey);
}

QString BXNote::stringFromRange(Range range)
{
    return QStringLiteral("{%1, %2}").arg(range.location).arg(range.length);
}

BXNote::Range BXNote::rangeFromString(const QString& string)
{
    static const QRegularExpression integer(QStringLiteral(R"(\d+)"));
    Range range;
    auto it = integer.globalMatch(string);
    if (it.hasNext())
        range.location = it.next().captured().toULongLong();
    if (it.hasNext())
        range.length = it.next().captured().toULongLong();
    return range;
}

QString BXNote::stringFromRect(const QRectF& rect)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(numberString(rect.x()), numberString(rect.y()), numberString(rect.width()),
            numberString(rect.height()));
}

QRectF BXNote::rectFromString(const QString& string)
{
    QList<double> numbers = numbersIn(string);
    numbers.resize(4, 0.0);
    return QRectF(numbers[0], numbers[1], numbers[2], numbers[3]);
}

QString BXNote::categoryNamesSeparatedBy(const QString& separator) const
{
    QStringList names;
    for (const ManagedObjectPtr& category : categories()) {
        // Smart categories are sub-entities; only plain ones name a note's tags.
        if (category->entity()->name() == BXCategory::entityName())
            names.append(category->valueForKey(BXCategory::CategoryNameKey).toString());
    }
    if (names.isEmpty())
        return QString();
    return names.join(separator.isNull() ? QStringLiteral(", ") : separator);
}

bool BXNote::noteEmpty() const
{
    return noteName().isEmpty() && noteText().isEmpty();
}

QUrl BXNote::identifier() const
{
    return objectID().URIRepresentation();
}

bool BXNote::objectAvailable() const
{
    return !trashFlag() && BXManagedObjectUtilities::objectAvailable(*this);
}

QVariant BXNote::valueForKey(const QString& key) const
{
    if (key == QStringLiteral("identifier"))
        return identifier();
    return ManagedObject::valueForKey(key);
}

void BXNote::setValue(const QVariant& value, const QString& key)
{
    ManagedObject::setValue(value, key);
    if (key != NoteNameKey && key != NoteTextKey && key != NoteTitleKey)
        return;
    // Undo and redo put a name, a text or a title back one by one, and an editor may have
    // written text unrecorded while a step was undone: whatever they put back, the title is
    // taken again from what the note holds now. Recorded with the step, so that going back
    // over it retitles the note too, and sets what follows the title (the spare-note flag).
    const ManagedObjectContext* context = managedObjectContext();
    const platform::UndoManager* undo = context ? context->undoManager() : nullptr;
    if (!undo || !(undo->isUndoing() || undo->isRedoing()))
        return;
    const QString title = titleFromNameOrText();
    if (!isStoredTitle(title))
        storeDerivedTitle(title);
}

void BXNote::didTurnIntoFault()
{
    m_selectedRange = { Range::NotFound, 0 };
    m_windowFrame = QRectF();
}
