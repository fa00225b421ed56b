#include "search/SearchNotesFiles.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"

#include "support/BenchNotesFile.h"

#include <QStringList>

#include <map>
#include <memory>

namespace {

QUrl fileOf(int count, const QString& name)
{
    // Written once a run, kept until the benchmark ends.
    static std::map<QString, std::unique_ptr<BenchNotesFile>> files;
    std::unique_ptr<BenchNotesFile>& file = files[name];
    if (!file) {
        file = std::make_unique<BenchNotesFile>(name, [count](BXDocument& document) {
            QRandomGenerator random(7);
            for (int i = 0; i < count; ++i) {
                BXNote::NotePtr note = BXNote::newNoteInManagedObjectContext(
                    document.managedObjectContext(), {}, {});
                // Plain notes: the text shown is the stored plain text.
                note->setNoteStyles({});
                note->updateNoteText(searchNoteText(i, random));
                note->setTrashFlag(false);
            }
        });
    }
    return file->url;
}

} // namespace

QString searchNoteText(int index, QRandomGenerator& random)
{
    static const QStringList words { "garden", "Élan", "équipe", "naïve", "Straße", "river",
        "lantern", "copper", "meadow", "Κήπος", "θάλασσα", "Москва", "река", "東京", "図書館",
        "ベランダ", "budget", "Quartz", "café", "façade" };
    QString text = QStringLiteral("Note %1\n").arg(index, 5, 10, QLatin1Char('0'));
    if (index == 0)
        text += kRareWord + QLatin1Char(' ');
    while (text.size() < 2048) {
        text += words.at(random.bounded(words.size()));
        text += random.bounded(9) == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text;
}

QUrl searchNotesFile(int count)
{
    return fileOf(count, QStringLiteral("Search%1.brindlex").arg(count));
}

QUrl emptyNotesFile()
{
    return fileOf(0, QStringLiteral("Empty.brindlex"));
}
