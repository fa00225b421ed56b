#include "mainwindow/editor/BXWriterBar.h"

#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/editor/BXTextColorPopover.h"
#include "mainwindow/editor/BXTextView.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"

#include "platform/appkit/ColorPanel.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/Stepper.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Color.h"
#include "platform/text/TextArchiving.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextCursor>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <utility>

using platform::AttributedText;
using platform::TextRange;

namespace {

constexpr int kControlHeight = 22;
constexpr int kPopupWidth = 170;
constexpr int kMinimumPopupWidth = 80;
constexpr int kFieldWidth = 60;
constexpr int kStepperWidth = 19;
constexpr int kButtonSide = 22;
constexpr int kSegmentWidth = 32;
constexpr int kGap = 12;
constexpr int kLeadingMargin = 8;
constexpr int kDefaultStyleIconSize = 16;
constexpr int kFormatIconSize = 20;
const QString kChangeColorAction = platform::ColorPanel::kChangeColorAction;

QFont controlFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(BXWriterBar::kControlFontSize);
    return font;
}

// Stored defaults that do not decode count as absent.
std::optional<QFont> defaultFont()
{
    platform::TextArchiving::registerClasses();
    return platform::Archiver::unarchived<QFont>(
        platform::UserDefaults::standard().dataForKey(DefaultFont), { QStringLiteral("NSFont") });
}

// The stored default colour; the named text colour is the default colour itself (nullopt).
std::optional<QColor> defaultFontColor()
{
    platform::TextArchiving::registerClasses();
    const std::optional<platform::Color> color = platform::Archiver::unarchived<platform::Color>(
        platform::UserDefaults::standard().dataForKey(DefaultFontColor),
        { QStringLiteral("NSColor") });
    if (!color || color->name == QLatin1String("textColor"))
        return std::nullopt;
    return color->rgba;
}

std::optional<QFont> fontIn(const QVariantMap& attributes)
{
    const QVariant font = attributes.value(AttributedText::FontAttributeName);
    return font.isValid() ? std::optional(font.value<QFont>()) : std::nullopt;
}

bool systemIsDark()
{
    return QApplication::palette().color(QPalette::Window).lightness() < 128;
}

QToolButton* makeImageButton(const QIcon& icon, int iconSize, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(icon);
    button->setIconSize(QSize(iconSize, iconSize));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(kButtonSide, kButtonSide);
    return button;
}

// The default style, for a note window: only font and colour come from the defaults.
QVariantMap defaultFontAndColor(const QVariantMap& attributes)
{
    const platform::StringAttributes defaults = BXDocument::defaultStringAttributes();
    QVariantMap converted = attributes;
    converted.insert(AttributedText::FontAttributeName, defaults.characters.font());
    if (defaults.characters.hasProperty(QTextFormat::ForegroundBrush))
        converted.insert(
            AttributedText::ForegroundColorAttributeName, defaults.characters.foreground().color());
    else
        converted.remove(AttributedText::ForegroundColorAttributeName);
    return converted;
}

} // namespace

BXWriterBar::Options BXWriterBar::Options::mainWindow()
{
    Options options;
    options.convertAttributes = &BXMainWindowTextDelegate::convertAttributes;
    return options;
}

BXWriterBar::Options BXWriterBar::Options::noteWindow()
{
    Options options;
    options.barHeight = 32;
    options.initialSizeText = QStringLiteral("13 pt");
    options.localizedTexts = false;
    options.colorButtonToolTip = QStringLiteral("Click to choose a text color");
    options.fontToSelectionOnly = true;
    options.paletteBlackIsTextColor = false;
    options.convertAttributes = &defaultFontAndColor;
    options.defaultStyleSetsTypingAttributes = false;
    return options;
}

