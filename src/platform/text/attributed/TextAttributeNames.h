#pragma once

#include <QHash>
#include <QString>
#include <QTextFormat>

namespace platform {

// The names of the attributes of attributed text, and the format properties beyond Qt's own
// that carry them. A custom attribute name gets a property id of its own, above
// FirstCustomProperty, on first use; ids are shared by every thread and never reused.
class TextAttributeNames {
public:
    static const QString FontAttributeName;
    static const QString ForegroundColorAttributeName;
    static const QString BackgroundColorAttributeName;
    static const QString UnderlineStyleAttributeName;
    static const QString UnderlineColorAttributeName;
    static const QString StrikethroughStyleAttributeName;
    static const QString StrikethroughColorAttributeName;
    static const QString LinkAttributeName;
    static const QString BaselineOffsetAttributeName;
    static const QString SuperscriptAttributeName;
    static const QString ParagraphStyleAttributeName;
    static const QString AttachmentAttributeName;
    static const QString KerningAttributeName;
    static const QString LetterSpacingAttributeName;
    static const QString LigatureAttributeName;

    // Format properties beyond what Qt's formats hold. Custom attributes get ids above
    // FirstCustomProperty from registerAttribute().
    enum Property {
        ParagraphStyleSetProperty = QTextFormat::UserProperty + 1, // block has an explicit style
        LineSpacingProperty,
        MinimumLineHeightProperty,
        MaximumLineHeightProperty,
        TailIndentProperty,
        DefaultTabIntervalProperty,
        UnderlineMaskProperty,
        StrikethroughMaskProperty,
        StrikethroughColorProperty,
        BaselineOffsetProperty,
        AttachmentFileNameProperty,
        TextListsProperty,
        ListStartProperty, // a QTextListFormat's first number, when not 1
        FirstCustomProperty = QTextFormat::UserProperty + 0x100,
    };

    // The property id for a custom attribute name, assigning one on first use. Thread-safe.
    static int registerAttribute(const QString& name);
    // The id registerAttribute() gave `name`; -1 when it gave none.
    static int customAttributeId(const QString& name);
    // Every custom attribute's name by its property id.
    static QHash<int, QString> customAttributeNames();
};

} // namespace platform
