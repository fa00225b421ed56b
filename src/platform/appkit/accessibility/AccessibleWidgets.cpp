#include "AccessibleWidgets.h"

#include "AccessibleStepper.h"
#include "AccessibleTextView.h"
#include "AccessibleTokenField.h"
#include "platform/appkit/Stepper.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/TokenField.h"

namespace platform {

namespace {

// Qt asks with each class name of the object's ancestry in turn, most derived first, so a
// subclass of ours is answered when its ancestor's name comes.
QAccessibleInterface* accessibleWidget(const QString& className, QObject* object)
{
    if (className == QLatin1String(TextView::staticMetaObject.className()))
        return new AccessibleTextView(static_cast<TextView*>(object));
    if (className == QLatin1String(TokenField::staticMetaObject.className()))
        return new AccessibleTokenField(static_cast<TokenField*>(object));
    if (className == QLatin1String(Stepper::staticMetaObject.className()))
        return new AccessibleStepper(static_cast<Stepper*>(object));
    // Qt tells a plain widget as a filler even when it stands as a window of its own.
    if (className == QLatin1String("QWidget") && object->isWidgetType()
        && static_cast<QWidget*>(object)->isWindow())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void AccessibleWidgets::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(accessibleWidget);
}

} // namespace platform