BXWriterBar::BXWriterBar(BXTextView* textView, const Options& options, QWidget* parent)
    : QObject(parent), m_textView(textView), m_options(options), m_view(new BXInfoBarView(parent))
{
    m_view->setFixedHeight(options.barHeight);
    // A narrow pane cuts the bar off at its end rather than growing to fit every control.
    m_view->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    buildControls();
    m_view->installEventFilter(this);
    connect(m_textView, &platform::TextView::selectionChanged, this, &BXWriterBar::refresh);
}

BXWriterBar::~BXWriterBar()
{
    delete m_textColorPopover.data();
}

QString BXWriterBar::text(const QString& literal) const
{
    return m_options.localizedTexts ? platform::localized(literal) : literal;
}

void BXWriterBar::buildControls()
{
    auto* layout = static_cast<QHBoxLayout*>(m_view->layout());
    layout->setContentsMargins(kLeadingMargin, 0, kGap, 0);
    layout->setSpacing(0);
    int index = 0;
    auto add = [&](QWidget* control, int gapBefore) {
        auto* gap = new QSpacerItem(gapBefore, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
        layout->insertItem(index++, gap);
        layout->insertWidget(index++, control, 0, Qt::AlignVCenter);
        m_leadingControls.append({ control, gap, gapBefore });
    };

    m_fontPopupButton = new platform::PopUpButton(m_view);
    m_fontPopupButton->setControlFont(controlFont());
    m_fontPopupButton->setFocusPolicy(Qt::TabFocus);
    m_fontPopupButton->setFixedSize(kPopupWidth, kControlHeight);
    buildFontMenu();
    add(m_fontPopupButton, 0);

    m_fontSizeTextField = new QLineEdit(m_options.initialSizeText, m_view);
    m_fontSizeTextField->setFont(controlFont());
    m_fontSizeTextField->setAlignment(Qt::AlignCenter);
    m_fontSizeTextField->setAccessibleName(text(QStringLiteral("Font Size")));
    m_fontSizeTextField->setFixedSize(kFieldWidth, kControlHeight);
    connect(m_fontSizeTextField, &QLineEdit::returnPressed, this,
        &BXWriterBar::fontSizeTextFieldAction);
    // Leaving a changed field sends its action too, as Return does.
    connect(m_fontSizeTextField, &QLineEdit::editingFinished, this, [this] {
        if (m_fontSizeTextField->isModified())
            fontSizeTextFieldAction();
    });
    add(m_fontSizeTextField, kGap);

    m_fontSizeStepper = new platform::Stepper(m_view);
    m_fontSizeStepper->setMinimum(kMinimumFontSize);
    m_fontSizeStepper->setMaximum(kMaximumFontSize);
    m_fontSizeStepper->setIncrement(1);
    m_fontSizeStepper->setAccessibleName(text(QStringLiteral("Font Size")));
    m_fontSizeStepper->setFocusPolicy(Qt::TabFocus);
    m_fontSizeStepper->setFixedSize(kStepperWidth, kControlHeight);
    connect(
        m_fontSizeStepper, &platform::Stepper::stepped, this, &BXWriterBar::fontSizeStepperAction);
    add(m_fontSizeStepper, 0);

    m_textColorButton = makeImageButton(QIcon(), kSwatchSize, m_view);
    m_textColorButton->setToolTip(text(m_options.colorButtonToolTip));
    m_textColorButton->setAccessibleName(text(QStringLiteral("Text Color")));
    connect(m_textColorButton, &QToolButton::clicked, this, &BXWriterBar::textColorButtonClicked);
    add(m_textColorButton, kGap);
    // The same palette in every window, its button titled through the strings table.
    m_textColorPopover = new BXTextColorPopover(
        platform::localized(QStringLiteral("textColorOtherColorsButton")), m_view);
    connect(
        m_textColorPopover, &BXTextColorPopover::colorChosen, this, &BXWriterBar::colorCellClicked);
    connect(m_textColorPopover, &BXTextColorPopover::otherColorsRequested, this,
        &BXWriterBar::showColorPanel);
    connect(m_textColorPopover, &BXTextColorPopover::closed, this,
        [this] { qApp->removeEventFilter(this); });

    m_defaultStyleTitle = text(QStringLiteral("Default Style"));
    m_defaultStyleButton = new QPushButton(
        platform::SymbolIcon::named(QStringLiteral("textformat")), m_defaultStyleTitle, m_view);
    m_defaultStyleButton->setIconSize(QSize(kDefaultStyleIconSize, kDefaultStyleIconSize));
    m_defaultStyleButton->setFont(controlFont());
    m_defaultStyleButton->setAccessibleName(m_defaultStyleTitle);
    m_defaultStyleButton->setToolTip(text(QStringLiteral("Apply default style to selected text")));
    m_defaultStyleButton->setFocusPolicy(Qt::TabFocus);
    m_defaultStyleButton->setFixedHeight(kControlHeight);
    connect(m_defaultStyleButton, &QPushButton::clicked, this, &BXWriterBar::setDefaultStyle);
    add(m_defaultStyleButton, kGap);

    m_formatButton = makeImageButton(
        platform::SymbolIcon::named(QStringLiteral("ellipsis.circle")), kFormatIconSize, m_view);
    m_formatButton->setAccessibleName(text(QStringLiteral("Format")));
    m_formatButton->setToolTip(text(QStringLiteral("Format options")));
    connect(m_formatButton, &QToolButton::clicked, this,
        [this] { emit formatButtonClicked(m_formatButton); });
    add(m_formatButton, kGap);

    // The empty info line takes the room between the buttons and the switch.
    m_appearanceControl = new platform::SegmentedControl(m_view);
    m_appearanceControl->setSegmentCount(2);
    m_appearanceControl->setTracking(platform::SegmentedControl::Tracking::SelectOne);
    const QIcon sun = platform::SymbolIcon::named(QStringLiteral("sun.max"));
    const QIcon moon = platform::SymbolIcon::named(QStringLiteral("moon"));
    const bool iconsMissing = sun.isNull() || moon.isNull();
    m_appearanceControl->setTextOnly(iconsMissing);
    m_appearanceControl->setIcon(0, sun);
    m_appearanceControl->setIcon(1, moon);
    m_appearanceControl->setLabel(
        0, iconsMissing ? QStringLiteral("\u2600\uFE0F") : text(QStringLiteral("Light")));
    m_appearanceControl->setLabel(
        1, iconsMissing ? QStringLiteral("\U0001F319") : text(QStringLiteral("Dark")));
    const QString appearanceTip = text(QStringLiteral("Choose editor appearance"));
    for (int segment = 0; segment < 2; ++segment) {
        m_appearanceControl->setWidth(segment, kSegmentWidth);
        m_appearanceControl->setToolTip(segment, appearanceTip);
        m_appearanceControl->buttonForSegment(segment)->setFocusPolicy(Qt::TabFocus);
    }
    m_appearanceControl->QWidget::setToolTip(appearanceTip);
    m_appearanceControl->setFixedHeight(kControlHeight);
    // A wide bar leaves its room to the empty line: buttons and segments keep their size.
    m_appearanceControl->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_defaultStyleButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_appearanceControl, &platform::SegmentedControl::segmentClicked, this,
        &BXWriterBar::appearanceControlChanged);
    layout->addWidget(m_appearanceControl, 0, Qt::AlignVCenter);

    updateFontPopupSelection();
    updateTextColorControl();
    updateAppearanceControl();
}

