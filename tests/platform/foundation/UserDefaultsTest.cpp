#include "platform/foundation/UserDefaults.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QThread>

#include <limits>
#include <memory>
#include <vector>

using namespace platform;

namespace {

QString freshSettingsPath()
{
    return bxtest::makeTempFolder(QStringLiteral("defaults")) + QStringLiteral("/settings.conf");
}

// Settings as a later launch reads them: a copy of the file under a new name, so nothing comes
// from the values this process still holds in memory.
QString reopenedCopy(const QString& path)
{
    const QString copy = freshSettingsPath();
    EXPECT_TRUE(QFile::copy(path, copy));
    return copy;
}

} // namespace

TEST(UserDefaults, TypedGettersFallBackToRegisteredValues)
{
    UserDefaults defaults(freshSettingsPath());
    defaults.registerDefaults({
        { "Flag", true },
        { "Margin", 72.0f },
        { "Encoding", 4u },
        { "Type", QStringLiteral("public.rtf") },
        { "Blob", QByteArray("\x00\x01", 2) },
        { "List", QVariantList { 1, 2 } },
        { "Map", QVariantMap { { "a", 1 } } },
    });
    defaults.registerDefaults({ { "Later", QStringLiteral("merged") }, { "Type", "public.html" } });

    EXPECT_TRUE(defaults.boolForKey("Flag"));
    EXPECT_EQ(defaults.floatForKey("Margin"), 72.0f);
    EXPECT_EQ(defaults.doubleForKey("Margin"), 72.0);
    EXPECT_EQ(defaults.integerForKey("Encoding"), 4);
    EXPECT_EQ(defaults.unsignedIntegerForKey("Encoding"), 4u);
    EXPECT_EQ(defaults.stringForKey("Type"), "public.html");
    EXPECT_EQ(defaults.stringForKey("Later"), "merged");
    EXPECT_EQ(defaults.dataForKey("Blob"), QByteArray("\x00\x01", 2));
    EXPECT_EQ(defaults.arrayForKey("List"), (QVariantList { 1, 2 }));
    EXPECT_EQ(defaults.dictionaryForKey("Map"), (QVariantMap { { "a", 1 } }));
    EXPECT_EQ(defaults.objectForKey("Margin").typeId(), QMetaType::Float);

    // Absent keys and reads of the wrong kind give empty values.
    EXPECT_FALSE(defaults.objectForKey("Missing").isValid());
    EXPECT_FALSE(defaults.boolForKey("Missing"));
    EXPECT_EQ(defaults.integerForKey("Missing"), 0);
    EXPECT_TRUE(defaults.stringForKey("Missing").isNull());
    EXPECT_FALSE(defaults.dateForKey("Missing").isValid());
    EXPECT_TRUE(defaults.dataForKey("Type").isEmpty());
    EXPECT_TRUE(defaults.arrayForKey("Map").isEmpty());
    EXPECT_TRUE(defaults.stringForKey("List").isNull());
}

TEST(UserDefaults, StoredValueWinsAndSurvivesTheNextLaunchsRegistration)
{
    const QString path = freshSettingsPath();
    {
        UserDefaults defaults(path);
        defaults.registerDefaults({ { "AutoCheck", true }, { "Units", QStringLiteral("Inches") } });
        defaults.setBool("AutoCheck", false);
        defaults.setString("Units", QStringLiteral("Centimeters"));
        EXPECT_FALSE(defaults.boolForKey("AutoCheck"));
        defaults.registerDefaults({ { "AutoCheck", true } });
        EXPECT_FALSE(defaults.boolForKey("AutoCheck"));
    }
    UserDefaults nextLaunch(reopenedCopy(path));
    nextLaunch.registerDefaults({ { "AutoCheck", true }, { "Units", QStringLiteral("Inches") } });
    EXPECT_FALSE(nextLaunch.boolForKey("AutoCheck"));
    EXPECT_EQ(nextLaunch.stringForKey("Units"), "Centimeters");

    nextLaunch.removeObject("Units");
    EXPECT_EQ(nextLaunch.stringForKey("Units"), "Inches");
    nextLaunch.setObject("AutoCheck", QVariant());
    EXPECT_TRUE(nextLaunch.boolForKey("AutoCheck"));
}

