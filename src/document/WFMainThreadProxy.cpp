#include "document/WFMainThreadProxy.h"

#include "platform/foundation/Log.h"

#include <QMetaMethod>

#include <array>

namespace mainthreadproxy {

namespace {

// QMetaMethod::invoke takes at most ten arguments.
constexpr int maxArguments = 10;

bool isCallable(const QMetaMethod& method)
{
    return method.methodType() == QMetaMethod::Slot || method.methodType() == QMetaMethod::Method;
}

std::optional<QMetaMethod> findMethod(const QObject* target, const char* selector, int arity)
{
    if (!target || !selector)
        return std::nullopt;
    const QMetaObject* meta = target->metaObject();
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        if (isCallable(method) && method.name() == selector
            && (arity < 0 || method.parameterCount() == arity))
            return method;
    }
    return std::nullopt;
}

void logUnrecognized(const QObject* target, const char* selector)
{
    platform::log("-[%@ %@]: unrecognized selector sent to instance 0x%@",
        target ? target->metaObject()->className() : "(null)", selector ? selector : "",
        QString::number(reinterpret_cast<quintptr>(target), 16));
}

} // namespace

bool targetResponds(const QObject* target, const char* selector)
{
    return findMethod(target, selector, -1).has_value();
}

std::optional<QVariant> perform(
    QObject* target, const char* selector, const QVariantList& arguments)
{
    const std::optional<QMetaMethod> found = arguments.size() <= maxArguments
        ? findMethod(target, selector, static_cast<int>(arguments.size()))
        : std::nullopt;
    if (!found) {
        logUnrecognized(target, selector);
        return std::nullopt;
    }
    const QMetaMethod method = *found;

    // Everything is prepared here, so a mismatch is refused before the main thread is asked.
    QVariantList values = arguments;
    const QList<QByteArray> typeNames = method.parameterTypes();
    std::array<QGenericArgument, maxArguments> generic;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QMetaType type = method.parameterMetaType(static_cast<int>(i));
        if (type.id() == QMetaType::QVariant) {
            generic[i] = QGenericArgument("QVariant", &values[i]);
            continue;
        }
        if (values[i].metaType() != type && !values[i].convert(type)) {
            platform::log("-[%@ %@]: argument %d cannot be passed as %@",
                target->metaObject()->className(), selector, static_cast<int>(i + 1), type.name());
            logUnrecognized(target, selector);
            return std::nullopt;
        }
        generic[i] = QGenericArgument(typeNames[i].constData(), values[i].constData());
    }

    QVariant result;
    QGenericReturnArgument returnArgument;
    if (method.returnMetaType().id() == QMetaType::QVariant) {
        returnArgument = QGenericReturnArgument("QVariant", &result);
    } else if (method.returnMetaType().id() != QMetaType::Void) {
        result = QVariant(method.returnMetaType());
        returnArgument = QGenericReturnArgument(method.typeName(), result.data());
    }

    bool invoked = false;
    platform::dispatchSyncMain([&] {
        invoked = method.invoke(target, Qt::DirectConnection, returnArgument, generic[0],
            generic[1], generic[2], generic[3], generic[4], generic[5], generic[6], generic[7],
            generic[8], generic[9]);
    });
    if (!invoked) {
        logUnrecognized(target, selector);
        return std::nullopt;
    }
    return result;
}

} // namespace mainthreadproxy