void BXWriterBar::buildFontMenu()
{
    QStringList families = QFontDatabase::families();
    std::sort(families.begin(), families.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& family : std::as_const(families)) {
        // The family's regular face: the database lists its members in no fixed order.
        std::optional<QFont> font;
        if (!QFontDatabase::styles(family).isEmpty()) {
            font = QFont(family);
            font->setPointSizeF(kFamilyFontSize);
        }
        QAction* item = m_fontPopupButton->addItem(family, 0, font);
        item->setData(family);
    }
    connect(m_fontPopupButton, &platform::PopUpButton::itemChosen, this,
        [this](QAction* item) { fontPopupAction(item->data().toString()); });
}

bool BXWriterBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::Resize)
        fitToWidth();
    // The palette closes on any press outside it; the colour button's own click that follows
    // must not open it again.
    if (watched == m_textColorButton && event->type() == QEvent::MouseButtonPress
        && m_textColorPopover->isVisible())
        m_closingPopover = true;
    return QObject::eventFilter(watched, event);
}

int BXWriterBar::neededWidth() const
{
    m_view->layout()->invalidate();
    return m_view->layout()->minimumSize().width();
}

void BXWriterBar::fitToWidth()
{
    if (m_fullWidth == 0) {
        m_defaultStyleButton->setText(m_defaultStyleTitle);
        m_fullWidth = neededWidth();
    }
    const int width = m_view->width();
    const QString title = width < m_fullWidth ? QString() : m_defaultStyleTitle;
    if (m_defaultStyleButton->text() != title)
        m_defaultStyleButton->setText(title);
    // Measured from the widest pop-up with every control shown; a layout squeezed below its
    // minimum would draw fixed-size controls over each other.
    for (const LeadingControl& leading : std::as_const(m_leadingControls))
        leading.control->setVisible(true);
    m_appearanceControl->setVisible(true);
    updateGaps();
    m_fontPopupButton->setFixedWidth(kPopupWidth);
    const int shortfall = neededWidth() - width;
    if (shortfall > 0)
        m_fontPopupButton->setFixedWidth(std::max(kMinimumPopupWidth, kPopupWidth - shortfall));
    // Left out first to last: the trailing buttons, then the swatch, then the font pop-up; the
    // size keeps its field and stepper longest.
    const QList<QWidget*> leftOut = { m_appearanceControl, m_formatButton, m_defaultStyleButton,
        m_textColorButton, m_fontPopupButton, m_fontSizeStepper, m_fontSizeTextField };
    for (QWidget* control : leftOut) {
        if (neededWidth() <= width)
            break;
        control->setVisible(false);
        updateGaps();
    }
}

