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

// Each picture of a document, in order.
inline QList<platform::TextAttachment> attachmentsOf(const QTextDocument& doc)
{
    QList<platform::TextAttachment> pictures;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!platform::AttributedText::isAttachment(format))
                continue;
            for (int i = 0; i < it.fragment().length(); ++i)
                pictures << platform::AttributedText::attachment(doc, format);
        }
    }
    return pictures;
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

// One paragraph of `typedLines`: its text, and the look of its characters and of the break
// that starts it (an empty paragraph has only that look).
struct TypedLine {
    QString text;
    double pointSize = 0;
    bool bold = false;
};

inline std::unique_ptr<QTextDocument> typedLines(const std::vector<TypedLine>& lines)
{
    auto doc = platform::AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    for (size_t i = 0; i < lines.size(); ++i) {
        QTextCharFormat look;
        look.setFontPointSize(lines[i].pointSize);
        look.setFontWeight(lines[i].bold ? QFont::Bold : QFont::Normal);
        if (i == 0)
            cursor.setBlockCharFormat(look);
        else
            cursor.insertBlock(cursor.blockFormat(), look);
        cursor.insertText(lines[i].text, look);
    }
    return doc;
}

// Each paragraph's look as typing in it at its start takes it: "24b | 12", joined by " | ".
inline std::string describeParagraphLooks(const QTextDocument& doc)
{
    QStringList looks;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        const QTextCharFormat format = cursor.charFormat();
        looks << QString::number(platform::AttributedText::fontPointSize(format))
                + (format.fontWeight() >= QFont::Bold ? QStringLiteral("b") : QString());
    }
    return looks.join(u" | ").toStdString();
}

} // namespace bxtest
