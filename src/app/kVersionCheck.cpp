#include "app/kVersionCheck.h"

#include "document/BXDefaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RegularExpression.h"
#include "platform/foundation/StringsTable.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/WallClock.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

#include <memory>
#include <mutex>

const QString kVersionCheck::LastVersionKey = QStringLiteral("lastVersion");
const QString kVersionCheck::DownloadURLKey = QStringLiteral("downloadURL");
const QString kVersionCheck::TitleTextKey = QStringLiteral("titleText");
const QString kVersionCheck::InfoTextKey = QStringLiteral("infoText");
const QString kVersionCheck::ErrorKey = QStringLiteral("error");
const QString kVersionCheck::Notification = QStringLiteral("kVersionCheckNotification");
const QUrl kVersionCheck::kFeedURL(
    QStringLiteral("https://brindlex.app/version_checking/Marrowquill.xml"));

namespace {

const QString kTransportErrorDomain = QStringLiteral("QNetworkReplyErrorDomain");

QString tableText(const QString& key)
{
    return platform::localizedFromTable(key, QStringLiteral("VersionCheck"));
}

kVersionCheckError invalidDataError(const QString& reasonKey, const QString& suggestionKey = {})
{
    return kVersionCheckError(platform::kVersionCheckErrorDomain, kVersionCheckError::InvalidData,
        tableText(QStringLiteral("alertVersionCheckFailedMessage")), tableText(reasonKey),
        suggestionKey.isEmpty() ? QString() : tableText(suggestionKey));
}

QVariantMap errorDictionary(const kVersionCheckError& error)
{
    return { { kVersionCheck::ErrorKey, QVariant::fromValue(error) } };
}

// What one request has seen so far.
struct Transfer {
    QByteArray body;
    bool tooLarge = false;
    bool timedOut = false;
};

} // namespace

kVersionCheck::kVersionCheck(platform::UserDefaults& defaults, QObject* parent)
    : QObject(parent),
      m_defaults(defaults),
      m_feedURL(kFeedURL),
      m_network(new QNetworkAccessManager(this))
{ }

kVersionCheck::~kVersionCheck() = default;

void kVersionCheck::setLanguageSource(std::function<QString()> source)
{
    m_languageSource = std::move(source);
}

void kVersionCheck::setTimeouts(int idleMilliseconds, double overallSeconds)
{
    m_idleTimeoutMilliseconds = idleMilliseconds;
    m_overallTimeoutSeconds = overallSeconds;
}

QString kVersionCheck::applicationVersion() const
{
    return QCoreApplication::applicationVersion();
}