void BXWriterBar::updateGaps()
{
    // A gap separates a control from a shown one before it; a left-out control leaves none.
    bool shownBefore = false;
    for (const LeadingControl& leading : std::as_const(m_leadingControls)) {
        const bool shown = !leading.control->isHidden();
        leading.gap->changeSize(shown && shownBefore ? leading.gapWidth : 0, 0, QSizePolicy::Fixed,
            QSizePolicy::Minimum);
        shownBefore = shownBefore || shown;
    }
    m_view->layout()->invalidate();
}

QVariantMap BXWriterBar::selectionOrTypingAttributes() const
{
    const QTextDocument& text = *m_textView->mirror();
    const TextRange selection = m_textView->selectedRange();
    if (selection.length > 0 && selection.location < AttributedText::length(text))
        return AttributedText::attributes(text, selection.location);
    return AttributedText::characterAttributes(text, m_textView->typingAttributes());
}

void BXWriterBar::applyCharacterAttributes(
    const QVariantMap& attributes, const QString& actionName, bool selectionOnly)
{
    const TextRange selection = m_textView->selectedRange();
    if (selection.length > 0) {
        if (!m_textView->isEditable())
            return;
        QTextDocument& text = *m_textView->mirror();
        m_textView->performUserEdit(platform::localized(actionName),
            [&] { AttributedText::addAttributes(text, attributes, selection); });
        return;
    }
    if (selectionOnly)
        return;
    QTextCharFormat typing = m_textView->typingAttributes();
    typing.merge(AttributedText::characterFormat(attributes));
    m_textView->setTypingAttributes(typing);
}

