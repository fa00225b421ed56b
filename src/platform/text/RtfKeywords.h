#pragma once

#include <QByteArrayView>

namespace platform {

// The control words the RTF reader acts on, each tagged with the group of controls that
// handles it; any other word is Unknown and ignored. The table is built once; thread-safe.
class RtfKeywords final {
public:
    enum class Group { Unknown, Document, Character, Paragraph, Text, List, Field, Picture };

    enum class Word {
        Unknown,
        // document, font and colour tables
        Rtf,
        AnsiCodePage,
        PcCodePage,
        PcaCodePage,
        MacCodePage,
        DefaultFont,
        PaperWidth,
        PaperHeight,
        MarginLeft,
        MarginRight,
        MarginTop,
        MarginBottom,
        ViewWidth,
        ViewHeight,
        ViewKind,
        ViewScale,
        DefaultTab,
        ReadOnly,
        FontTable,
        ColorTable,
        ExpandedColorTable,
        SkippedDestination,
        FontCharset,
        FontCodePage,
        // notes and shapes, whose text is kept
        Footnote,
        Annotation,
        NoteMark,
        EndnoteNote,
        ShapeInstance,
        ShapeText,
        ShapeResult,
        Red,
        Green,
        Blue,
        ColorSpaceRgb,
        ColorSpaceGray,
        ColorComponent,
        // characters
        Font,
        Plain,
        Bold,
        Italic,
        Underline,
        UnderlineNone,
        UnderlineDotted,
        UnderlineDouble,
        UnderlineDash,
        UnderlineDashDot,
        UnderlineDashDotDot,
        UnderlineThick,
        UnderlineWord,
        UnderlineWave,
        UnderlineColor,
        UnderlineStyle,
        Strike,
        StrikeDouble,
        StrikeColor,
        StrikeStyle,
        ForegroundColor,
        BackgroundColor,
        Super,
        Sub,
        NoSuperSub,
        Up,
        Down,
        FontSize,
        FontSizeMilli,
        Expand,
        ExpandTwips,
        Kerning,
        Ligature,
        // paragraphs
        ParagraphDefault,
        AlignLeft,
        AlignCenter,
        AlignRight,
        AlignJustified,
        AlignNatural,
        LeftIndent,
        FirstIndent,
        RightIndent,
        SpaceBefore,
        SpaceAfter,
        TabStop,
        BarTab,
        TabRight,
        TabCenter,
        TabDecimal,
        ParagraphDefaultTab,
        LineSpacing,
        LineSpacingMultiple,
        LineLeading,
        LineMaximum,
        LineMinimum,
        DirectionNatural,
        DirectionLeftToRight,
        DirectionRightToLeft,
        // text
        Paragraph,
        Line,
        Tab,
        Character,
        Unicode,
        UnicodeSkip,
        Binary,
        // lists
        ListTable,
        List,
        ListId,
        ListLevel,
        LevelNumberFormat,
        LevelText,
        LevelMarker,
        ListOverrideTable,
        ListOverride,
        ListOverrideNumber,
        ListLevelNumber,
        ListText,
        // fields
        Field,
        FieldInstruction,
        FieldResult,
        // pictures and attachments
        NeXTGraphic,
        Picture,
        ShapePicture,
        Width,
        Height,
        PngBlip,
        JpegBlip,
        OtherBlip,
        PictureWidthGoal,
        PictureHeightGoal,
    };

    struct Entry {
        Group group = Group::Unknown;
        Word word = Word::Unknown;
        char16_t character = 0; // the character a Character word stands for
    };

    static Entry find(QByteArrayView name);
};

} // namespace platform
