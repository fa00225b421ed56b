#include "SampleMarkdown.h"

QString sampleMarkdown(qsizetype bytes)
{
    const QString section = QStringLiteral(
        "## Section heading\n\n"
        "A paragraph with *emphasis*, **strong words**, `inline code` and a "
        "[link](https://example.org/page \"title\"). It runs on for a while so that the line "
        "is about as long as a real one, with café and naïve words too.\n\n"
        "- first item\n- second item with **bold**\n  - nested item\n\n"
        "1. one\n2. two\n\n"
        "> A quoted line\n> that goes on.\n\n"
        "```swift\nlet value = compute(42)\nprint(value)\n```\n\n");
    QString text;
    while (text.toUtf8().size() < bytes)
        text += section;
    return text;
}
