#include "BXTextView.h"

#include "BXTextViewDelegate.h"
#include "platform/appkit/UserInput.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/text/TextHighlighter.h"

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QTextBlock>
#include <QTextCursor>

#include <cmath>

using platform::AttributedText;
using platform::TextRange;

const QString BXTextView::MagnifyTextViewNotification = QStringLiteral("MagnifyTextView");

BXTextView::BXTextView(QWidget* parent, platform::SpellChecker* spellChecker)
    : TextView(parent, spellChecker)
{ }

void BXTextView::setDelegate(BXTextViewDelegate* delegate)
{
    m_bxDelegate = delegate;
    TextView::setDelegate(delegate);
}

void BXTextView::zoomToFactor(double factor)
{
    if (m_zooming || std::isinf(factor))
        return;
    // Whole percents, cut toward zero; the hair keeps factors such as 0.29, whose product with
    // 100 falls just short of 29, at their own value.
    double scale = std::trunc(100.0 * factor + 1e-9) * 0.01;
    if (!(scale > 0))
        scale = 0.1;
    const auto nearOne = [](double value) { return value > 0.99 && value < 1.01; };
    if ((nearOne(scale) && nearOne(m_oldScaleFactor)) || scale == m_oldScaleFactor)
        return;
    if (scale != 1.0)
        platform::logLine(QString::asprintf("scale factor %f", scale));
    setZoom(scale);
    m_zoomFactor = scale;
    m_oldScaleFactor = scale;
    m_zooming = true;

    QPointer<BXTextView> self(this);
    platform::dispatchAsyncMain([self] {
        if (!self)
            return;
        const TextRange selection = self->selectedRange();
        if (selection.location <= AttributedText::length(*self->mirror()))
            self->scrollRangeToVisible({ selection.location, 0 });
    });
    platform::NotificationCenter::defaultCenter().post(MagnifyTextViewNotification, this,
        { { QStringLiteral("textView"), QVariant::fromValue<QObject*>(this) },
            { QStringLiteral("zoomFactor"), float(factor) } });
    m_zooming = false;
}

void BXTextView::magnify(double magnification)
{
    zoomToFactor(m_zoomFactor + magnification);
}

bool BXTextView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::NativeGesture) {
        const auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            magnify(gesture->value());
            return true;
        }
    }
    return TextView::viewportEvent(event);
}

void BXTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const int index = characterIndexAt(event->position().toPoint());
        if (index >= 0 && index < AttributedText::length(*mirror())) {
            const QTextBlock block = mirror()->findBlock(index);
            const auto hashtag
                = platform::TextHighlighter::hashtagAt(block.text(), index - block.position());
            if (hashtag) {
                // Consumed: the selection stays where it was.
                event->accept();
                if (m_bxDelegate)
                    m_bxDelegate->textViewClickedOnHashtag(
                        this, block.text().mid(hashtag->start, hashtag->length));
                return;
            }
        }
    }
    TextView::mousePressEvent(event);
}

void BXTextView::paste()
{
    const QMimeData* pasted = QGuiApplication::clipboard()->mimeData();
    if (!isEditable() || !pasted) {
        platform::UserInput::current().beep();
        return;
    }
    if (pasted->hasImage() || pasted->hasFormat(QStringLiteral("image/png"))
        || pasted->hasFormat(QStringLiteral("image/tiff"))) {
        if (!insertMimeData(pasted, platform::localized(QStringLiteral("Paste"))))
            platform::UserInput::current().beep();
        return;
    }
    const QString text = pasted->text();
    if (text.isEmpty()) {
        platform::UserInput::current().beep();
        return;
    }
    QTextCharFormat format;
    const QTextCharFormat typing = typingAttributes();
    const bool typingHasFont = typing.hasProperty(QTextFormat::FontFamilies)
        || typing.hasProperty(QTextFormat::FontPointSize);
    if (AttributedText::length(*mirror()) > 0 && typingHasFont) {
        format = typing;
        format.setAnchor(false);
        format.clearProperty(QTextFormat::AnchorHref);
    } else {
        if (m_textFont)
            format.setFont(*m_textFont);
        if (m_textColor)
            format.setForeground(*m_textColor);
    }
    replaceSelection(smartInsertText(text), format, platform::localized(QStringLiteral("Paste")));
}