void BXWriterBar::fontPopupAction(const QString& family)
{
    if (family.isEmpty())
        return;
    const QTextDocument& text = *m_textView->mirror();
    const qsizetype length = AttributedText::length(text);
    const TextRange selection = m_textView->selectedRange();
    // The size of the selection's first character, or else of the note's first one: the
    // caret's own size is not consulted.
    double size = AttributedText::systemFont().pointSizeF();
    const qsizetype sample = selection.length > 0 && selection.location < length
        ? selection.location
        : length > 0 ? 0
                     : -1;
    if (sample >= 0) {
        const std::optional<QFont> font = fontIn(AttributedText::attributes(text, sample));
        if (font && font->pointSizeF() > 0)
            size = font->pointSizeF();
    }
    QFont font = AttributedText::systemFont();
    if (QFontDatabase::hasFamily(family))
        font = QFont(family);
    font.setPointSizeF(size);
    applyCharacterAttributes({ { AttributedText::FontAttributeName, font } },
        QStringLiteral("Set Font"), m_options.fontToSelectionOnly);
    if (!m_fontPopupButton->selectItemWithTitle(font.family()))
        m_fontPopupButton->setTitle(font.family());
    updateFontSizeControl();
}

void BXWriterBar::fontSizeStepperAction()
{
    const double size = m_fontSizeStepper->value();
    m_fontSizeTextField->setText(fontSizeText(size));
    applyFontSize(size);
}

void BXWriterBar::fontSizeTextFieldAction()
{
    const double size = fontSizeFromText(m_fontSizeTextField->text());
    m_fontSizeTextField->setText(fontSizeText(size));
    m_fontSizeTextField->setModified(false);
    m_fontSizeStepper->setValue(size);
    applyFontSize(size);
}

double BXWriterBar::fontSizeFromText(const QString& text)
{
    QString number = text;
    number.remove(QStringLiteral("pt"));
    bool ok = false;
    const double size = number.trimmed().toDouble(&ok);
    // "nan" reads as a number, and would compare neither below nor above the range.
    if (!ok || std::isnan(size) || size < kMinimumFontSize)
        return kMinimumFontSize;
    return std::min(size, kMaximumFontSize);
}

QString BXWriterBar::fontSizeText(double size)
{
    return QString::asprintf("%.0f pt", size);
}

void BXWriterBar::applyFontSize(double size)
{
    std::optional<QFont> font = fontIn(selectionOrTypingAttributes());
    if (!font)
        font = defaultFont();
    if (!font || !(size > 0))
        return;
    // One font over the whole selection: the first character's, at the new size.
    font->setPointSizeF(size);
    applyCharacterAttributes({ { AttributedText::FontAttributeName, *font } },
        QStringLiteral("Set Font"), m_options.fontToSelectionOnly);
    updateFontPopupSelection();
    updateFontSizeControl();
}

std::optional<QColor> BXWriterBar::currentTextColor() const
{
    const QTextDocument& text = *m_textView->mirror();
    const qsizetype length = AttributedText::length(text);
    const TextRange selection = m_textView->selectedRange();
    const auto colorAt = [&text](qsizetype index) -> std::optional<QColor> {
        const QVariant value
            = AttributedText::attribute(text, AttributedText::ForegroundColorAttributeName, index);
        return value.isValid() ? std::optional(value.value<QColor>()) : std::nullopt;
    };
    // A selection shows its first character's colour, as it shows its first character's font:
    // the typing attributes are those at the caret, the selection's end.
    const bool selected = selection.length > 0 && selection.location < length;
    std::optional<QColor> color = selected ? colorAt(selection.location) : std::nullopt;
    const QTextCharFormat typing = m_textView->typingAttributes();
    if (!color && typing.hasProperty(QTextFormat::ForegroundBrush))
        color = typing.foreground().color();
    if (!color && !selected) {
        if (selection.location > 0 && selection.location <= length)
            color = colorAt(selection.location - 1);
        else if (length > 0)
            color = colorAt(0);
    }
    return color ? color : defaultFontColor();
}

