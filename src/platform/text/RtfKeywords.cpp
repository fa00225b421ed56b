#include "RtfKeywords.h"

#include <string_view>
#include <unordered_map>

namespace platform {

namespace {

using Group = RtfKeywords::Group;
using Word = RtfKeywords::Word;

const std::unordered_map<std::string_view, RtfKeywords::Entry>& table()
{
    static const std::unordered_map<std::string_view, RtfKeywords::Entry> map = [] {
        std::unordered_map<std::string_view, RtfKeywords::Entry> words;
        Group group = Group::Unknown;
        const auto add = [&](std::string_view name, Word word, char16_t c = 0) {
            words.emplace(name, RtfKeywords::Entry { group, word, c });
        };

        group = Group::Document;
        add("rtf", Word::Rtf);
        add("ansicpg", Word::AnsiCodePage);
        add("pc", Word::PcCodePage);
        add("pca", Word::PcaCodePage);
        add("mac", Word::MacCodePage);
        add("deff", Word::DefaultFont);
        add("paperw", Word::PaperWidth);
        add("paperh", Word::PaperHeight);
        add("margl", Word::MarginLeft);
        add("margr", Word::MarginRight);
        add("margt", Word::MarginTop);
        add("margb", Word::MarginBottom);
        add("vieww", Word::ViewWidth);
        add("viewh", Word::ViewHeight);
        add("viewkind", Word::ViewKind);
        add("viewscale", Word::ViewScale);
        add("deftab", Word::DefaultTab);
        add("readonlydoc", Word::ReadOnly);
        add("fonttbl", Word::FontTable);
        add("colortbl", Word::ColorTable);
        add("expandedcolortbl", Word::ExpandedColorTable);
        for (std::string_view name : { "stylesheet", "info", "header", "headerl", "headerr",
                 "headerf", "footer", "footerl", "footerr", "footerf", "object", "xe", "tc", "txe",
                 "rxe", "nonshppict", "themedata", "colorschememapping", "latentstyles",
                 "datastore", "xmlnstbl", "rsidtbl", "generator", "pgdsctbl", "revtbl", "filetbl",
                 "bkmkstart", "bkmkend", "pn", "mmathPr", "userprops", "docvar", "template",
                 "comment", "author", "title", "subject", "operator", "keywords", "company",
                 "doccomm", "listname", "levelnumbers" })
            add(name, Word::SkippedDestination);
        // A shape's properties, names and values alike, are settings and never text.
        for (std::string_view name : { "sp", "sn", "sv" })
            add(name, Word::SkippedDestination);
        add("fcharset", Word::FontCharset);
        add("cpg", Word::FontCodePage);
        add("footnote", Word::Footnote);
        add("annotation", Word::Annotation);
        add("chftn", Word::NoteMark);
        add("chatn", Word::NoteMark);
        add("ftnalt", Word::EndnoteNote);
        // Old drawing objects hold their text box as new shapes do.
        add("shpinst", Word::ShapeInstance);
        add("do", Word::ShapeInstance);
        add("shptxt", Word::ShapeText);
        add("dptxbxtext", Word::ShapeText);
        add("shprslt", Word::ShapeResult);
        add("red", Word::Red);
        add("green", Word::Green);
        add("blue", Word::Blue);
        add("cssrgb", Word::ColorSpaceRgb);
        add("csgenericrgb", Word::ColorSpaceRgb);
        add("csgray", Word::ColorSpaceGray);
        add("c", Word::ColorComponent);

        group = Group::Character;
        add("f", Word::Font);
        add("plain", Word::Plain);
        add("b", Word::Bold);
        add("i", Word::Italic);
        add("ul", Word::Underline);
        add("ulnone", Word::UnderlineNone);
        add("uld", Word::UnderlineDotted);
        add("uldb", Word::UnderlineDouble);
        add("uldash", Word::UnderlineDash);
        add("uldashd", Word::UnderlineDashDot);
        add("uldashdd", Word::UnderlineDashDotDot);
        add("ulth", Word::UnderlineThick);
        add("ulw", Word::UnderlineWord);
        add("ulwave", Word::UnderlineWave);
        add("ulc", Word::UnderlineColor);
        add("ulstyle", Word::UnderlineStyle);
        add("strike", Word::Strike);
        add("striked", Word::StrikeDouble);
        add("strikec", Word::StrikeColor);
        add("strikestyle", Word::StrikeStyle);
        add("cf", Word::ForegroundColor);
        add("cb", Word::BackgroundColor);
        add("highlight", Word::BackgroundColor);
        add("chcbpat", Word::BackgroundColor);
        add("super", Word::Super);
        add("sub", Word::Sub);
        add("nosupersub", Word::NoSuperSub);
        add("up", Word::Up);
        add("dn", Word::Down);
        add("fs", Word::FontSize);
        add("fsmilli", Word::FontSizeMilli);
        add("expnd", Word::Expand);
        add("expndtw", Word::ExpandTwips);
        add("kerning", Word::Kerning);
        add("CocoaLigature", Word::Ligature);

        group = Group::Paragraph;
        add("pard", Word::ParagraphDefault);
        add("ql", Word::AlignLeft);
        add("qc", Word::AlignCenter);
        add("qr", Word::AlignRight);
        add("qj", Word::AlignJustified);
        add("qnatural", Word::AlignNatural);
        add("li", Word::LeftIndent);
        add("fi", Word::FirstIndent);
        add("ri", Word::RightIndent);
        add("sb", Word::SpaceBefore);
        add("sa", Word::SpaceAfter);
        add("tx", Word::TabStop);
        add("tb", Word::BarTab);
        add("tqr", Word::TabRight);
        add("tqc", Word::TabCenter);
        add("tqdec", Word::TabDecimal);
        add("pardeftab", Word::ParagraphDefaultTab);
        add("sl", Word::LineSpacing);
        add("slmult", Word::LineSpacingMultiple);
        add("slleading", Word::LineLeading);
        add("slmaximum", Word::LineMaximum);
        add("slminimum", Word::LineMinimum);
        add("pardirnatural", Word::DirectionNatural);
        add("ltrpar", Word::DirectionLeftToRight);
        add("rtlpar", Word::DirectionRightToLeft);

        group = Group::Text;
        add("par", Word::Paragraph);
        add("sect", Word::Paragraph);
        add("row", Word::Paragraph);
        add("line", Word::Line);
        add("tab", Word::Tab);
        add("cell", Word::Tab);
        add("emdash", Word::Character, 0x2014);
        add("endash", Word::Character, 0x2013);
        add("bullet", Word::Character, 0x2022);
        add("lquote", Word::Character, 0x2018);
        add("rquote", Word::Character, 0x2019);
        add("ldblquote", Word::Character, 0x201C);
        add("rdblquote", Word::Character, 0x201D);
        add("emspace", Word::Character, 0x2003);
        add("enspace", Word::Character, 0x2002);
        add("qmspace", Word::Character, 0x2005);
        add("zwj", Word::Character, 0x200D);
        add("zwnj", Word::Character, 0x200C);
        add("u", Word::Unicode);
        add("uc", Word::UnicodeSkip);
        add("bin", Word::Binary);

        group = Group::List;
        add("listtable", Word::ListTable);
        add("list", Word::List);
        add("listid", Word::ListId);
        add("listlevel", Word::ListLevel);
        add("levelnfc", Word::LevelNumberFormat);
        add("leveltext", Word::LevelText);
        add("levelmarker", Word::LevelMarker);
        add("listoverridetable", Word::ListOverrideTable);
        add("listoverride", Word::ListOverride);
        add("ls", Word::ListOverrideNumber);
        add("ilvl", Word::ListLevelNumber);
        add("listtext", Word::ListText);
        // The number of an old-style (\pn) list item, kept as its marker.
        add("pntext", Word::ListText);

        group = Group::Field;
        add("field", Word::Field);
        add("fldinst", Word::FieldInstruction);
        add("fldrslt", Word::FieldResult);

        group = Group::Picture;
        add("NeXTGraphic", Word::NeXTGraphic);
        add("pict", Word::Picture);
        add("shppict", Word::ShapePicture);
        add("width", Word::Width);
        add("height", Word::Height);
        add("pngblip", Word::PngBlip);
        add("jpegblip", Word::JpegBlip);
        for (std::string_view name :
            { "wmetafile", "emfblip", "macpict", "dibitmap", "wbitmap", "pmmetafile" })
            add(name, Word::OtherBlip);
        add("picwgoal", Word::PictureWidthGoal);
        add("pichgoal", Word::PictureHeightGoal);
        return words;
    }();
    return map;
}

} // namespace

RtfKeywords::Entry RtfKeywords::find(QByteArrayView name)
{
    const auto found = table().find(std::string_view(name.data(), size_t(name.size())));
    return found == table().end() ? Entry {} : found->second;
}

} // namespace platform
