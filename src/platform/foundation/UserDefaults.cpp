#include "UserDefaults.h"

#include "VariantKind.h"

#include <QMutexLocker>
#include <QSettings>

#include <cmath>
#include <limits>

namespace platform {

// QSettings flushes its changes from an event on its own thread; taking our mutex there too
// keeps that flush from racing with a write from another thread.
class UserDefaults::LockedSettings final : public QSettings {
public:
    LockedSettings(QMutex& mutex, const QString& path)
        : QSettings(path, QSettings::IniFormat), m_mutex(mutex)
    { }

protected:
    bool event(QEvent* event) override
    {
        QMutexLocker locker(&m_mutex);
        return QSettings::event(event);
    }

private:
    QMutex& m_mutex;
};

namespace {

// Booleans written to the file come back as "true"/"false"; hand edits may say "YES" or "1".
std::optional<bool> textAsBool(const QString& text)
{
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("true") || word == QLatin1String("yes"))
        return true;
    if (word == QLatin1String("false") || word == QLatin1String("no"))
        return false;
    return std::nullopt;
}

qint64 doubleToInteger(double number)
{
    if (std::isnan(number))
        return 0;
    if (number >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (number <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return qint64(number);
}

std::optional<double> asDouble(const QVariant& value)
{
    if (VariantKind::isBoolean(value))
        return value.toBool() ? 1.0 : 0.0;
    if (VariantKind::isNumber(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString) {
        if (const std::optional<bool> flag = textAsBool(value.toString()))
            return *flag ? 1.0 : 0.0;
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (ok)
            return number;
    }
    return std::nullopt;
}

// A list is stored inside a one-element list: QSettings writes that form as a typed blob, while
// a longer list would become comma-separated text that reads back as strings.
QVariant toStored(const QVariant& value)
{
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList)
        return QVariant(QVariantList { QVariant(value.toList()) });
    return value;
}

QVariant fromStored(const QVariant& value)
{
    if (value.typeId() == QMetaType::QVariantList) {
        const QVariantList wrapper = value.toList();
        if (wrapper.size() == 1 && wrapper.first().typeId() == QMetaType::QVariantList)
            return wrapper.first();
    }
    if (value.typeId() == QMetaType::QStringList) // written by hand
        return QVariant(value.toList());
    return value;
}

} // namespace

UserDefaults::UserDefaults(const QString& iniPath, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<LockedSettings>(m_mutex, iniPath))
{ }

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standard()
{
    static UserDefaults instance(QSettings(QSettings::NativeFormat, QSettings::UserScope,
        QStringLiteral("Brindlex"), QStringLiteral("Brindlex"))
                                     .fileName());
    return instance;
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    QMutexLocker locker(&m_mutex);
    m_registered.insert(defaults);
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    QMutexLocker locker(&m_mutex);
    if (m_settings->contains(key))
        return fromStored(m_settings->value(key));
    return m_registered.value(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        // Like the platform: "Y", "T" or a non-zero number.
        const QString text = value.toString().trimmed();
        if (text.startsWith(QLatin1Char('y'), Qt::CaseInsensitive)
            || text.startsWith(QLatin1Char('t'), Qt::CaseInsensitive))
            return true;
    }
    const std::optional<double> number = asDouble(value);
    return number && *number != 0;
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::ULongLong:
        return qint64(value.toULongLong());
    case QMetaType::QString: {
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        if (ok)
            return number;
        break;
    }
    default:
        break;
    }
    const std::optional<double> number = asDouble(value);
    return number ? doubleToInteger(*number) : 0;
}

quint64 UserDefaults::unsignedIntegerForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::ULongLong)
        return value.toULongLong();
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const quint64 number = value.toString().trimmed().toULongLong(&ok);
        if (ok)
            return number;
    }
    return quint64(integerForKey(key));
}

double UserDefaults::doubleForKey(const QString& key) const
{
    return asDouble(objectForKey(key)).value_or(0.0);
}

float UserDefaults::floatForKey(const QString& key) const
{
    return float(doubleForKey(key));
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString || VariantKind::isBoolean(value)
        || VariantKind::isNumber(value))
        return value.toString();
    return {};
}

QByteArray UserDefaults::dataForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QVariantList UserDefaults::arrayForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList)
        return value.toList();
    return {};
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

QDateTime UserDefaults::dateForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

void UserDefaults::setObject(const QString& key, const QVariant& value)
{
    if (!value.isValid()) {
        removeObject(key);
        return;
    }
    {
        QMutexLocker locker(&m_mutex);
        m_settings->setValue(key, toStored(value));
    }
    emit valueChanged(key);
}

void UserDefaults::removeObject(const QString& key)
{
    {
        QMutexLocker locker(&m_mutex);
        if (!m_settings->contains(key))
            return;
        m_settings->remove(key);
    }
    emit valueChanged(key);
}

} // namespace platform