void kVersionCheck::checkVersion()
{
    QNetworkRequest request(m_feedURL);
    request.setAttribute(
        QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    request.setTransferTimeout(m_idleTimeoutMilliseconds);
    QNetworkReply* reply = m_network->get(request);
    auto transfer = std::make_shared<Transfer>();
    // Read as it comes so an oversized feed is refused before it is held whole.
    connect(reply, &QNetworkReply::readyRead, this, [reply, transfer] {
        transfer->body += reply->readAll();
        if (transfer->body.size() > kMaximumFeedBytes) {
            transfer->tooLarge = true;
            transfer->body.clear();
            reply->abort();
        }
    });
    // The idle time-out alone lets a server that sends a byte now and then keep a check open.
    platform::dispatchAfter(m_overallTimeoutSeconds, reply, [reply, transfer] {
        transfer->timedOut = true;
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, transfer] {
        reply->deleteLater();
        if (transfer->tooLarge) {
            platform::log(QStringLiteral("Error retrieving versions data: %@"),
                QStringLiteral("the feed is larger than allowed"));
            failCheck(invalidDataError(QStringLiteral("errorVersionsDataInvalid"),
                QStringLiteral("errorRecoverySuggestionTryAgainLater")));
            return;
        }
        if (transfer->timedOut || reply->error() != QNetworkReply::NoError) {
            const platform::Error error = transfer->timedOut
                ? platform::Error(kTransportErrorDomain, QNetworkReply::TimeoutError,
                    QStringLiteral("The server took too long to send the version data."))
                : platform::Error(kTransportErrorDomain, reply->error(), reply->errorString());
            platform::log(
                QStringLiteral("Error retrieving versions data: %@"), error.localizedDescription());
            failCheck(kVersionCheckError::fromTransportError(error));
            return;
        }
        transfer->body += reply->readAll();
        finishData(transfer->body);
    });
}

void kVersionCheck::finishData(const QByteArray& data)
{
    kVersionCheckError error;
    if (!parseData(data, &error)) {
        failCheck(error);
        return;
    }
    m_defaults.setDate(LastUpdatesCheck, platform::WallClock::now());
    const QString version = applicationVersion();
    if (numericCompare(m_versionDictionary.value(LastVersionKey).toString(), version) > 0) {
        completeCheck(true);
        return;
    }
    const QString name
        = platform::format(QStringLiteral("%@ %@"), QCoreApplication::applicationName(), version);
    m_versionDictionary = errorDictionary(kVersionCheckError(platform::kVersionCheckErrorDomain,
        kVersionCheckError::UpToDate, tableText(QStringLiteral("You're up-to-date.")),
        platform::format(tableText(QStringLiteral("Application is up to date.")), name),
        platform::format(
            tableText(QStringLiteral("%@ is currently the newest version available.")), name)));
    completeCheck(false);
}

void kVersionCheck::failCheck(const kVersionCheckError& error)
{
    m_versionDictionary = errorDictionary(error);
    // Kept apart from the last good check, which times the next one.
    m_defaults.setDate(LastFailedUpdatesCheck, platform::WallClock::now());
    completeCheck(false);
}

void kVersionCheck::completeCheck(bool newer)
{
    platform::dispatchAsyncMain([self = QPointer(this), newer] {
        if (!self)
            return;
        if (newer)
            self->updateAvailable();
        const QVariantMap result = self->m_versionDictionary;
        platform::NotificationCenter::defaultCenter().post(Notification, self.data(), result);
        if (self->m_delegate)
            self->m_delegate->versionCheckCompleteNotification(result);
        emit self->checkFinished(result);
    });
}

bool kVersionCheck::parseData(const QByteArray& data, kVersionCheckError* error)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(data);
    if (decoder.hasError()) {
        platform::log(QStringLiteral("Error decoding versions data"));
        if (error) {
            *error = invalidDataError(QStringLiteral("errorVersionsDataInvalid"),
                QStringLiteral("errorRecoverySuggestionTryAgainLater"));
        }
        return false;
    }
    return parseString(text, error);
}

bool kVersionCheck::parseString(const QString& text, kVersionCheckError* error)
{
    const QString lastVersion = extractTag(QStringLiteral("lastversion"), text);
    if (lastVersion.isNull()) {
        if (error)
            *error = invalidDataError(QStringLiteral("errorNoDataFound"));
        return false;
    }
    const QString downloadURL = extractTag(QStringLiteral("downloadurl"), text);
    const QStringList candidates = languageBlockCandidates();
    const QStringList english { QStringLiteral("english"), QStringLiteral("en") };
    auto languageText = [&](const QString& blockName) {
        const QString block = extractBlock(blockName, text);
        if (block.isNull())
            return QString();
        QString found = extractLanguageBlock(candidates, block);
        if (found.isNull())
            found = extractLanguageBlock(english, block);
        return found.trimmed();
    };
    const QString titleText = languageText(QStringLiteral("titletext"));
    const QString infoText = languageText(QStringLiteral("infotext"));

    QVariantMap dictionary { { LastVersionKey, lastVersion } };
    if (!downloadURL.isEmpty())
        dictionary.insert(DownloadURLKey, downloadURL);
    if (!titleText.isEmpty())
        dictionary.insert(TitleTextKey, titleText);
    if (!infoText.isEmpty())
        dictionary.insert(InfoTextKey, infoText);
    m_versionDictionary = dictionary;
    return true;
}

QString kVersionCheck::extractTag(const QString& name, const QString& text)
{
    const QString block = extractBlock(name, text);
    return block.isNull() ? QString() : block.trimmed();
}

QString kVersionCheck::extractBlock(const QString& name, const QString& text)
{
    // Names are the feed's fixed element names, put in unescaped.
    return firstRegexGroup(
        QStringLiteral(R"(<\s*%1\s*>([\s\S]*?)<\s*/\s*%1\s*>)").arg(name), text, true);
}

