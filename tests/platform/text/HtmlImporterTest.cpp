#include "platform/text/HtmlImporter.h"
#include "platform/text/HtmlNestingLimiter.h"

#include <gtest/gtest.h>

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

// A paragraph of many images took time in the square of their count.
TEST(HtmlImporter, ParagraphOfManyImagesKeepsThemAll)
{
    constexpr int count = 20000;
    QTextDocument document;
    HtmlImporter::setHtml(document,
        QStringLiteral("<p>")
            + QStringLiteral("<a href=x><img src=\"a.png\"></a>").repeated(count));
    const QString text = document.toPlainText();
    EXPECT_EQ(text.count(QChar::ObjectReplacementCharacter), count);
    EXPECT_EQ(document.blockCount(), 1);
}
