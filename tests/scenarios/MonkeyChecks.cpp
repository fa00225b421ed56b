#include "MonkeyChecks.h"

#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXCategory.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/Document.h"
#include "platform/text/AttributedText.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

using platform::AttributedText;

QStringList MonkeyChecks::categoryNames(const BXNote& note)
{
    QStringList names;
    for (const platform::ManagedObjectPtr& category : note.categories())
        names << category->valueForKey(BXCategory::CategoryNameKey).toString();
    names.sort();
    return names;
}

QString MonkeyChecks::shownText(const platform::TextView* view)
{
    const QTextDocument* shown = view->mirror() ? view->mirror() : view->textStorage();
    return shown ? AttributedText::string(*shown) : QString();
}

QString MonkeyChecks::styledRuns(const QTextDocument& text)
{
    QStringList paragraphs;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        QString runs;
        QString last;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const QString look = QStringLiteral("[%1%2%3 %4]")
                                     .arg(format.fontWeight() >= QFont::Bold ? u"b" : u"")
                                     .arg(format.fontItalic() ? u"i" : u"")
                                     .arg(format.fontUnderline() ? u"u" : u"")
                                     .arg(AttributedText::fontPointSize(format));
            // Runs of one look that the text engine keeps apart read as one.
            runs += (look == last ? QString() : look) + it.fragment().text();
            last = look;
        }
        paragraphs << runs;
    }
    return paragraphs.join(QStringLiteral(" | "));
}

QString MonkeyChecks::documentState(const BXDocument& document)
{
    const auto objects = document.managedObjectContext()
                             ->fetchObjects(platform::FetchRequest(BXNote::entityName()), nullptr)
                             .value_or(QList<platform::ManagedObjectPtr> {});
    QStringList notes;
    for (const platform::ManagedObjectPtr& object : objects) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (!note)
            continue;
        notes << QStringLiteral("%1%2 (%3) {%4} %5")
                     .arg(note->trashFlag() ? u"(trash) " : u"")
                     .arg(note->noteText(), note->noteTitle(), categoryNames(*note).join(u','),
                         styledRuns(*note->attributedString()));
    }
    notes.sort();
    QStringList categories;
    const auto all = document.managedObjectContext()
                         ->fetchObjects(platform::FetchRequest(BXCategory::entityName()), nullptr)
                         .value_or(QList<platform::ManagedObjectPtr> {});
    for (const platform::ManagedObjectPtr& category : all)
        categories << category->valueForKey(BXCategory::CategoryNameKey).toString();
    categories.sort();
    return notes.join(QStringLiteral("\n")) + QStringLiteral("\ncategories: ")
        + categories.join(u',');
}

QString MonkeyChecks::brokenInvariant()
{
    BXMainWindowController* front = scenario::ScenarioApp::frontMainWindow();
    if (!front)
        return QStringLiteral("the main window is gone");
    const QList<platform::ManagedObjectPtr>& rows = front->notesController()->arrangedObjects();
    const QAbstractItemModel* model = front->notesTableView()->model();
    if (model->rowCount() != rows.size())
        return QStringLiteral("the list shows %1 rows for %2 notes")
            .arg(model->rowCount())
            .arg(rows.size());
    for (int row = 0; row < rows.size(); ++row) {
        const auto note = std::dynamic_pointer_cast<BXNote>(rows.at(row));
        const QString shown = model->index(row, 0).data(Qt::DisplayRole).toString();
        if (note && shown != note->noteTitle())
            return QStringLiteral("row %1 shows \"%2\" for the note titled \"%3\"")
                .arg(row)
                .arg(shown, note->noteTitle());
        // A named note (a copy takes its original's title as its name) keeps its name.
        const QString derived = !note    ? QString()
            : note->noteName().isEmpty() ? BXNote::noteName(note->noteText())
                                         : note->noteName();
        if (note && !derived.isEmpty() && note->noteTitle() != derived)
            return QStringLiteral("row %1's title \"%2\" is not its first line \"%3\"")
                .arg(row)
                .arg(note->noteTitle(), derived);
    }
    if (const BXNote::NotePtr note = front->selectedNote()) {
        const BXTextView* view = front->noteTextView();
        if (view->isVisible() && view->mirror()) {
            const QString text = shownText(view);
            const std::unique_ptr<QTextDocument> stored = note->attributedString();
            if (text != note->noteText() || text != AttributedText::string(*stored))
                return QStringLiteral("the text shows \"%1\" but the note holds \"%2\"")
                    .arg(text, AttributedText::string(*stored));
            if (scenario::paragraphLists(*view->mirror()) != scenario::paragraphLists(*stored))
                return QStringLiteral("the text shows the lists %1 but the note holds %2")
                    .arg(scenario::paragraphLists(*view->mirror()),
                        scenario::paragraphLists(*stored));
            // A note never styled is stored as plain text, which shows in the default look.
            if (!note->noteStyles().isEmpty() && styledRuns(*view->mirror()) != styledRuns(*stored))
                return QStringLiteral("the text shows the runs \"%1\" but the note stores \"%2\"")
                    .arg(styledRuns(*view->mirror()), styledRuns(*stored));
        }
    }
    for (platform::WindowController* controller : front->document()->windowControllers()) {
        auto* noteWindow = qobject_cast<BXNoteWindowController*>(controller);
        if (noteWindow && noteWindow->noteItem()
            && shownText(noteWindow->noteTextView()) != noteWindow->noteItem()->noteText())
            return QStringLiteral("a note window shows another text than its note's");
    }
    return {};
}
