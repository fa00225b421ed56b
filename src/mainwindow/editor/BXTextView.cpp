#include "mainwindow/editor/BXTextView.h"

#include "document/BXDocument.h"
#include "mainwindow/editor/BXAttachmentData.h"
#include "mainwindow/editor/BXFormatMenu.h"
#include "mainwindow/editor/BXTextViewDelegate.h"
#include "mainwindow/image/BXImageViewController.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PrintJob.h"
#include "platform/appkit/UserInput.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/VariantKind.h"
#include "platform/text/TextHighlighter.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDate>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsTextItem>
#include <QImageReader>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimeZone>

#include <unicode/udat.h>

#include <cmath>

using platform::AttributedText;
using platform::TextRange;

const QString BXTextView::MagnifyTextViewNotification = QStringLiteral("MagnifyTextView");

namespace {

const QString kEditImageAction = QStringLiteral("editImage:");
constexpr double kSelectImportedNotesDelay = 0.3;

void trace(const QString& line)
{
    platform::traceLine(QStringLiteral("[BXTextView] ") + line);
}

} // namespace

QString BXTextView::longDate(const QDate& date, const QLocale& locale)
{
    // The toolkit's long format names the weekday; the long date style does not.
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = locale.name().toUtf8();
    // The day's midnight in UTC, formatted in UTC: the same day in every time zone.
    static const char16_t utc[] = u"UTC";
    UDateFormat* format
        = udat_open(UDAT_NONE, UDAT_LONG, name.constData(), utc, -1, nullptr, -1, &status);
    UChar buffer[128];
    int32_t length = 0;
    if (U_SUCCESS(status))
        length = udat_format(format, UDate(date.startOfDay(QTimeZone::utc()).toMSecsSinceEpoch()),
            buffer, 128, nullptr, &status);
    udat_close(format);
    if (U_FAILURE(status))
        return locale.toString(date, QLocale::LongFormat);
    return QString(reinterpret_cast<const QChar*>(buffer), length);
}

BXTextView::BXTextView(QWidget* parent, platform::SpellChecker* spellChecker)
    : TextView(parent, spellChecker)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setAccessibleName(platform::localized(QStringLiteral("Note")));
}

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
        // A press on the one selected attachment may start dragging it out.
        m_attachmentDragStart.reset();
        const auto attachment = selectedAttachmentIndex();
        if (attachment && characterRect(int(*attachment)).contains(event->position().toPoint())) {
            m_attachmentDragStart = event->position().toPoint();
            event->accept();
            return;
        }
    }
    TextView::mousePressEvent(event);
}

const QStringList& BXTextView::textOptionKeys()
{
    static const QStringList keys { QStringLiteral("smartCopyPaste"), QStringLiteral("smartQuotes"),
        QStringLiteral("smartLinks"), QStringLiteral("checkSpelling"),
        QStringLiteral("checkGrammar"), QStringLiteral("autoCorrectSpelling"),
        QStringLiteral("textReplacement"), QStringLiteral("smartDashes") };
    return keys;
}

bool BXTextView::applyTextOptionDefault(const QString& key)
{
    if (!textOptionKeys().contains(key))
        return false;
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    const QVariant value = defaults.objectForKey(key);
    // Settings files give flags back as text; any other kind of value is no switch.
    if (!platform::VariantKind::isBoolean(value) && !platform::VariantKind::isNumber(value)
        && value.typeId() != QMetaType::QString)
        return false;
    TextOptions options = textOptions();
    const bool on = defaults.boolForKey(key);
    if (key == QLatin1String("smartCopyPaste"))
        options.smartCopyPaste = on;
    else if (key == QLatin1String("smartQuotes"))
        options.smartQuotes = on;
    else if (key == QLatin1String("smartLinks"))
        options.smartLinks = on;
    else if (key == QLatin1String("checkSpelling"))
        options.checkSpelling = on;
    else if (key == QLatin1String("smartDashes"))
        options.smartDashes = on;
    setTextOptions(options);
    return true;
}

void BXTextView::applyTextOptionDefaults()
{
    for (const QString& key : textOptionKeys())
        applyTextOptionDefault(key);
}

void BXTextView::paste()
{
    const QMimeData* pasted = QGuiApplication::clipboard()->mimeData();
    if (!isEditable() || !pasted
        || !pasteMimeData(pasted, platform::localized(QStringLiteral("Paste"))))
        platform::UserInput::current().beep();
}