QImage BXWriterBar::swatchImage(const std::optional<QColor>& color)
{
    QImage image(kSwatchSize, kSwatchSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A tertiary label colour: black, mostly transparent.
    painter.setPen(QPen(QColor(0, 0, 0, 66), 2));
    painter.setBrush(color ? color->toRgb() : QColor(Qt::black));
    painter.drawEllipse(QRectF(2, 2, 14, 14));
    return image;
}

void BXWriterBar::updateTextColorControl()
{
    const std::optional<QColor> color = currentTextColor();
    // Redrawn only when it changes: this runs on every caret move.
    if (m_swatchColor && *m_swatchColor == color)
        return;
    m_swatchColor = color;
    m_textColorButton->setIcon(QIcon(QPixmap::fromImage(swatchImage(color))));
}

void BXWriterBar::textColorButtonClicked()
{
    if (std::exchange(m_closingPopover, false))
        return;
    if (m_textColorPopover->isVisible()) {
        m_textColorPopover->close();
        return;
    }
    m_textColorPopover->showRelativeTo(
        m_textColorButton->rect(), m_textColorButton, platform::PopupWidget::Edge::Bottom);
    // Installed after the palette's own filter, so it sees a press before the palette closes.
    qApp->installEventFilter(this);
}

void BXWriterBar::colorCellClicked(const QColor& color)
{
    if (!color.isValid())
        return;
    const bool textColor = m_options.paletteBlackIsTextColor && color.toRgb() == QColor(Qt::black);
    applyTextColor(textColor ? std::nullopt : std::optional(color));
    m_textColorPopover->close();
}

void BXWriterBar::showColorPanel()
{
    m_textColorPopover->close();
    platform::ColorPanel& panel = platform::ColorPanel::shared();
    panel.setPanelColor(currentTextColor().value_or(m_textView->palette().color(QPalette::Text)));
    panel.orderFront();
}

void BXWriterBar::colorPanelChanged(const QColor& color)
{
    if (color.isValid())
        applyTextColor(color);
}

void BXWriterBar::applyTextColor(const std::optional<QColor>& color)
{
    const TextRange selection = m_textView->selectedRange();
    if (selection.length > 0) {
        if (!m_textView->isEditable())
            return;
        QTextDocument& text = *m_textView->mirror();
        m_textView->performUserEdit(platform::localized(QStringLiteral("Set Color")), [&] {
            if (color)
                AttributedText::addAttribute(
                    text, AttributedText::ForegroundColorAttributeName, *color, selection);
            else
                AttributedText::removeAttribute(
                    text, AttributedText::ForegroundColorAttributeName, selection);
        });
    } else {
        QTextCharFormat typing = m_textView->typingAttributes();
        if (color)
            typing.setForeground(*color);
        else
            typing.clearForeground();
        m_textView->setTypingAttributes(typing);
    }
    updateTextColorControl();
}

void BXWriterBar::setDefaultStyle()
{
    const TextRange selection = m_textView->selectedRange();
    if (selection.length > 0 && m_textView->isEditable() && m_options.convertAttributes) {
        QTextDocument& text = *m_textView->mirror();
        m_textView->performUserEdit(platform::localized(QStringLiteral("Default Style")), [&] {
            qsizetype position = selection.location;
            while (position < selection.end()) {
                TextRange run;
                const QVariantMap attributes = AttributedText::attributes(text, position, &run);
                const qsizetype end = std::min(run.end(), selection.end());
                if (!attributes.contains(AttributedText::AttachmentAttributeName)) {
                    const QVariantMap converted = m_options.convertAttributes(attributes);
                    QTextCursor cursor(&text);
                    cursor.setPosition(int(position));
                    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
                    cursor.setCharFormat(AttributedText::characterFormat(converted));
                    const QVariant style
                        = converted.value(AttributedText::ParagraphStyleAttributeName);
                    if (style.isValid())
                        AttributedText::addAttribute(text,
                            AttributedText::ParagraphStyleAttributeName, style,
                            { position, end - position });
                }
                position = std::max(end, position + 1);
            }
        });
    } else if (selection.length == 0 && m_options.defaultStyleSetsTypingAttributes) {
        m_textView->setTypingAttributes(BXDocument::defaultStringAttributes().characters);
    }
    updateTextColorControl();
    updateFontPopupSelection();
    updateFontSizeControl();
}

void BXWriterBar::updateFontPopupSelection()
{
    const QFont font
        = fontIn(selectionOrTypingAttributes()).value_or(m_textView->mirror()->defaultFont());
    QString name = font.family();
    if (name.startsWith(QLatin1Char('.')) || name == QLatin1String("AppleSystemUIFont"))
        name = QStringLiteral("SF Pro");
    const QAction* shown = m_fontPopupButton->selectedItem();
    if (!shown || shown->text() != name) {
        if (!m_fontPopupButton->selectItemWithTitle(name))
            m_fontPopupButton->setTitle(name);
    }
    updateFontSizeControl();
}

void BXWriterBar::updateFontSizeControl()
{
    const QTextDocument& text = *m_textView->mirror();
    double size = 0;
    // Text without a font of its own shows in the text's default font.
    const std::optional<QFont> font = AttributedText::length(text) > 0
        ? fontIn(selectionOrTypingAttributes()).value_or(text.defaultFont())
        : std::optional<QFont>();
    if (font) {
        size = font->pointSizeF();
    } else if (const std::optional<QFont> fallback = defaultFont()) {
        size = fallback->pointSizeF();
    }
    if (!(size > 0))
        return;
    const QString shown = fontSizeText(size);
    if (m_fontSizeTextField->text() != shown)
        m_fontSizeTextField->setText(shown);
    m_fontSizeStepper->setValue(size);
}

void BXWriterBar::refresh()
{
    updateFontPopupSelection();
    updateFontSizeControl();
    updateTextColorControl();
}

void BXWriterBar::applyEditorAppearance(platform::TextView::Appearance appearance)
{
    m_textView->setAppearance(appearance);
    emit appearanceChanged();
}

void BXWriterBar::setEditorAppearanceLight()
{
    applyEditorAppearance(platform::TextView::Appearance::Light);
    platform::UserDefaults::standard().setInteger(BXEditorAppearance, 0);
}

void BXWriterBar::setEditorAppearanceDark()
{
    applyEditorAppearance(platform::TextView::Appearance::Dark);
    platform::UserDefaults::standard().setInteger(BXEditorAppearance, 1);
}

void BXWriterBar::appearanceControlChanged(int segment)
{
    if (segment == 0)
        setEditorAppearanceLight();
    else if (segment == 1)
        setEditorAppearanceDark();
}

void BXWriterBar::updateAppearanceControl()
{
    // Showing the choice writes nothing: only the user's click does.
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (defaults.objectForKey(BXEditorAppearance).isValid()) {
        // Any stored value but 0 is dark, as setting it treats it: there is no third segment.
        const bool dark = defaults.integerForKey(BXEditorAppearance) != 0;
        m_appearanceControl->setSelectedSegment(dark ? 1 : 0);
        applyEditorAppearance(
            dark ? platform::TextView::Appearance::Dark : platform::TextView::Appearance::Light);
        return;
    }
    m_appearanceControl->setSelectedSegment(systemIsDark() ? 1 : 0);
    applyEditorAppearance(platform::TextView::Appearance::System);
}

bool BXWriterBar::respondsTo(const QString& action) const
{
    return action == kSetDefaultStyleAction || action == kChangeColorAction;
}

std::optional<bool> BXWriterBar::validate(platform::Command& command) const
{
    if (command.action == kSetDefaultStyleAction) {
        const QWidget* window = m_textView->window();
        return window && window->focusWidget() == m_textView;
    }
    return std::nullopt;
}

void BXWriterBar::perform(const platform::Command& command)
{
    if (command.action == kSetDefaultStyleAction)
        setDefaultStyle();
    else if (command.action == kChangeColorAction)
        colorPanelChanged(command.representedObject.value<QColor>());
}
