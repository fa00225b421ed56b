#include "BXGlobalConstants.h"

#include "BXMessagePopoverController.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/RegularExpression.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cmath>

namespace {

QMutex popoverMutex;
BXMessagePopoverController* sharedPopoverController = nullptr;

} // namespace

bool BXGlobalConstants::regexValid(const QString& pattern, platform::Error* error)
{
    if (pattern.isNull())
        return false;
    platform::Error compileError;
    if (platform::RegularExpression::compile(pattern, false, &compileError))
        return true;
    platform::Error failure(platform::kCocoaErrorDomain,
        platform::RegularExpression::FormattingErrorCode,
        platform::localizedFormat(QStringLiteral("The value “%@” is invalid."), pattern),
        compileError.localizedFailureReason());
    failure.setUserInfoValue(QStringLiteral("NSInvalidValue"), pattern);
    platform::Error::set(error, failure);
    return false;
}

QString BXGlobalConstants::guessRegex(const QString& text)
{
    QString source = text;
    source.replace(QLatin1Char('|'), QLatin1Char('.'));
    QStringList fragments;
    QString fragment;
    for (const QChar c : std::as_const(source)) {
        if (c.isPunct()) {
            if (!fragment.isEmpty())
                fragments.append(fragment);
            fragment.clear();
        } else {
            fragment.append(c);
        }
    }
    if (!fragment.isEmpty())
        fragments.append(fragment);
    return fragments.join(QLatin1Char('|'));
}

bool BXGlobalConstants::fileIsInvisibleAtPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isHidden();
}

QString BXGlobalConstants::realHomeDirectory()
{
    return QDir::cleanPath(QDir::homePath());
}

QString BXGlobalConstants::stringByAbbreviatingWithTildeInPath(const QString& path)
{
    const QString home = realHomeDirectory();
    if (home.isEmpty() || home == QLatin1String("/"))
        return path;
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home) && path.at(home.size()) == QLatin1Char('/'))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

platform::ManagedObjectPtr BXGlobalConstants::getManagedObject(
    const platform::ManagedObjectPtr& object, platform::ManagedObjectContext* context)
{
    if (!object || !context || !context->persistentStoreCoordinator())
        return nullptr;
    const platform::ManagedObjectID id
        = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(
            object->objectID().URIRepresentation());
    // A temporary ID names an object that only its own context knows.
    if (id.isNull() || id.isTemporaryID())
        return nullptr;
    return context->existingObjectWithID(id, nullptr);
}

QList<platform::ManagedObjectPtr> BXGlobalConstants::getManagedObjects(
    const QList<platform::ManagedObjectPtr>& objects, platform::ManagedObjectContext* context)
{
    QList<platform::ManagedObjectPtr> result;
    for (const platform::ManagedObjectPtr& object : objects) {
        if (platform::ManagedObjectPtr found = getManagedObject(object, context))
            result.append(found);
    }
    return result;
}

BXMessagePopoverController* BXGlobalConstants::messagePopoverController()
{
    QMutexLocker lock(&popoverMutex);
    return sharedPopoverController;
}

void BXGlobalConstants::setMessagePopoverController(BXMessagePopoverController* controller)
{
    BXMessagePopoverController* previous = nullptr;
    {
        QMutexLocker lock(&popoverMutex);
        previous = std::exchange(sharedPopoverController, controller);
    }
    if (previous != controller)
        delete previous;
}

void BXGlobalConstants::showMessagePopover(
    const QString& message, QWidget* view, const QRect& frame)
{
    BXMessagePopoverController* controller = nullptr;
    {
        QMutexLocker lock(&popoverMutex);
        // Lives for the rest of the process.
        if (!sharedPopoverController)
            sharedPopoverController = new BXMessagePopoverController;
        controller = sharedPopoverController;
    }
    controller->showMessage(message, view, frame);
}

void BXGlobalConstants::closeMessagePopover()
{
    if (BXMessagePopoverController* controller = messagePopoverController())
        controller->closePopover();
}

double BXGlobalConstants::normalizedFactor(double factor, double quantum)
{
    const auto q = static_cast<qint64>(std::trunc(quantum * 100.0));
    if (q <= 0)
        return factor;
    const auto f = static_cast<qint64>(std::trunc(factor * 100.0));
    const qint64 remainder = f % q;
    return remainder > 0 ? double(f - remainder) * 0.01 : factor;
}