QString kVersionCheck::extractLanguageBlock(const QStringList& names, const QString& text)
{
    for (const QString& name : names) {
        const QString block = extractBlock(name, text);
        if (!block.isNull())
            return block;
    }
    return {};
}

QString kVersionCheck::firstRegexGroup(
    const QString& pattern, const QString& text, bool caseInsensitive)
{
    // The feed's dozen patterns are compiled once each, not on every check.
    static std::mutex mutex;
    static QHash<std::pair<QString, bool>, std::shared_ptr<platform::RegularExpression>> compiled;
    std::shared_ptr<platform::RegularExpression> regex;
    {
        std::lock_guard lock(mutex);
        const auto key = std::make_pair(pattern, caseInsensitive);
        auto found = compiled.constFind(key);
        if (found == compiled.cend())
            found = compiled.insert(
                key, platform::RegularExpression::compile(pattern, caseInsensitive));
        regex = *found;
    }
    if (!regex)
        return {};
    const auto group = regex->findGroup(text, 1);
    if (!group)
        return {};
    // An empty group is still found: "" rather than null.
    return group->length == 0 ? QStringLiteral("") : text.mid(group->start, group->length);
}

QStringList kVersionCheck::languageBlockCandidates(const QString& languageCode)
{
    const QString code = languageCode.section(QLatin1Char('-'), 0, 0).toLower();
    static const QList<std::pair<QString, QStringList>> table {
        { QStringLiteral("it"),
            { QStringLiteral("italian"), QStringLiteral("italiano"), QStringLiteral("it") } },
        { QStringLiteral("en"), { QStringLiteral("english"), QStringLiteral("en") } },
        { QStringLiteral("fr"), { QStringLiteral("french"), QStringLiteral("fr") } },
        { QStringLiteral("de"), { QStringLiteral("german"), QStringLiteral("de") } },
        { QStringLiteral("es"), { QStringLiteral("spanish"), QStringLiteral("es") } },
        { QStringLiteral("pt"), { QStringLiteral("portuguese"), QStringLiteral("pt") } },
        { QStringLiteral("ru"), { QStringLiteral("russian"), QStringLiteral("ru") } },
        { QStringLiteral("ja"), { QStringLiteral("japanese"), QStringLiteral("ja") } },
        { QStringLiteral("ko"), { QStringLiteral("korean"), QStringLiteral("ko") } },
    };
    for (const auto& [language, names] : table) {
        if (code == language)
            return names;
    }
    if (code.startsWith(QStringLiteral("zh")))
        return { QStringLiteral("chinese"), QStringLiteral("zh") };
    return { QStringLiteral("english"), QStringLiteral("en") };
}

QStringList kVersionCheck::languageBlockCandidates() const
{
    QString language;
    if (m_languageSource)
        language = m_languageSource();
    else
        language = QLocale::system().uiLanguages().value(0);
    return languageBlockCandidates(language.isEmpty() ? QStringLiteral("en") : language);
}

int kVersionCheck::numericCompare(const QString& left, const QString& right)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < left.size() && j < right.size()) {
        if (left[i].isDigit() && right[j].isDigit()) {
            const qsizetype iStart = i;
            const qsizetype jStart = j;
            while (i < left.size() && left[i].isDigit())
                ++i;
            while (j < right.size() && right[j].isDigit())
                ++j;
            // Value order without overflow: drop leading zeros, then longer is larger.
            QStringView a = QStringView(left).mid(iStart, i - iStart);
            QStringView b = QStringView(right).mid(jStart, j - jStart);
            while (a.size() > 1 && a.front() == QLatin1Char('0'))
                a = a.mid(1);
            while (b.size() > 1 && b.front() == QLatin1Char('0'))
                b = b.mid(1);
            if (a.size() != b.size())
                return a.size() < b.size() ? -1 : 1;
            if (const int order = a.compare(b); order != 0)
                return order < 0 ? -1 : 1;
            continue;
        }
        if (left[i] != right[j])
            return left[i] < right[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < left.size())
        return 1;
    if (j < right.size())
        return -1;
    return 0;
}
