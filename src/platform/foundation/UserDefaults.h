#pragma once

#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QSettings;

namespace platform {

// The application's settings: values the user (or the code) stored, kept in an INI file
// through QSettings, over registered defaults that only live in memory and fill in for keys
// never stored. Registration never replaces a stored value.
//
// The INI file keeps strings, data, dates and dictionaries exactly and arrays through a
// wrapper, but gives plain numbers and Booleans back as text ("true", "72"); the typed getters
// convert both forms, so read them with the getter of the type that was written.
//
// Thread-safe. valueChanged() is emitted on the writing thread after every set and every
// removal of a stored value; receivers in other threads get it queued to their own thread
// (the usual AutoConnection), receivers connected directly run on the writing thread. The file
// is written soon after each change by the event loop of the thread that made the object, and
// when the object is destroyed.
class UserDefaults final : public QObject {
    Q_OBJECT

public:
    // Settings in `iniPath` (tests, or a second set of settings).
    explicit UserDefaults(const QString& iniPath, QObject* parent = nullptr);
    ~UserDefaults() override;

    // The application's settings: $XDG_CONFIG_HOME/Brindlex/Brindlex.conf. First call on the
    // main thread.
    static UserDefaults& standard();

    // Merges `defaults` into the registered values, replacing earlier registrations of the
    // same keys.
    void registerDefaults(const QVariantMap& defaults);

    // The stored value, else the registered one, else an invalid QVariant.
    QVariant objectForKey(const QString& key) const;

    // Typed reads of objectForKey(); a value of another kind gives the type's empty value.
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    quint64 unsignedIntegerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    float floatForKey(const QString& key) const;
    QString stringForKey(const QString& key) const; // also numbers and Booleans as text
    QByteArray dataForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const; // a list of strings counts
    QVariantMap dictionaryForKey(const QString& key) const;
    QDateTime dateForKey(const QString& key) const;

    // Stores `value`; an invalid QVariant removes the key.
    void setObject(const QString& key, const QVariant& value);
    void setBool(const QString& key, bool value) { setObject(key, value); }
    void setInteger(const QString& key, qint64 value) { setObject(key, value); }
    void setUnsignedInteger(const QString& key, quint64 value) { setObject(key, value); }
    void setDouble(const QString& key, double value) { setObject(key, value); }
    void setFloat(const QString& key, float value) { setObject(key, value); }
    void setString(const QString& key, const QString& value) { setObject(key, value); }
    void setData(const QString& key, const QByteArray& value) { setObject(key, value); }
    void setArray(const QString& key, const QVariantList& value) { setObject(key, value); }
    void setDictionary(const QString& key, const QVariantMap& value) { setObject(key, value); }
    void setDate(const QString& key, const QDateTime& value) { setObject(key, value); }
    void removeObject(const QString& key);

signals:
    void valueChanged(const QString& key);

private:
    class LockedSettings;

    mutable QMutex m_mutex;
    std::unique_ptr<LockedSettings> m_settings;
    QVariantMap m_registered;
};

} // namespace platform
