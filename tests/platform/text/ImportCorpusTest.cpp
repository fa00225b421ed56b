#include "platform/text/AttributedText.h"
#include "platform/text/TextDocumentReader.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Words as both readers' plain text spells them: runs of letters, digits and combining marks,
// in Unicode composed form. Punctuation, list marker dots and white space only separate them.
QStringList words(const QString& text)
{
    QStringList result;
    QString word;
    for (QChar c : text.normalized(QString::NormalizationForm_C)) {
        if (c.isLetterOrNumber() || c.isMark()) {
            word += c;
        } else if (!word.isEmpty()) {
            result.append(word);
            word.clear();
        }
    }
    if (!word.isEmpty())
        result.append(word);
    return result;
}

struct Recall {
    int shown = 0; // words the writer's own reader shows
    QStringList missing; // of those, the ones our reading lacks (each time it lacks one)
};

// Every word of `reference`, counted with its repeats, must be among ours; the order may differ
// (notes, for one, come after the body here and nowhere in some other readers' plain text).
Recall recall(const QString& ours, const QString& reference)
{
    QHash<QString, int> available;
    for (const QString& word : words(ours))
        ++available[word];
    Recall result;
    for (const QString& word : words(reference)) {
        ++result.shown;
        if (available[word]-- <= 0)
            result.missing.append(word);
    }
    return result;
}

// Where the other reader is wrong: words it shows that the file does not say.
const QHash<QString, QStringList> kOtherReaderWrong = {
    // The office suite renumbers the restarted list it wrote itself (7, 8) as continuing the
    // one before (4, 5); the file's own list texts say 7 and 8, as shown here.
    { QStringLiteral("office-warblers.rtf"), { QStringLiteral("4"), QStringLiteral("5") } },
};

} // namespace

// Documents the office suite and the document converter wrote (tests/platform/text/data/corpus,
// remade by its make-corpus.sh): each is read, and no word that the writing program's own
// reader shows in it is lost.
TEST(ImportCorpus, KeepsEveryWordTheWritersReaderShows)
{
    const QDir corpus(QStringLiteral(BX_TEST_DATA_DIR "/corpus"));
    const QStringList files = corpus.entryList(
        { QStringLiteral("*.docx"), QStringLiteral("*.odt"), QStringLiteral("*.rtf") }, QDir::Files,
        QDir::Name);
    ASSERT_GE(files.size(), 14);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        QFile referenceFile(corpus.filePath(file + QStringLiteral(".txt")));
        ASSERT_TRUE(referenceFile.open(QIODevice::ReadOnly));
        QString reference = QString::fromUtf8(referenceFile.readAll());
        if (reference.startsWith(QChar(0xFEFF)))
            reference.remove(0, 1);

        Error error;
        const std::optional<TextDocumentReader::Result> result
            = TextDocumentReader::readFile(corpus.filePath(file), {}, &error);
        ASSERT_TRUE(result && result->document) << error.localizedDescription().toStdString();
        const Recall found = recall(AttributedText::string(*result->document), reference);
        EXPECT_GT(found.shown, 0);
        QStringList missing = found.missing;
        for (const QString& word : kOtherReaderWrong.value(file))
            missing.removeOne(word);
        EXPECT_TRUE(missing.isEmpty()) << missing.size() << " of " << found.shown
                                       << " words missing: " << missing.join(u' ').toStdString();
    }
}
