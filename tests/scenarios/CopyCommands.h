#pragma once

#include <QString>

namespace scenario {

class MessageBoxWatch;
class ScenarioApp;

// What one copy of the application does when a scenario with two copies names it, a line
// each, carried out with keys and clicks on that copy's front window and answered as text:
// "open PATH" (with the Open panel), "select TITLE" (a click on the first row titled so),
// "row N" (a click on row N, counted round the rows there are), "type TEXT" (at the end of
// the text shown), "insert TEXT" (at the caret, when the text has the keys; else "skipped"),
// "new TEXT" (New Page by its keys, then the text typed into it at once), "save" (Ctrl+S, waiting
// until it is done), "text" (the text shown), "titles" (the list's titles, a line each), "told"
// (what message boxes said since the last "told", a line each), "check" (the first broken invariant
// of the random-input test, empty when all hold). A command that cannot be done answers "failed: "
// and why.
class CopyCommands final {
public:
    CopyCommands() = delete;

    static QString carryOut(ScenarioApp& app, MessageBoxWatch& watch, const QString& command);
};

} // namespace scenario