void BXTextView::saveSelection()
{
    m_lastSelectedRange = selectedRange();
    m_lastScrollPoint = visibleOrigin();
}

void BXTextView::loadSelection()
{
    if (m_lastSelectedRange == selectedRange())
        return;
    if (!setSelectedRange(m_lastSelectedRange)) {
        // The text got shorter since the selection was saved: start over at the top.
        m_lastSelectedRange = {};
        m_lastScrollPoint = {};
        setSelectedRange(m_lastSelectedRange);
    }
    scrollToPoint(m_lastScrollPoint);
}

void BXTextView::setAttributedString(const QTextDocument& text)
{
    QTextDocument* target = textStorage() ? textStorage() : mirror();
    AttributedText::replaceCharacters(*target, { 0, AttributedText::length(*target) }, text);
}

void BXTextView::setTextAttributes(const QVariantMap& attributes, TextRange range)
{
    QTextDocument& doc = *mirror();
    if (range.location < 0 || range.length < 0 || range.end() > AttributedText::length(doc)
        || !isEditable())
        return;
    performUserEdit(platform::localized(QStringLiteral("Font")), [&] {
        qsizetype position = range.location;
        while (position < range.end()) {
            TextRange run;
            QVariantMap runAttributes = AttributedText::attributes(doc, position, &run);
            const qsizetype end = std::min(run.end(), range.end());
            if (!runAttributes.contains(AttributedText::AttachmentAttributeName)) {
                for (const QString& key : { AttributedText::FontAttributeName,
                         AttributedText::ForegroundColorAttributeName }) {
                    if (attributes.contains(key))
                        runAttributes.insert(key, attributes.value(key));
                    else
                        runAttributes.remove(key);
                }
                QTextCursor cursor(&doc);
                cursor.setPosition(int(position));
                cursor.setPosition(int(end), QTextCursor::KeepAnchor);
                cursor.setCharFormat(AttributedText::characterFormat(runAttributes));
            }
            position = std::max(end, position + 1);
        }
    });
}

void BXTextView::setSelectedTextAttributes(const QVariantMap& attributes)
{
    setTextAttributes(attributes, selectedRange());
}

std::unique_ptr<QTextDocument> BXTextView::pageHeader() const
{
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::LongFormat);
    const QString text = m_bxDelegate
        ? QStringLiteral("%1\t\t%2").arg(m_bxDelegate->currentNoteName(), date)
        : date;
    auto header = AttributedText::makeDocument();
    QTextCharFormat format;
    format.setFont(m_textFont.value_or(font()));
    QTextCursor(header.get()).insertText(text, format);
    return header;
}

bool BXTextView::becomeFirstResponder()
{
    if (m_bxDelegate) {
        if (const auto answer = m_bxDelegate->becomeFirstResponder(this))
            return *answer;
    }
    return true;
}

bool BXTextView::resignFirstResponder()
{
    if (m_bxDelegate) {
        if (const auto answer = m_bxDelegate->resignFirstResponder(this))
            return *answer;
    }
    return true;
}

bool BXTextView::endEditing()
{
    if (!hasFocus())
        return true;
    if (!resignFirstResponder())
        return false;
    clearFocus();
    setFocus(Qt::OtherFocusReason);
    return true;
}

bool BXTextView::commitEditing()
{
    if (!m_bxDelegate || !m_bxDelegate->commitTextViewEditing(this))
        return false;
    m_bxDelegate->objectDidEndEditing(this);
    return true;
}

QString BXTextView::commitFailureReason() const
{
    return platform::localized(QStringLiteral("Couldn't commit the note"));
}

void BXTextView::discardEditing()
{
    if (!m_bxDelegate)
        return;
    m_bxDelegate->discardTextViewEditing(this);
    m_bxDelegate->objectDidEndEditing(this);
}