bool BXTextView::pasteMimeData(const QMimeData* pasted, const QString& actionName)
{
    // Pictures come in as attachments; text, whatever styles it was copied with, as plain
    // text in the style typing there would have, so a paste never brings in a look the note
    // does not have.
    if (pasted->hasImage() || pasted->hasFormat(QStringLiteral("image/png"))
        || pasted->hasFormat(QStringLiteral("image/tiff")))
        return insertMimeData(pasted, actionName);
    const QString text = pasted->text();
    if (text.isEmpty())
        return false;
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
    return replaceSelection(smartInsertText(text), format, actionName);
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

std::shared_ptr<BXTextView> BXTextView::makePrintView(
    const QTextDocument& text, BXTextViewDelegate* delegate, const platform::PrintInfo& printInfo)
{
    auto view = std::make_shared<BXTextView>();
    view->setDelegate(delegate);
    view->setGeometry(platform::PrintJob::printViewFrame(printInfo));
    view->setAttributedString(text);
    return view;
}

std::unique_ptr<QTextDocument> BXTextView::pageHeader() const
{
    const QString date = longDate(QDate::currentDate(), QLocale());
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
    // Committed while it keeps the keys (a save as the user types), the view goes on editing.
    if (!hasFocus())
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

std::optional<platform::TextAttachment> BXTextView::imageCellAtIndex(qsizetype index) const
{
    const QTextDocument& doc = *mirror();
    if (index < 0 || index >= AttributedText::length(doc)
        || doc.characterAt(int(index)) != QChar::ObjectReplacementCharacter)
        return std::nullopt;
    QTextCursor cursor(const_cast<QTextDocument*>(&doc));
    cursor.setPosition(int(index) + 1);
    const QTextCharFormat format = cursor.charFormat();
    if (!AttributedText::isAttachment(format))
        return std::nullopt;
    platform::TextAttachment attachment = AttributedText::attachment(doc, format);
    if (!BXAttachmentData::looksLikeImage(attachment.contents))
        return std::nullopt;
    return attachment;
}

std::optional<qsizetype> BXTextView::indexOfSelectedImage() const
{
    const TextRange selection = selectedRange();
    if (selection.length > 1 || !hasImageAtIndex(selection.location))
        return std::nullopt;
    return selection.location;
}

std::optional<qsizetype> BXTextView::imageIndexAt(const QPoint& viewportPoint) const
{
    // A point in a picture's right half is nearer the position after it.
    const int index = characterIndexAt(viewportPoint);
    for (const int candidate : { index, index - 1 }) {
        if (hasImageAtIndex(candidate) && characterRect(candidate).contains(viewportPoint))
            return candidate;
    }
    return std::nullopt;
}

void BXTextView::editImage(qsizetype index)
{
    if (!imageCellAtIndex(index))
        return;
    const QRect rect = characterRect(int(index));
    if (m_bxDelegate && m_bxDelegate->textViewDoubleClickedOnCell(this, index, rect))
        return;
    editImage(index, rect);
}

void BXTextView::editImage(qsizetype index, const QRect& rect)
{
    if (m_imageViewController && m_imageViewController->popoverVisible())
        return;
    if (m_bxDelegate && !m_bxDelegate->textShouldBeginEditing(this).value_or(true))
        return;
    const auto attachment = imageCellAtIndex(index);
    if (!attachment)
        return;
    const QImage image = BXAttachmentData::decodedImage(attachment->contents);
    if (image.isNull()) {
        platform::Alert alert;
        alert.messageText = platform::localized(QStringLiteral("The image cannot be edited."));
        alert.informativeText = platform::localized(
            QStringLiteral("Its data could not be read, or it is too large to edit."));
        platform::AlertPresenter::current().beginSheet(alert, window(), {});
        return;
    }
    if (!m_imageViewController) {
        m_imageViewController = new BXImageViewController;
        m_imageViewController->setDelegate(this);
    }
    const QSizeF pointSize = attachment->size.isValid() ? attachment->size : QSizeF(image.size());
    m_imageViewController->editImage(image, pointSize, viewport(), rect,
        { { QStringLiteral("charIndex"), QVariant::fromValue<qulonglong>(index) } });
}

void BXTextView::imageViewControllerEditedImage(BXImageViewController* controller,
    const QImage& image, const QSizeF& pointSize, const QVariantMap& contextInfo)
{
    Q_UNUSED(controller);
    setImage(
        image, pointSize, qsizetype(contextInfo.value(QStringLiteral("charIndex")).toULongLong()));
}

void BXTextView::imageViewControllerDidClose(BXImageViewController* controller)
{
    if (controller == m_imageViewController)
        m_imageViewController = nullptr;
}

void BXTextView::setImage(const QImage& image, const QSizeF& pointSize, qsizetype index)
{
    if (m_bxDelegate)
        m_bxDelegate->textDidBeginEditing(this);
    const QByteArray png = BXAttachmentData::encoded(image, "PNG");
    QTextCursor at(mirror());
    const bool inside = index >= 0 && index < AttributedText::length(*mirror());
    if (inside)
        at.setPosition(int(index) + 1);
    const QTextCharFormat old = inside ? at.charFormat() : QTextCharFormat();
    if (!png.isEmpty() && AttributedText::isAttachment(old)) {
        const TextRange selection = selectedRange();
        const platform::TextAttachment replacement { png,
            AttributedText::attachment(*mirror(), old).fileName, pointSize };
        performUserEdit(platform::localized(QStringLiteral("Edit Image")), [&] {
            QTextCursor cursor(mirror());
            cursor.setPosition(int(index));
            cursor.setPosition(int(index) + 1, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            cursor.setCharFormat(old);
            AttributedText::insertAttachment(cursor, replacement);
        });
        setSelectedRange(selection);
    }
    if (m_bxDelegate && m_bxDelegate->textShouldEndEditing(this).value_or(true))
        m_bxDelegate->textDidEndEditing(this);
}

QMenu* BXTextView::menuForEvent(const QPoint& viewportPoint)
{
    trace(QStringLiteral("menuForEvent: isBuildingMenu %1").arg(m_isBuildingMenu));
    if (m_isBuildingMenu) {
        trace(QStringLiteral("menuForEvent: recursive call"));
        return new QMenu(QString(), this);
    }
    m_isBuildingMenu = true;
    QMenu* menu = createContextMenu(viewportPoint);
    if (menu && m_bxDelegate)
        m_bxDelegate->textViewMenu(
            this, menu, imageIndexAt(viewportPoint).value_or(characterIndexAt(viewportPoint)));
    m_isBuildingMenu = false;
    if (!menu)
        menu = new QMenu(QString(), this);
    trace(QStringLiteral("super menu: %1 items").arg(menu->actions().size()));
    const auto index = indexOfSelectedImage();
    trace(QStringLiteral("imageIndex: %1").arg(index ? QString::number(*index) : u"nil"_qs));
    if (index) {
        const auto actions = menu->actions();
        const bool present = std::any_of(actions.begin(), actions.end(), [&](QAction* action) {
            return platform::CommandRouter::action(action) == kEditImageAction
                && platform::CommandRouter::representedObject(action).toLongLong() == *index;
        });
        if (!present) {
            if (!actions.isEmpty())
                menu->addSeparator();
            QAction* item = menu->addAction(platform::localized(QStringLiteral("Edit Image…")));
            platform::CommandRouter::setAction(item, kEditImageAction);
            platform::CommandRouter::setTarget(item, this);
            platform::CommandRouter::setRepresentedObject(
                item, QVariant::fromValue(qlonglong(*index)));
            connect(item, &QAction::triggered, this, [this, i = *index] { editImage(i); });
            trace(QStringLiteral("added item: %1").arg(item->text()));
        }
    }
    trace(QStringLiteral("menu: %1 items").arg(menu->actions().size()));
    return menu;
}

void BXTextView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = menuForEvent(event->pos());
    menu->exec(event->globalPos());
    menu->deleteLater();
}

bool BXTextView::respondsTo(const QString& action) const
{
    return action == kEditImageAction || TextView::respondsTo(action);
}

std::optional<bool> BXTextView::validate(platform::Command& command) const
{
    if (command.action != kEditImageAction)
        return TextView::validate(command);
    const auto index = indexOfSelectedImage();
    command.representedObject = index ? QVariant::fromValue(qlonglong(*index)) : QVariant();
    return index.has_value();
}

void BXTextView::perform(const platform::Command& command)
{
    if (command.action == kEditImageAction) {
        if (command.representedObject.isValid())
            editImage(qsizetype(command.representedObject.toLongLong()));
        return;
    }
    TextView::perform(command);
}

std::optional<qsizetype> BXTextView::selectedAttachmentIndex() const
{
    const TextRange selection = selectedRange();
    if (selection.length != 1)
        return std::nullopt;
    QTextCursor cursor(mirror());
    cursor.setPosition(int(selection.end()));
    if (!AttributedText::isAttachment(cursor.charFormat()))
        return std::nullopt;
    return selection.location;
}

QMimeData* BXTextView::mimeDataForSelectedAttachment() const
{
    const auto index = selectedAttachmentIndex();
    if (!index)
        return nullptr;
    QTextCursor cursor(mirror());
    cursor.setPosition(int(*index) + 1);
    return BXAttachmentData::mimeData(AttributedText::attachment(*mirror(), cursor.charFormat()));
}

bool BXTextView::event(QEvent* event)
{
    // The Format menu's key equivalents go to the text before any shortcut of the window.
    if (event->type() == QEvent::ShortcutOverride
        && BXFormatMenu::commandForKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return TextView::event(event);
}

void BXTextView::keyPressEvent(QKeyEvent* event)
{
    if (const std::optional<platform::Command> command = BXFormatMenu::commandForKey(event)) {
        // What the view does not take itself (Default Style) goes along the responder chain.
        platform::CommandRouter::shared().sendAction(
            *command, respondsTo(command->action) ? this : nullptr);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        if (QMimeData* mime = mimeDataForSelectedAttachment()) {
            QGuiApplication::clipboard()->setMimeData(mime);
            return;
        }
    }
    TextView::keyPressEvent(event);
}

void BXTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_attachmentDragStart && event->buttons().testFlag(Qt::LeftButton)
        && (event->position().toPoint() - *m_attachmentDragStart).manhattanLength()
            >= QApplication::startDragDistance()) {
        m_attachmentDragStart.reset();
        if (QMimeData* mime = mimeDataForSelectedAttachment()) {
            auto* drag = new QDrag(this);
            drag->setMimeData(mime);
            drag->exec(Qt::CopyAction);
            return;
        }
    }
    TextView::mouseMoveEvent(event);
}

void BXTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const std::optional<qsizetype> image = event->button() == Qt::LeftButton
        ? imageIndexAt(event->position().toPoint())
        : std::nullopt;
    if (image) {
        setSelectedRange({ *image, 1 });
        editImage(*image);
        return;
    }
    TextView::mouseDoubleClickEvent(event);
}

