#pragma once

#include <memory>

class QTextDocument;

namespace platform {

// Between list items as stored text keeps them (TextListMarkers) and Qt's lists, for the
// formats whose readers build QTextLists (Qt's HTML reader, the office readers) and whose
// writers nest lists as Qt does. Stateless; any thread, on documents the caller owns.
class TextListConversion final {
public:
    TextListConversion() = delete;

    // Turns every item of a QTextList in `doc` into a list item with its marker run, numbered
    // as Qt numbers it from the list's first number (AttributedText::ListStartProperty), in the
    // order of its items. One walk over the document; in a ConversionDocument its time grows with
    // the items, not their square.
    static void fromQtLists(QTextDocument& doc);
    // A copy of `doc` (a ConversionDocument, whose lists know no count or item numbers, see
    // UntrackedTextList) in which list items are items of QTextLists, without their marker runs
    // and the indents that stand them. An outermost list runs on past plain paragraphs and
    // other lists until an item of its format shows its first number; nested items join the
    // last outermost list, a new format at a level starting a new list there.
    static std::unique_ptr<QTextDocument> toQtLists(const QTextDocument& doc);
};

} // namespace platform
