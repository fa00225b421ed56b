#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/foundation/Error.h"

#include <QList>
#include <QRect>
#include <QString>

class QWidget;
class BXMessagePopoverController;

namespace platform {
class ManagedObjectContext;
}

// The shared free functions of the application: checking and guessing regular expressions for
// the search field, home-folder paths, bringing records into another context, the one message
// popover of the process and the snapping of zoom factors. Never instantiated. The popover
// functions run on the main thread, the record lookups on the target context's queue; the rest
// are pure and callable from any thread.
class BXGlobalConstants final {
public:
    BXGlobalConstants() = delete;

    // Compiles `pattern` as an ICU regular expression with no options. A null pattern answers
    // false and leaves `error` alone; an invalid one answers false and fills `error`
    // (kCocoaErrorDomain, code 2048, the pattern under "NSInvalidValue").
    static bool regexValid(const QString& pattern, platform::Error* error);
    // Turns free text into an alternation: "|" becomes ".", the text is split at punctuation,
    // the empty pieces are dropped and the rest are joined with "|" (white space stays).
    static QString guessRegex(const QString& text);

    // True when the file exists and is hidden (on Linux: its name starts with a full stop).
    static bool fileIsInvisibleAtPath(const QString& path);
    // The user's home folder, without a trailing slash.
    static QString realHomeDirectory();
    // Replaces a leading home folder by "~"; any other path comes back unchanged.
    static QString stringByAbbreviatingWithTildeInPath(const QString& path);

    // The same record as seen by `context`, found through its object-ID URI; null for a record
    // that is gone, an object not saved yet, or a context without a store.
    static platform::ManagedObjectPtr getManagedObject(
        const platform::ManagedObjectPtr& object, platform::ManagedObjectContext* context);
    // getManagedObject() of each object in order, leaving out those that give null.
    static QList<platform::ManagedObjectPtr> getManagedObjects(
        const QList<platform::ManagedObjectPtr>& objects, platform::ManagedObjectContext* context);

    // The shared popover controller, or null before the first show.
    static BXMessagePopoverController* messagePopoverController();
    // Replaces the shared controller, taking ownership and deleting the previous one.
    static void setMessagePopoverController(BXMessagePopoverController* controller);
    // Shows `message` in the shared popover beside `frame` of `view`, making the controller on
    // first use.
    static void showMessagePopover(const QString& message, QWidget* view, const QRect& frame);
    static void closeMessagePopover();

    // Snaps `factor` down to a multiple of `quantum` (both taken in hundredths); an exact
    // multiple, a negative factor or a quantum below 0.01 leaves the factor unchanged.
    static double normalizedFactor(double factor, double quantum);
};