bool BXTextView::isImportableFile(const QUrl& url)
{
    static const QStringList extensions { QStringLiteral("md"), QStringLiteral("markdown"),
        QStringLiteral("txt") };
    return url.isLocalFile()
        && extensions.contains(QFileInfo(url.toLocalFile()).suffix().toLower());
}

namespace {

QList<QUrl> localFiles(const QMimeData* mime)
{
    QList<QUrl> files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            files << url;
    }
    return files;
}

} // namespace

void BXTextView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        if (localFiles(event->mimeData()).isEmpty() || !isEditable()) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    TextView::dragEnterEvent(event);
}

void BXTextView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        dragEnterEvent(static_cast<QDragEnterEvent*>(event));
        return;
    }
    TextView::dragMoveEvent(event);
}

void BXTextView::dropEvent(QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (mime->hasUrls()) {
        setSelectedRange({ characterIndexAt(event->position().toPoint()), 0 });
        const bool taken = isEditable() && dropFiles(localFiles(mime));
        event->setDropAction(Qt::CopyAction);
        event->setAccepted(taken);
        return;
    }
    if (event->source() == this || !isEditable()) {
        TextView::dropEvent(event);
        return;
    }
    setSelectedRange({ characterIndexAt(event->position().toPoint()), 0 });
    if (pasteMimeData(mime, platform::localized(QStringLiteral("Drop"))))
        event->acceptProposedAction();
    else
        event->ignore();
}

