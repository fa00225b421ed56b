#include "platform/text/HtmlImporter.h"
#include "platform/text/HtmlNestingLimiter.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>

using platform::HtmlImporter;

// Images go in after the import; the result must be what Qt's importer makes of the same page.
TEST(HtmlImporter, ImagesReadAsQtsImporterReadsThem)
{
    const char* const pages[] = {
        "<p>a <img src=\"a.png\"> b <img src=a.png width=20 height=10 alt=x> c</p>",
        "<p><a href=\"https://example.com\"><b><img src=\"a.png\"></b></a>\n<img src=b.png/></p>",
        "<img src=a.png><div>b</div><img src=c.png>",
        "<ul><li><img src=a.png> one<li>two <IMG SRC=b.png></ul>",
        "<table><tr><td><img src=a.png><td>x <img src=b.png style=\"vertical-align:middle\">"
        "</table>",
        "<pre>x\n  <img src=a.png>  y</pre>",
        "<style>img { width: 40px }</style><p><img src=a.png>",
        "<!-- <img src=a.png> --><title><img src=t.png></title><p><img src=b.png>",
        "<p>\uFDD2 &#xFDD3; <img src=a.png></p>",
        "<p><img src=a.png style=\"float: right\">x <img src=b.png></p>",
        "<p><img src=\"a > b.png\"> <imgx> <img></p>",
        "<p><img src=a.png alt=\"float\"> <img src=b.png style=\"display: none\"> x</p>",
        "<table><img src=a.png><tr><td>x<img src=b.png></table><ul><img src=c.png><li>y</ul>",
        "<style>p { color: red }<p>x <img src=a.png></p><script><img src=b.png></script>",
        "<p><a title=\"<img src=a.png>\" href=\"<img src=b.png>\">x</a>\uFDD3 0\uFDD3</p>",
    };
    for (const char* page : pages) {
        const QString html = QString::fromUtf8(page);
        SCOPED_TRACE(page);
        QTextDocument expected;
        expected.setHtml(platform::HtmlNestingLimiter::limited(html));
        QTextDocument imported;
        HtmlImporter::setHtml(imported, html);
        EXPECT_EQ(imported.toHtml().toStdString(), expected.toHtml().toStdString());
    }
}

// A paragraph of many images took time in the square of their count, and so did one whose
// images were left to Qt's importer: after a style element without an end tag, beside an image
// the importer hides, in a page holding every mark.
TEST(HtmlImporter, ParagraphOfManyImagesKeepsThemAll)
{
    constexpr int count = 20000;
    QString noncharacters;
    for (char16_t ch = 0xFDD2; ch <= 0xFDEF; ++ch)
        noncharacters += QChar(ch);
    const QString pages[] = {
        QStringLiteral("<p>") + QStringLiteral("<a href=x><img src=\"a.png\"></a>").repeated(count),
        QStringLiteral("<p>a<style>p {}<p>") + QStringLiteral("x <img src=a.png>").repeated(count),
        QStringLiteral("<title><img src=t.png></title>")
            + QStringLiteral("x <img src=a.png>").repeated(count),
        noncharacters + QStringLiteral("x <img src=a.png>").repeated(count),
    };
    for (const QString& page : pages) {
        SCOPED_TRACE(page.left(40).toStdString());
        QTextDocument document;
        HtmlImporter::setHtml(document, page);
        EXPECT_EQ(document.lastBlock().text().count(QChar::ObjectReplacementCharacter), count);
    }
}
