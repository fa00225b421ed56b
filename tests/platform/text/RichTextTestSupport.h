#pragma once

#include "platform/text/AttributedText.h"
#include "platform/text/TextListMarkers.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>

namespace bxtest {

inline QByteArray readTestFile(const QString& name)
{
    QFile file(QStringLiteral(BX_TEST_DATA_DIR "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

// A picture of one colour as PNG bytes.
inline QByteArray pngBytes(QSize size, const QColor& colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
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

// Each paragraph's text, list items followed by their lists' marker formats, outermost first
// ("\t1.\tone[{disc}>{decimal}.]"), joined by " | ".
inline std::string describeLists(const QTextDocument& doc)
{
    QStringList paragraphs;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QString paragraph = block.text();
        if (const QStringList lists = platform::TextListMarkers::itemLists(block); !lists.isEmpty())
            paragraph += u'[' + lists.join(u'>') + u']';
        paragraphs << paragraph;
    }
    return paragraphs.join(u" | ").toStdString();
}

// A two-level bulleted list and a two-level numbered list between plain paragraphs, as typed:
// "Groceries", apples (green), pears; "Steps", first (sub), second.
inline std::unique_ptr<QTextDocument> nestedListsNote()
{
    auto doc = platform::AttributedText::makeDocument();
    QTextCursor(doc.get()).insertText(
        QStringLiteral("Groceries\napples\ngreen\npears\nSteps\nfirst\nsub\nsecond"));
    const QStringList bullets { QStringLiteral("{disc}") };
    const QStringList numbers { QStringLiteral("{decimal}.") };
    const QList<QStringList> lists { {}, bullets,
        bullets + QStringList { QStringLiteral("{circle}") }, bullets, {}, numbers,
        numbers + numbers, numbers };
    for (int paragraph = 0; paragraph < lists.size(); ++paragraph)
        platform::TextListMarkers::setLists(doc->findBlockByNumber(paragraph), lists[paragraph]);
    platform::TextListMarkers::renumber(*doc, 0);
    platform::TextListMarkers::renumber(*doc, doc->findBlockByNumber(5).position());
    return doc;
}

} // namespace bxtest
