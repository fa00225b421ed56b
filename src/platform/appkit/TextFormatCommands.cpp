#include "TextFormatCommands.h"

#include "ColorPanel.h"
#include "FontPanel.h"
#include "ParagraphSpacingPanel.h"
#include "TextListPanel.h"
#include "TextStylePasteboard.h"
#include "TextView.h"

#include "platform/foundation/Localized.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextListMarkers.h"

#include <QGraphicsTextItem>
#include <QHash>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>

#include <functional>

namespace platform {

namespace {

using FormatChange = std::function<void(QTextCharFormat&)>;

enum class Kind {
    Character,
    Paragraph,
    FontPanel,
    ColorPanel,
    CopyFont,
    PasteFont,
    CopyRuler,
    PasteRuler,
    ListPanel,
    SpacingPanel
};

struct Entry {
    Kind kind;
    const char* undoName = nullptr;
};

constexpr int kBoldTrait = 2;
constexpr int kItalicTrait = 1;
constexpr int kSizeUp = 3;
constexpr int kSizeDown = 4;
constexpr double kKernStep = 0.5;
constexpr double kBaselineStep = 1;

const QHash<QString, Entry>& entries()
{
    static const QHash<QString, Entry> table {
        { QStringLiteral("orderFrontFontPanel:"), { Kind::FontPanel } },
        { QStringLiteral("orderFrontColorPanel:"), { Kind::ColorPanel } },
        { FontPanel::kChangeFontAction, { Kind::Character, "Set Font" } },
        { ColorPanel::kChangeColorAction, { Kind::Character, "Set Color" } },
        { QStringLiteral("addFontTrait:"), { Kind::Character, "Set Font" } },
        { QStringLiteral("modifyFont:"), { Kind::Character, "Set Font" } },
        { QStringLiteral("underline:"), { Kind::Character, "Underline" } },
        { QStringLiteral("useStandardKerning:"), { Kind::Character, "Kern" } },
        { QStringLiteral("turnOffKerning:"), { Kind::Character, "Kern" } },
        { QStringLiteral("tightenKerning:"), { Kind::Character, "Kern" } },
        { QStringLiteral("loosenKerning:"), { Kind::Character, "Kern" } },
        { QStringLiteral("useStandardLigatures:"), { Kind::Character, "Ligature" } },
        { QStringLiteral("turnOffLigatures:"), { Kind::Character, "Ligature" } },
        { QStringLiteral("useAllLigatures:"), { Kind::Character, "Ligature" } },
        { QStringLiteral("unscript:"), { Kind::Character, "Baseline" } },
        { QStringLiteral("superscript:"), { Kind::Character, "Baseline" } },
        { QStringLiteral("subscript:"), { Kind::Character, "Baseline" } },
        { QStringLiteral("raiseBaseline:"), { Kind::Character, "Baseline" } },
        { QStringLiteral("lowerBaseline:"), { Kind::Character, "Baseline" } },
        { QStringLiteral("copyFont:"), { Kind::CopyFont } },
        { QStringLiteral("pasteFont:"), { Kind::PasteFont, "Paste Style" } },
        { QStringLiteral("copyRuler:"), { Kind::CopyRuler } },
        { QStringLiteral("pasteRuler:"), { Kind::PasteRuler, "Paste Ruler" } },
        { QStringLiteral("alignLeft:"), { Kind::Paragraph, "Alignment" } },
        { QStringLiteral("alignCenter:"), { Kind::Paragraph, "Alignment" } },
        { QStringLiteral("alignJustified:"), { Kind::Paragraph, "Alignment" } },
        { QStringLiteral("alignRight:"), { Kind::Paragraph, "Alignment" } },
        { QStringLiteral("makeBaseWritingDirectionNatural:"),
            { Kind::Paragraph, "Writing Direction" } },
        { QStringLiteral("makeBaseWritingDirectionLeftToRight:"),
            { Kind::Paragraph, "Writing Direction" } },
        { QStringLiteral("makeBaseWritingDirectionRightToLeft:"),
            { Kind::Paragraph, "Writing Direction" } },
        { QStringLiteral("orderFrontListPanel:"), { Kind::ListPanel, "List" } },
        { QStringLiteral("orderFrontSpacingPanel:"), { Kind::SpacingPanel, "Spacing" } },
    };
    return table;
}

bool isBold(const QTextCharFormat& format)
{
    return format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::DemiBold;
}

void setPointSize(QTextCharFormat& format, double points)
{
    format.clearProperty(QTextFormat::FontSizeAdjustment);
    format.clearProperty(QTextFormat::FontPixelSize);
    format.setFontPointSize(points);
}

void setUnderline(QTextCharFormat& format, bool on)
{
    format.clearProperty(AttributedText::UnderlineMaskProperty);
    format.clearProperty(QTextFormat::TextUnderlineStyle);
    format.clearProperty(QTextFormat::FontUnderline);
    if (on) {
        format.setProperty(AttributedText::UnderlineMaskProperty, 1);
        format.setFontUnderline(true);
    }
}

// What a character command does to each run; `first` is the selection's first character,
// which decides whether a toggle turns on or off.
FormatChange characterChange(const Command& command, const QTextCharFormat& first)
{
    const QString& action = command.action;
    if (action == FontPanel::kChangeFontAction) {
        const QFont font = command.representedObject.value<QFont>();
        return [font](QTextCharFormat& format) {
            if (!font.family().isEmpty())
                format.setFontFamilies(QStringList { font.family() });
            if (font.pointSizeF() > 0)
                setPointSize(format, font.pointSizeF());
            format.setFontWeight(font.bold() ? QFont::Bold : QFont::Normal);
            format.setFontItalic(font.italic());
        };
    }
    if (action == ColorPanel::kChangeColorAction) {
        const QColor color = command.representedObject.value<QColor>();
        return [color](QTextCharFormat& format) { format.setForeground(color); };
    }
    if (action == u"addFontTrait:") {
        if (command.tag == kBoldTrait) {
            const bool bold = !isBold(first);
            return [bold](QTextCharFormat& format) {
                format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
            };
        }
        if (command.tag == kItalicTrait) {
            const bool italic = !first.fontItalic();
            return [italic](QTextCharFormat& format) { format.setFontItalic(italic); };
        }
        // Traits other than these two are no part of the text's fonts.
        return [](QTextCharFormat&) { };
    }
    if (action == u"modifyFont:") {
        const double step = command.tag == kSizeUp ? 1 : command.tag == kSizeDown ? -1 : 0;
        return [step](QTextCharFormat& format) {
            double size = AttributedText::fontPointSize(format);
            if (size <= 0)
                size = AttributedText::systemFont().pointSizeF();
            setPointSize(format, std::max(1.0, size + step));
        };
    }
    if (action == u"underline:") {
        const bool on = AttributedText::underlineStyle(first) == 0;
        return [on](QTextCharFormat& format) { setUnderline(format, on); };
    }
    if (action == u"useStandardKerning:" || action == u"turnOffKerning:") {
        const bool off = action == u"turnOffKerning:";
        return [off](QTextCharFormat& format) {
            AttributedText::setLetterSpacing(format, 0);
            if (off)
                format.setFontKerning(false);
            else
                format.clearProperty(QTextFormat::FontKerning);
        };
    }
    if (action == u"tightenKerning:" || action == u"loosenKerning:") {
        const double step = action == u"tightenKerning:" ? -kKernStep : kKernStep;
        return [step](QTextCharFormat& format) {
            AttributedText::setLetterSpacing(format, AttributedText::letterSpacing(format) + step);
        };
    }
    if (action == u"useStandardLigatures:" || action == u"turnOffLigatures:"
        || action == u"useAllLigatures:") {
        const int level = action == u"turnOffLigatures:" ? 0 : 1;
        return [level](QTextCharFormat& format) { AttributedText::setLigature(format, level); };
    }
    if (action == u"superscript:" || action == u"subscript:") {
        const auto alignment = action == u"superscript:" ? QTextCharFormat::AlignSuperScript
                                                         : QTextCharFormat::AlignSubScript;
        return [alignment](QTextCharFormat& format) { format.setVerticalAlignment(alignment); };
    }
    if (action == u"unscript:") {
        return [](QTextCharFormat& format) {
            format.clearProperty(QTextFormat::TextVerticalAlignment);
            AttributedText::setBaselineOffset(format, 0);
        };
    }
    // raiseBaseline: and lowerBaseline:
    const double step = action == u"raiseBaseline:" ? kBaselineStep : -kBaselineStep;
    return [step](QTextCharFormat& format) {
        AttributedText::setBaselineOffset(
            format, format.doubleProperty(AttributedText::BaselineOffsetProperty) + step);
    };
}

std::function<void(ParagraphStyle&)> paragraphChange(const QString& action)
{
    static const QHash<QString, TextAlignment> alignments {
        { QStringLiteral("alignLeft:"), TextAlignment::Left },
        { QStringLiteral("alignCenter:"), TextAlignment::Center },
        { QStringLiteral("alignJustified:"), TextAlignment::Justified },
        { QStringLiteral("alignRight:"), TextAlignment::Right },
    };
    if (const auto alignment = alignments.constFind(action); alignment != alignments.constEnd()) {
        const TextAlignment value = *alignment;
        return [value](ParagraphStyle& style) { style.alignment = value; };
    }
    const WritingDirection direction = action.endsWith(u"LeftToRight:")
        ? WritingDirection::LeftToRight
        : action.endsWith(u"RightToLeft:") ? WritingDirection::RightToLeft
                                           : WritingDirection::Natural;
    return [direction](ParagraphStyle& style) { style.baseWritingDirection = direction; };
}

StringAttributes selectedStyle(const TextView& view)
{
    const QTextCursor selection = view.textItem()->textCursor();
    return { view.selectedCharacterFormat(),
        view.mirror()->findBlock(selection.selectionStart()).blockFormat() };
}

// Pasted character attributes replace a run's own; links stay, pictures are left alone.
void pasteStyle(TextView& view, const QTextCharFormat& style, const QString& undoName)
{
    view.changeCharacterFormats(undoName, [&style](QTextCharFormat& format) {
        if (AttributedText::isAttachment(format))
            return;
        QTextCharFormat pasted = style;
        if (format.isAnchor()) {
            pasted.setAnchor(true);
            pasted.setAnchorHref(format.anchorHref());
        }
        format = pasted;
    });
}

void openListPanel(TextView& view, const QString& undoName)
{
    auto* panel = new TextListPanel(view.window());
    QPointer<TextView> target(&view);
    QObject::connect(panel, &QDialog::accepted, &view, [target, panel, undoName] {
        if (!target || !target->isEditable())
            return;
        const QTextCursor selection = target->textItem()->textCursor();
        const QTextListFormat::Style style = panel->markerStyle();
        target->performUserEdit(undoName, [&] {
            TextListMarkers::apply(
                *target->mirror(), selection.selectionStart(), selection.selectionEnd(), style);
        });
    });
    panel->open();
}

void openSpacingPanel(TextView& view, const QString& undoName)
{
    auto* panel = new ParagraphSpacingPanel(view.currentParagraphStyle(), view.window());
    QPointer<TextView> target(&view);
    QObject::connect(panel, &QDialog::accepted, &view, [target, panel, undoName] {
        if (target)
            target->changeParagraphStyles(
                undoName, [panel](ParagraphStyle& style) { panel->applyTo(style); });
    });
    panel->open();
}

} // namespace

bool TextFormatCommands::respondsTo(const QString& action)
{
    return entries().contains(action);
}

std::optional<bool> TextFormatCommands::validate(const TextView& view, Command& command)
{
    const auto entry = entries().constFind(command.action);
    if (entry == entries().constEnd())
        return std::nullopt;
    switch (entry->kind) {
    case Kind::FontPanel:
    case Kind::ColorPanel:
    case Kind::CopyFont:
    case Kind::CopyRuler:
        return true;
    case Kind::PasteFont:
        return view.isEditable()
            && TextStylePasteboard::shared().hasStyle(TextStylePasteboard::Kind::Font);
    case Kind::PasteRuler:
        return view.isEditable()
            && TextStylePasteboard::shared().hasStyle(TextStylePasteboard::Kind::Ruler);
    case Kind::Paragraph:
        if (command.action.startsWith(u"makeBaseWritingDirection")) {
            ParagraphStyle style;
            paragraphChange(command.action)(style);
            command.checked
                = view.currentParagraphStyle().baseWritingDirection == style.baseWritingDirection;
        }
        return view.isEditable();
    case Kind::Character:
    case Kind::ListPanel:
    case Kind::SpacingPanel:
        return view.isEditable();
    }
    return std::nullopt;
}

void TextFormatCommands::perform(TextView& view, const Command& command)
{
    const auto entry = entries().constFind(command.action);
    if (entry == entries().constEnd())
        return;
    const QString undoName
        = entry->undoName ? localized(QString::fromLatin1(entry->undoName)) : QString();
    switch (entry->kind) {
    case Kind::FontPanel: {
        const QVariantMap attributes
            = AttributedText::characterAttributes(*view.mirror(), view.selectedCharacterFormat());
        FontPanel::shared().setPanelFont(
            attributes.value(AttributedText::FontAttributeName, AttributedText::systemFont())
                .value<QFont>());
        FontPanel::shared().orderFront();
        return;
    }
    case Kind::ColorPanel: {
        const QTextCharFormat format = view.selectedCharacterFormat();
        if (format.hasProperty(QTextFormat::ForegroundBrush))
            ColorPanel::shared().setPanelColor(format.foreground().color());
        ColorPanel::shared().orderFront();
        return;
    }
    case Kind::Character:
        view.changeCharacterFormats(undoName,
            [change = characterChange(command, view.selectedCharacterFormat()),
                base = view.mirror()->defaultFont()](QTextCharFormat& format) {
                change(format);
                // A new font or size changes the share of its height a raised run is drawn by.
                AttributedText::updateDrawnBaselineOffset(format, base);
            });
        return;
    case Kind::Paragraph:
        view.changeParagraphStyles(undoName, paragraphChange(command.action));
        return;
    case Kind::CopyFont:
        TextStylePasteboard::shared().copy(TextStylePasteboard::Kind::Font, selectedStyle(view));
        return;
    case Kind::CopyRuler:
        TextStylePasteboard::shared().copy(TextStylePasteboard::Kind::Ruler, selectedStyle(view));
        return;
    case Kind::PasteFont:
        if (const auto style = TextStylePasteboard::shared().paste(TextStylePasteboard::Kind::Font))
            pasteStyle(view, style->characters, undoName);
        return;
    case Kind::PasteRuler:
        if (const auto style
            = TextStylePasteboard::shared().paste(TextStylePasteboard::Kind::Ruler)) {
            const ParagraphStyle ruler = AttributedText::paragraphStyle(style->paragraph);
            view.changeParagraphStyles(
                undoName, [&ruler](ParagraphStyle& paragraph) { paragraph = ruler; });
        }
        return;
    case Kind::ListPanel:
        openListPanel(view, undoName);
        return;
    case Kind::SpacingPanel:
        openSpacingPanel(view, undoName);
        return;
    }
}

} // namespace platform
