#pragma once

#include "app/kVersionCheckError.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {
class UserDefaults;
}

// Reads the newest version, its download address and a title and text in the user's language
// from a small text feed, and compares the version with the running application's. Each value
// is cut out of the text with one regular expression, not parsed as XML. A check always ends
// on the main thread with the notification kVersionCheckNotification and a call to the
// delegate; a newer version first goes to updateAvailable(). Main thread.
class kVersionCheck : public QObject {
    Q_OBJECT

public:
    // Keys of versionDictionary() and of the notification's user info.
    static const QString LastVersionKey;
    static const QString DownloadURLKey;
    static const QString TitleTextKey;
    static const QString InfoTextKey;
    static const QString ErrorKey;
    static const QString Notification;

    // The feed on the web site.
    static const QUrl kFeedURL;
    // A feed larger than this is refused as invalid data without being held whole.
    static constexpr qint64 kMaximumFeedBytes = 1024 * 1024;
    static constexpr int kMaximumRedirects = 5;

    // Told when a check ends, on the main thread.
    class Delegate {
    public:
        virtual ~Delegate() = default;
        virtual void versionCheckCompleteNotification(const QVariantMap& userInfo) = 0;
    };

    // `defaults` receives LastUpdatesCheck after each good check, LastFailedUpdatesCheck after
    // each that failed.
    explicit kVersionCheck(platform::UserDefaults& defaults, QObject* parent = nullptr);
    ~kVersionCheck() override;

    // Starts one asynchronous check and returns at once.
    virtual void checkVersion();

    // Fills versionDictionary() from a feed; false with a code -3 error when it has no version.
    bool parseString(const QString& text, kVersionCheckError* error = nullptr);
    // Strict UTF-8 first; undecodable bytes fail with a code -3 error.
    bool parseData(const QByteArray& data, kVersionCheckError* error = nullptr);

    // The content of the first element `name`, trimmed; null when absent.
    static QString extractTag(const QString& name, const QString& text);
    // The same untrimmed.
    static QString extractBlock(const QString& name, const QString& text);
    // The untrimmed content of the first of `names`, in that order, that occurs as an element.
    static QString extractLanguageBlock(const QStringList& names, const QString& text);
    // The first capture group of the first match in `text`; null when the pattern does not
    // compile, nothing matches or the group took no part.
    static QString firstRegexGroup(
        const QString& pattern, const QString& text, bool caseInsensitive);
    // Element names for a language code ("pt-BR", "zh_TW", "en"), most specific first.
    static QStringList languageBlockCandidates(const QString& languageCode);
    QStringList languageBlockCandidates() const;

    // Digit runs compare by value: 1.10 orders after 1.9. Negative, 0 or positive.
    static int numericCompare(const QString& left, const QString& right);

    const QVariantMap& versionDictionary() const { return m_versionDictionary; }
    Delegate* delegate() const { return m_delegate; }
    // Not owned; the owner clears it before it goes.
    void setDelegate(Delegate* delegate) { m_delegate = delegate; }

    // Where the user's language comes from (default: the first of the system's UI languages).
    void setLanguageSource(std::function<QString()> source);
    // Tests point the check at a local server and shorten its limits.
    void setFeedURL(const QUrl& url) { m_feedURL = url; }
    void setTimeouts(int idleMilliseconds, double overallSeconds);

signals:
    // After the notification and the delegate, for those that wait on a check.
    void checkFinished(const QVariantMap& result);

protected:
    // A newer version was found; the application shows its update window here.
    virtual void updateAvailable() { }
    // The application's short version (from the build).
    virtual QString applicationVersion() const;
    platform::UserDefaults& defaults() const { return m_defaults; }

private:
    void finishReply(QNetworkReply* reply);
    void finishData(const QByteArray& data);
    void failCheck(const kVersionCheckError& error);
    void completeCheck(bool newer);

    platform::UserDefaults& m_defaults;
    QVariantMap m_versionDictionary;
    Delegate* m_delegate = nullptr;
    std::function<QString()> m_languageSource;
    QUrl m_feedURL;
    int m_idleTimeoutMilliseconds = 5000;
    double m_overallTimeoutSeconds = 60.0;
    QNetworkAccessManager* m_network;
};
