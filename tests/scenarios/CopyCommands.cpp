#include "CopyCommands.h"

#include "MessageBoxWatch.h"
#include "MonkeyChecks.h"
#include "ScenarioApp.h"

#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/documents/Document.h"

#include <QAbstractItemModel>

namespace scenario {

namespace {

QString clickRow(int row)
{
    BXMainWindowController* front = ScenarioApp::frontMainWindow();
    const int rows = front ? front->notesTableView()->model()->rowCount() : 0;
    if (rows == 0 || row < 0)
        return QStringLiteral("failed: no row %1").arg(row);
    ScenarioApp::clickRow(front->notesTableView(), row % rows);
    ScenarioApp::waitUntil([front] { return !front->isTextSwapPending(); });
    return QStringLiteral("ok");
}

QString save()
{
    BXMainWindowController* front = ScenarioApp::frontMainWindow();
    if (!front)
        return QStringLiteral("failed: no window");
    platform::Document* document = front->document();
    ScenarioApp::keys(QKeySequence::Save);
    return ScenarioApp::waitUntil([document] { return !document->isDocumentEdited(); }, 30000)
        ? QStringLiteral("ok")
        : QStringLiteral("failed: still edited after Save");
}

} // namespace

QString CopyCommands::carryOut(ScenarioApp& app, MessageBoxWatch& watch, const QString& command)
{
    const QString verb = command.section(u' ', 0, 0);
    const QString rest = command.section(u' ', 1);
    if (verb == QStringLiteral("open"))
        return app.openDocument(rest) ? QStringLiteral("ok") : QStringLiteral("failed: not open");
    if (verb == QStringLiteral("select")) {
        const qsizetype row = ScenarioApp::listTitles().indexOf(rest);
        return row < 0 ? QStringLiteral("failed: no row titled %1").arg(rest) : clickRow(int(row));
    }
    if (verb == QStringLiteral("row"))
        return clickRow(rest.toInt());
    if (verb == QStringLiteral("type")) {
        BXMainWindowController* front = ScenarioApp::frontMainWindow();
        if (!front)
            return QStringLiteral("failed: no window");
        ScenarioApp::clickToTheEndOfTheText(front);
        ScenarioApp::type(rest);
        return QStringLiteral("ok");
    }
    if (verb == QStringLiteral("insert")) {
        BXMainWindowController* front = ScenarioApp::frontMainWindow();
        if (!front || !front->noteTextView()->hasFocus() || !front->noteTextView()->isEditable())
            return QStringLiteral("skipped");
        ScenarioApp::type(rest);
        return QStringLiteral("ok");
    }
    if (verb == QStringLiteral("new")) {
        ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        // A user starts typing into the new page as soon as it shows.
        ScenarioApp::idle(300);
        ScenarioApp::type(rest);
        return QStringLiteral("ok");
    }
    if (verb == QStringLiteral("save"))
        return save();
    if (verb == QStringLiteral("text"))
        return ScenarioApp::editorText();
    if (verb == QStringLiteral("titles"))
        return ScenarioApp::listTitles().join(u'\n');
    if (verb == QStringLiteral("told"))
        return watch.takeTexts().join(u'\n');
    if (verb == QStringLiteral("check"))
        return MonkeyChecks::brokenInvariant();
    return QStringLiteral("failed: no command %1").arg(command);
}

} // namespace scenario
