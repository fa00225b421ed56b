#pragma once

#include "platform/text/AttributedText.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

namespace bxtest {

inline QByteArray readTestFile(const QString& name)
{
    QFile file(QStringLiteral(BX_TEST_DATA_DIR "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

inline std::string describe(const QVariantMap& attributes)
{
    QString text;
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
        QString value = it.value().toString();
        if (it.key() == platform::AttributedText::FontAttributeName)
            value = it.value().value<QFont>().toString();
        else if (it.value().canConvert<QColor>())
            value = it.value().value<QColor>().name(QColor::HexArgb);
        text += it.key() + u'=' + value + u' ';
    }
    return text.toStdString();
}

// The same plain string, and the same attributes over every run of `expected`.
inline void expectSameAttributedText(const QTextDocument& expected, const QTextDocument& actual)
{
    using platform::AttributedText;
    ASSERT_EQ(AttributedText::string(expected).toStdU16String(),
        AttributedText::string(actual).toStdU16String());
    const qsizetype length = AttributedText::length(expected);
    for (qsizetype index = 0; index < length;) {
        platform::TextRange range;
        const QVariantMap want = AttributedText::attributes(expected, index, &range);
        const QVariantMap got = AttributedText::attributes(actual, index);
        EXPECT_EQ(want, got) << "at " << index << "\nexpected " << describe(want) << "\nactual   "
                             << describe(got);
        if (want != got)
            return;
        index = std::max(range.end(), index + 1);
    }
}

// Each paragraph as "text{L:style/indent#number}" for list items, where L names the item's
// list (A for the first list met, B for the next, ...), joined by " | ".
inline std::string describeLists(const QTextDocument& doc)
{
    static const QHash<int, QString> styles = { { QTextListFormat::ListDisc, "disc" },
        { QTextListFormat::ListCircle, "circle" }, { QTextListFormat::ListSquare, "square" },
        { QTextListFormat::ListDecimal, "decimal" }, { QTextListFormat::ListLowerAlpha, "a" },
        { QTextListFormat::ListUpperAlpha, "A" }, { QTextListFormat::ListLowerRoman, "i" },
        { QTextListFormat::ListUpperRoman, "I" } };
    QHash<const QTextList*, QChar> names;
    QStringList paragraphs;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QString paragraph = block.text();
        if (const QTextList* list = block.textList()) {
            if (!names.contains(list))
                names.insert(list, QChar(char16_t(u'A' + names.size())));
            const QTextListFormat format = list->format();
            paragraph += QStringLiteral("{%1:%2/%3#%4}")
                             .arg(names.value(list), styles.value(format.style(), u"?"_qs))
                             .arg(format.indent())
                             .arg(list->itemNumber(block) + 1);
        }
        paragraphs << paragraph;
    }
    return paragraphs.join(u" | ").toStdString();
}

} // namespace bxtest
