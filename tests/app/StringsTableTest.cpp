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

// A strings-table lookup, up to its opening parenthesis.
const QRegularExpression& lookupCall()
{
    static const QRegularExpression call(
        QStringLiteral(R"(\b(localized|localizedFormat|localizedFromTable|tableText)\s*\()"));
    return call;
}

// Whether one of the file's lookups is handed a key held elsewhere (no literal at the call):
// its keys then sit in a table of items in the file.
bool looksUpHeldKeys(const QString& source)
{
    auto calls = lookupCall().globalMatch(source);
    while (calls.hasNext()) {
        if (!arguments(source, calls.next().capturedEnd()).contains(u'"'))
            return true;
    }
    return false;
}

// The C-string literals that are items of a brace initialiser (`{ "aboutLinkWebsite", site }`):
// the form item tables keep their keys in. Comments, character and raw literals are skipped.
QStringList tableItemLiterals(const QString& source)
{
    QStringList items;
    QString brackets;
    QChar before; // the last character outside literals, spaces left out
    for (qsizetype at = 0; at < source.size(); ++at) {
        const QChar c = source.at(at);
        if (source.mid(at, 2) == QLatin1String("//")) {
            at = source.indexOf(u'\n', at);
            if (at < 0)
                break;
        } else if (c == u'\'') {
            at = source.indexOf(u'\'', at + (source.at(at + 1) == u'\\' ? 3 : 2));
        } else if (source.mid(at, 2) == QLatin1String("R\"")) {
            const qsizetype open = source.indexOf(u'(', at);
            const QString close = u')' + source.mid(at + 2, open - at - 2) + u'"';
            at = source.indexOf(close, open) + close.size() - 1;
            before = u'"';
        } else if (c == u'"') {
            qsizetype end = at + 1;
            while (end < source.size() && source.at(end) != u'"')
                end += source.at(end) == u'\\' ? 2 : 1;
            if (brackets.endsWith(u'{') && (before == u'{' || before == u','))
                items << source.mid(at + 1, end - at - 1);
            at = end;
            before = u'"';
        } else if (!c.isSpace()) {
            if (c == u'{' || c == u'(' || c == u'[')
                brackets.append(c);
            else if ((c == u'}' || c == u')' || c == u']') && !brackets.isEmpty())
                brackets.chop(1);
            before = c;
        }
    }
    return items;
}

struct Lookup {
    QString key;
    bool prefix; // the literal starts a key that the code completes
    bool versionCheck;
    QString file;
};

// Every symbolic key ("buttonQuit", not English text, which is its own default) that the code
// hands to a strings-table lookup, written at the call or in a table of items looked up later.
QList<Lookup> lookups()
{
    static const QRegularExpression literal(
        QStringLiteral(R"re("((?:[^"\\]|\\.)*)"(\s*\))?\s*(\+)?)re"));
    static const QRegularExpression symbolic(QStringLiteral("^[a-z][a-z0-9]*[A-Z][A-Za-z0-9]*$"));
    const auto relative
        = [](const QString& path) { return QDir(kSourceRoot).relativeFilePath(path); };
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
        const bool versionCheckFile
            = source.contains(QLatin1String("QStringLiteral(\"VersionCheck\")"));
        if (looksUpHeldKeys(source)) {
            for (const QString& item : tableItemLiterals(source)) {
                if (symbolic.match(item).hasMatch())
                    found.append({ item, false, versionCheckFile, relative(path) });
            }
        }
        auto calls = lookupCall().globalMatch(source);
        while (calls.hasNext()) {
            const QRegularExpressionMatch match = calls.next();
            const QString args = arguments(source, match.capturedEnd());
            // The update check's texts are in a table of their own.
            const bool versionCheck = match.captured(1) == QLatin1String("tableText")
                || (match.captured(1) == QLatin1String("localizedFromTable") && versionCheckFile);
            auto literals = literal.globalMatch(args);
            while (literals.hasNext()) {
                const QRegularExpressionMatch text = literals.next();
                if (symbolic.match(text.captured(1)).hasMatch())
                    found.append({ text.captured(1), !text.captured(3).isEmpty(), versionCheck,
                        relative(path) });
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
    // update check's table, keys in tables of items.
    const auto seen = [&](const QString& key) {
        return std::any_of(
            found.cbegin(), found.cend(), [&](const Lookup& lookup) { return lookup.key == key; });
    };
    EXPECT_TRUE(seen(QStringLiteral("buttonQuit")));
    EXPECT_TRUE(seen(QStringLiteral("alertDeletePage")));
    EXPECT_TRUE(seen(QStringLiteral("buttonDownload")));
    EXPECT_TRUE(seen(QStringLiteral("aboutLinkPrivacy")));
    EXPECT_TRUE(seen(QStringLiteral("toolbarDeleteButtonPaletteLabel")));
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
