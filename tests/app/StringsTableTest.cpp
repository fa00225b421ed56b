#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kSourceRoot = QDir::cleanPath(QStringLiteral(BX_TEST_DATA_DIR "/../../.."));

QJsonObject table(const QString& name)
{
    QFile file(kSourceRoot + QStringLiteral("/resources/strings/%1.json").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The text of a call's arguments: from `open` (just after the opening parenthesis) to the
// matching closing one, string literals skipped whole.
QString arguments(const QString& source, qsizetype open)
{
    int depth = 1;
    qsizetype at = open;
    while (depth > 0 && at < source.size()) {
        const QChar c = source.at(at);
        if (c == u'"') {
            ++at;
            while (at < source.size() && source.at(at) != u'"')
                at += source.at(at) == u'\\' ? 2 : 1;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        }
        ++at;
    }
    return source.mid(open, at - open);
}

struct Lookup {
    QString key;
    bool prefix; // the literal starts a key that the code completes
    bool versionCheck;
    QString file;
};

// Every symbolic key ("buttonQuit", not English text, which is its own default) that the code
// hands to a strings-table lookup, written at the call.
QList<Lookup> lookups()
{
    static const QRegularExpression call(
        QStringLiteral(R"(\b(localized|localizedFormat|localizedFromTable|tableText)\s*\()"));
    static const QRegularExpression literal(
        QStringLiteral(R"re("((?:[^"\\]|\\.)*)"(\s*\))?\s*(\+)?)re"));
    static const QRegularExpression symbolic(QStringLiteral("^[a-z][a-z0-9]*[A-Z][A-Za-z0-9]*$"));
    QList<Lookup> found;
    QDirIterator files(kSourceRoot + QStringLiteral("/src"),
        { QStringLiteral("*.cpp"), QStringLiteral("*.h") }, QDir::Files,
        QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString source = QString::fromUtf8(file.readAll());
        auto calls = call.globalMatch(source);
        while (calls.hasNext()) {
            const QRegularExpressionMatch match = calls.next();
            const QString args = arguments(source, match.capturedEnd());
            // The update check's texts are in a table of their own.
            const bool versionCheck = match.captured(1) == QLatin1String("tableText")
                || (match.captured(1) == QLatin1String("localizedFromTable")
                    && source.contains(QLatin1String("QStringLiteral(\"VersionCheck\")")));
            auto literals = literal.globalMatch(args);
            while (literals.hasNext()) {
                const QRegularExpressionMatch text = literals.next();
                if (symbolic.match(text.captured(1)).hasMatch())
                    found.append({ text.captured(1), !text.captured(3).isEmpty(), versionCheck,
                        QDir(kSourceRoot).relativeFilePath(path) });
            }
        }
    }
    return found;
}

// A key missing from the table would show on screen as the key itself.
TEST(StringsTableTest, EveryKeyTheCodeLooksUpHasItsText)
{
    const QJsonObject localizable = table(QStringLiteral("Localizable"));
    const QJsonObject versionCheck = table(QStringLiteral("VersionCheck"));
    ASSERT_FALSE(localizable.isEmpty());
    ASSERT_FALSE(versionCheck.isEmpty());
    const QList<Lookup> found = lookups();
    // The scan sees the lookups it must: a symbolic key, a key completed by the code, the
    // update check's table.
    const auto seen = [&](const QString& key) {
        return std::any_of(
            found.cbegin(), found.cend(), [&](const Lookup& lookup) { return lookup.key == key; });
    };
    EXPECT_TRUE(seen(QStringLiteral("buttonQuit")));
    EXPECT_TRUE(seen(QStringLiteral("alertDeletePage")));
    EXPECT_TRUE(seen(QStringLiteral("buttonDownload")));
    for (const Lookup& lookup : found) {
        const QJsonObject& strings = lookup.versionCheck ? versionCheck : localizable;
        const QStringList keys = strings.keys();
        const bool present = lookup.prefix ? std::any_of(keys.cbegin(), keys.cend(),
                                 [&](const QString& key) { return key.startsWith(lookup.key); })
                                           : strings.contains(lookup.key);
        EXPECT_TRUE(present) << lookup.key.toStdString() << " (" << lookup.file.toStdString()
                             << ")";
    }
}

} // namespace
