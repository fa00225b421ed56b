#include "TextMirror.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/text/AttributedText.h"

#include <QLocale>
#include <QTextBlock>
#include <QTextCursor>

namespace platform {

TextMirror::TextMirror(SharedTextStorage::UndoManagerProvider undoManager)
    : m_undoManager(std::move(undoManager))
{ }

TextMirror::~TextMirror()
{
    Scheduler::current().cancel(m_beginningSliceTask);
}

std::unique_ptr<QTextDocument> TextMirror::setStorage(QTextDocument* storage)
{
    if (m_storage)
        disconnect(m_storage, nullptr, this, nullptr);
    if (m_shared)
        disconnect(m_shared, nullptr, this, nullptr);
    m_storage = storage;
    Scheduler::current().cancel(std::exchange(m_beginningSliceTask, 0));
    m_beginningOnly = storage && isTooLongToEdit(*storage);
    m_beginningShown = 0;
    m_beginningLength = m_beginningOnly ? shownBeginningLength(*storage) : 0;
    m_shared = m_beginningOnly ? nullptr : SharedTextStorage::of(storage);
    std::unique_ptr<QTextDocument> mirror;
    if (m_shared) {
        mirror = m_shared->makeMirror(m_undoManager);
        connect(m_shared, &SharedTextStorage::userEdited, this, [this](QTextDocument* source) {
            if (source == m_mirror.get())
                ++m_editCount;
            if (!source || source == m_mirror.get())
                emit textDidChange();
        });
    } else if (m_beginningOnly) {
        mirror = beginningOf(*storage);
    } else {
        mirror = AttributedText::makeDocument();
    }
    if (storage)
        connect(storage, &QObject::destroyed, this, &TextMirror::storageDestroyed);
    std::swap(mirror, m_mirror);
    return mirror;
}

void TextMirror::showBeginning()
{
    if (m_beginningOnly)
        showNextBeginningSlice();
}

bool TextMirror::isTooLongToEdit(const QTextDocument& storage)
{
    if (AttributedText::length(storage) > kLongestEditableLength)
        return true;
    for (QTextBlock block = storage.begin(); block.isValid(); block = block.next()) {
        if (block.length() > kLongestEditableParagraph)
            return true;
    }
    return false;
}

qsizetype TextMirror::shownBeginningLength(const QTextDocument& storage)
{
    qsizetype shown = std::min(AttributedText::length(storage), kShownBeginningLength);
    for (QTextBlock block = storage.begin(); block.isValid() && block.position() < shown;
         block = block.next()) {
        if (block.length() > kShownParagraphLength)
            shown = std::min(shown, block.position() + kShownParagraphLength);
    }
    return shown;
}

std::unique_ptr<QTextDocument> TextMirror::beginningOf(const QTextDocument& storage)
{
    std::unique_ptr<QTextDocument> beginning = AttributedText::makeDocument();
    beginning->setDefaultFont(storage.defaultFont());
    QTextCursor cursor(beginning.get());
    QTextCharFormat notice;
    notice.setFontItalic(true);
    cursor.insertText(localizedFormat(QStringLiteral("This note is too long to edit here (%@ "
                                                     "characters): its beginning is shown, "
                                                     "read-only. Its whole text is kept."),
                          QLocale().toString(AttributedText::length(storage))),
        notice);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    return beginning;
}

void TextMirror::showNextBeginningSlice()
{
    m_beginningSliceTask = 0;
    if (!m_storage || !m_mirror)
        return;
    const qsizetype length = std::min(kBeginningSliceLength, m_beginningLength - m_beginningShown);
    const std::unique_ptr<QTextDocument> slice
        = AttributedText::attributedSubstring(*m_storage, { m_beginningShown, length });
    // Added at the end, the slice alone is laid out and marked.
    const qsizetype end = AttributedText::length(*m_mirror);
    AttributedText::replaceCharacters(*m_mirror, { end, 0 }, *slice);
    m_beginningShown += length;
    if (m_beginningShown < m_beginningLength)
        m_beginningSliceTask = dispatchAfter(0, this, [this] { showNextBeginningSlice(); });
}

void TextMirror::performUserEdit(
    const QString& actionName, bool typing, const std::function<void()>& edit)
{
    if (m_shared)
        m_shared->performUserEdit(m_mirror.get(), actionName, typing, edit);
    else
        edit();
}

bool TextMirror::isCoalescingTyping() const
{
    return m_shared && m_shared->isCoalescingTyping(m_mirror.get());
}

void TextMirror::breakCoalescing()
{
    if (m_shared && m_mirror)
        m_shared->breakCoalescing(m_mirror.get());
}

} // namespace platform