TEST(UserDefaults, EveryKindOfValueSurvivesTheFile)
{
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1733561234567);
    const QVariantList mixed { 1, QStringLiteral("x, y"), true, 2.5, QByteArray("\xff", 1) };
    const QVariantMap nested { { "list", mixed }, { "date", date }, { "empty", QVariantMap {} } };
    const QString path = freshSettingsPath();
    {
        UserDefaults defaults(path);
        defaults.setBool("Bool", true);
        defaults.setBool("False", false);
        defaults.setInteger("Integer", -(qint64(1) << 40));
        defaults.setUnsignedInteger("Unsigned", std::numeric_limits<quint64>::max());
        defaults.setDouble("Double", 0.1);
        defaults.setFloat("Float", 72.0f);
        defaults.setString("String", QStringLiteral("  @Variant(x), \"quoted\"; ünïcode  "));
        defaults.setString("Empty", QString());
        defaults.setData("Data", QByteArray("\x00\x01\n=", 4));
        defaults.setArray("Mixed", mixed);
        defaults.setArray("NoItems", {});
        defaults.setArray("OneNumber", { 5 });
        defaults.setArray("Strings", { QStringLiteral("a"), QStringLiteral("b") });
        defaults.setArray("ListOfList", { QVariant(QVariantList { 1, 2 }) });
        defaults.setObject("StringList", QStringList { "c", "d" });
        defaults.setDictionary("Dictionary", nested);
        defaults.setDate("Date", date);
    }
    UserDefaults reopened(reopenedCopy(path));
    EXPECT_TRUE(reopened.boolForKey("Bool"));
    EXPECT_FALSE(reopened.boolForKey("False"));
    EXPECT_EQ(reopened.integerForKey("Integer"), -(qint64(1) << 40));
    EXPECT_EQ(reopened.unsignedIntegerForKey("Unsigned"), std::numeric_limits<quint64>::max());
    EXPECT_EQ(reopened.doubleForKey("Double"), 0.1);
    EXPECT_EQ(reopened.floatForKey("Float"), 72.0f);
    EXPECT_EQ(reopened.integerForKey("Float"), 72);
    EXPECT_EQ(reopened.integerForKey("Bool"), 1);
    EXPECT_EQ(reopened.stringForKey("String"), "  @Variant(x), \"quoted\"; ünïcode  ");
    EXPECT_TRUE(reopened.objectForKey("Empty").isValid());
    EXPECT_TRUE(reopened.stringForKey("Empty").isEmpty());
    EXPECT_EQ(reopened.dataForKey("Data"), QByteArray("\x00\x01\n=", 4));
    EXPECT_EQ(reopened.objectForKey("Mixed"), QVariant(mixed));
    EXPECT_EQ(reopened.objectForKey("Mixed").toList().at(0).typeId(), QMetaType::Int);
    EXPECT_TRUE(reopened.objectForKey("NoItems").isValid());
    EXPECT_TRUE(reopened.arrayForKey("NoItems").isEmpty());
    EXPECT_EQ(reopened.arrayForKey("OneNumber"), QVariantList { 5 });
    EXPECT_EQ(reopened.arrayForKey("Strings"), (QVariantList { "a", "b" }));
    EXPECT_EQ(reopened.arrayForKey("ListOfList"), QVariantList { QVariant(QVariantList { 1, 2 }) });
    EXPECT_EQ(reopened.arrayForKey("StringList"), (QVariantList { "c", "d" }));
    EXPECT_EQ(reopened.dictionaryForKey("Dictionary"), nested);
    EXPECT_EQ(reopened.dateForKey("Date"), date);
}

TEST(UserDefaults, HandWrittenTextConvertsToEachType)
{
    const QString path = freshSettingsPath();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\nyes=YES\nno=no\none=1\nzero=0\nhalf=2.75\nword=hello\n"
                   "negative=-3\nlist=a, b, c\nhuge=18446744073709551615\n");
    }
    UserDefaults defaults(path);
    struct Case {
        const char* key;
        bool asBool;
        qint64 asInteger;
        double asDouble;
    } cases[] = {
        { "yes", true, 1, 1.0 },
        { "no", false, 0, 0.0 },
        { "one", true, 1, 1.0 },
        { "zero", false, 0, 0.0 },
        { "half", true, 2, 2.75 },
        { "word", false, 0, 0.0 },
        { "negative", true, -3, -3 },
        { "absent", false, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(defaults.boolForKey(c.key), c.asBool);
        EXPECT_EQ(defaults.integerForKey(c.key), c.asInteger);
        EXPECT_EQ(defaults.doubleForKey(c.key), c.asDouble);
    }
    EXPECT_EQ(defaults.arrayForKey("list"), (QVariantList { "a", "b", "c" }));
    EXPECT_EQ(defaults.stringForKey("half"), "2.75");
    EXPECT_EQ(defaults.unsignedIntegerForKey("huge"), std::numeric_limits<quint64>::max());
}

TEST(UserDefaults, ChangeSignalFollowsWritesFromAnyThread)
{
    UserDefaults defaults(freshSettingsPath());
    auto spy = std::make_unique<QSignalSpy>(&defaults, &UserDefaults::valueChanged);
    defaults.setString("Units", "Points");
    defaults.removeObject("Units");
    defaults.removeObject("Units"); // nothing stored: no change
    ASSERT_EQ(spy->count(), 2);
    EXPECT_EQ(spy->at(0).at(0).toString(), "Units");
    EXPECT_EQ(spy->at(1).at(0).toString(), "Units");
    spy.reset(); // a spy records on the emitting thread, so it cannot watch the workers

    // A receiver on this thread hears about writes made on workers, queued to it.
    QObject receiver;
    QStringList heard;
    QObject::connect(&defaults, &UserDefaults::valueChanged, &receiver,
        [&](const QString& key) { heard.append(key); });
    std::vector<std::unique_ptr<QThread>> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back(QThread::create([&defaults, t] {
            for (int i = 0; i < 50; ++i) {
                const QString key = QStringLiteral("T%1_%2").arg(t).arg(i);
                defaults.setInteger(key, i);
                EXPECT_EQ(defaults.integerForKey(key), i);
            }
        }));
        writers.back()->start();
    }
    for (const auto& writer : writers)
        ASSERT_TRUE(writer->wait());
    EXPECT_TRUE(heard.isEmpty()); // not yet delivered: queued to this thread
    QCoreApplication::processEvents();
    EXPECT_EQ(heard.size(), 200);
    EXPECT_EQ(defaults.integerForKey("T3_49"), 49);
}

TEST(UserDefaults, StandardSettingsLiveInTheConfigFolder)
{
    UserDefaults::standard().setString("StandardProbe", QStringLiteral("here"));
    UserDefaults sameFile(
        qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Brindlex/Brindlex.conf"));
    EXPECT_EQ(sameFile.stringForKey("StandardProbe"), "here");
    UserDefaults::standard().removeObject("StandardProbe");
}
