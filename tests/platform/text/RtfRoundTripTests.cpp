#include "RichTextTestSupport.h"
#include "support/TestEnvironment.h"

#include "platform/text/AttributedText.h"
#include "platform/text/RichTextData.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfWriter.h"
#include "platform/text/RtfdPackage.h"

#include <QTextDocument>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class RtfCorpusRoundTrip : public testing::TestWithParam<const char*> { };

TEST_P(RtfCorpusRoundTrip, KeepsEveryAttribute)
{
    const QString name = QString::fromLatin1(GetParam());
    Error error;
    std::unique_ptr<QTextDocument> first;
    if (name.endsWith(u".rtfd")) {
        const auto package
            = RtfdPackage::readFolder(QStringLiteral(BX_TEST_DATA_DIR "/") + name, &error);
        ASSERT_TRUE(package) << error.toString().toStdString();
        first = package->document(&error);
    } else {
        first = RtfReader::read(bxtest::readTestFile(name), {}, &error);
    }
    ASSERT_TRUE(first) << error.toString().toStdString();

    // Through the stored form and back, twice: the second write must equal the first.
    const QByteArray written = RichTextData::RTFData(*first);
    const auto second = RichTextData::attributedStringWithRTFData(written, &error);
    ASSERT_TRUE(second) << error.toString().toStdString();
    bxtest::expectSameAttributedText(*first, *second);
    // A file without document attributes gets the default page and view.
    if (AttributedText::documentAttributes(*first) != DocumentAttributes {}) {
        EXPECT_EQ(AttributedText::documentAttributes(*first),
            AttributedText::documentAttributes(*second));
    }
    EXPECT_EQ(RichTextData::RTFData(*second), written);
}

INSTANTIATE_TEST_SUITE_P(Corpus, RtfCorpusRoundTrip,
    testing::Values("basic.rtf", "nonlatin.rtf", "colours.rtf", "tabs.rtf", "paragraphs.rtf",
        "links.rtf", "lists.rtf", "pict.rtf", "images.rtfd"),
    [](const auto& info) {
        std::string name = info.param;
        for (char& c : name) {
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name;
    });

} // namespace