bool BXTextView::dropFiles(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        if (isImportableFile(url)) {
            askToImportFile(url);
            return true;
        }
    }
    bool inserted = false;
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        QImageReader reader(path);
        if (!reader.canRead())
            continue;
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const QImage image = BXAttachmentData::decodedImage(bytes);
        if (image.isNull()) {
            platform::UserInput::current().beep();
            continue;
        }
        const platform::TextAttachment attachment { bytes, QFileInfo(path).fileName(),
            QSizeF(image.size()) };
        performUserEdit(platform::localized(QStringLiteral("Drop")), [&] {
            QTextCursor cursor = textItem()->textCursor();
            cursor.removeSelectedText();
            AttributedText::insertAttachment(cursor, attachment);
            textItem()->setTextCursor(cursor);
        });
        inserted = true;
    }
    return inserted;
}

void BXTextView::askToImportFile(const QUrl& url)
{
    platform::Alert alert;
    alert.style = platform::AlertStyle::Informational;
    alert.messageText = platform::localized(QStringLiteral("alertImportFileTitle"));
    alert.informativeText = platform::localized(QStringLiteral("alertImportFileMessage"));
    alert.buttonTitles = { platform::localized(QStringLiteral("alertImportFileOK")),
        platform::localized(QStringLiteral("alertImportFileCancel")) };
    alert.cancelButton = 1;
    if (platform::AlertPresenter::current().runModal(alert).button != 0)
        return;
    // Into the document of this view's window, whichever document is in front.
    platform::WindowController* controller = platform::WindowController::forWindow(window());
    auto* document = controller ? qobject_cast<BXDocument*>(controller->document()) : nullptr;
    if (!document)
        return;
    QPointer<BXDocument> guard(document);
    document->importNotesAtURLs(
        { url }, {}, [guard](const QList<platform::ManagedObjectPtr>& newNotes) {
            if (!guard || newNotes.isEmpty())
                return;
            // Once the list has taken the new notes in.
            platform::dispatchAfter(kSelectImportedNotesDelay, guard,
                [guard, newNotes] { guard->showNotesInMainWindowList(newNotes); });
        });
}
