#include "CopyCommands.h"
#include "MessageBoxWatch.h"
#include "MonkeyChecks.h"
#include "ScenarioApp.h"
#include "SecondCopy.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <functional>

using scenario::ScenarioApp;
using scenario::SecondCopy;

// The random-input test with two copies of the application, each in a process of its own, on
// one file: seeded clicks on rows, words typed at the end of the note shown, at the caret or
// into a new page, and saves, on either side. After each step both windows must show their
// notes' stored texts; at the end both save, and every word either copy typed must be in some
// note of the file. `make monkey COPIES=2 SEEDS=... MINUTES=...` runs it.
class TwoCopiesMonkey : public ::testing::TestWithParam<quint32> { };

TEST_P(TwoCopiesMonkey, EveryWordEitherCopyTypedIsInSomeNoteOfTheFile)
{
    if (SecondCopy::isSecondCopy()) {
        SecondCopy::serve();
        return;
    }
    const quint32 seed = GetParam();
    const int minutes = qEnvironmentVariableIntValue("BX_MONKEY_MINUTES");
    // A step takes about a second.
    const int steps = minutes > 0 ? minutes * 60 : 40;
    QRandomGenerator random(seed);

    ScenarioApp app;
    scenario::MessageBoxWatch watch;
    const QString path
        = bxtest::makeTempFolder(QStringLiteral("two-copies")) + QStringLiteral("/Shared.brindlex");
    scenario::writeNotesFile(
        path, { QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") });
    SecondCopy other;
    using Side = std::function<QString(const QString&)>;
    const Side here = [&](const QString& command) {
        return scenario::CopyCommands::carryOut(app, watch, command);
    };
    const Side there = [&](const QString& command) { return other.send(command); };
    ASSERT_EQ(there(QStringLiteral("open ") + path), QStringLiteral("ok"));
    ASSERT_EQ(here(QStringLiteral("open ") + path), QStringLiteral("ok"));

    QStringList typed;
    QStringList log;
    for (int step = 0; step < steps; ++step) {
        const bool onThisSide = random.bounded(2) == 0;
        const Side& side = onThisSide ? here : there;
        QString command;
        // Closed by "z", so that no word is the beginning of another.
        const QString word
            = QStringLiteral("w%1%2z").arg(QChar(onThisSide ? u'a' : u'b')).arg(step);
        switch (random.bounded(8)) {
        case 0:
        case 1:
            command = QStringLiteral("row %1").arg(random.bounded(8));
            break;
        case 2:
        case 3:
            command = QStringLiteral("type ") + word + u' ';
            break;
        case 4:
            command = QStringLiteral("insert ") + word + u' ';
            break;
        case 5:
            command = QStringLiteral("new ") + word + u' ';
            break;
        default:
            command = QStringLiteral("save");
        }
        log << QStringLiteral("%1: %2").arg(QChar(onThisSide ? u'A' : u'B')).arg(command.trimmed());
        const QString answer = side(command);
        if (command.contains(word) && answer == QStringLiteral("ok"))
            typed << word;
        if (answer.startsWith(QStringLiteral("failed"))) {
            ADD_FAILURE() << "seed " << seed << ": " << answer.toStdString() << "\nafter "
                          << log.join(QStringLiteral(", ")).toStdString();
            return;
        }
        // Both windows show what their notes hold, whichever side acted.
        ScenarioApp::idle(200);
        for (const auto& [name, check] :
            { std::pair<const char*, Side> { "this copy", here }, { "the other copy", there } }) {
            const QString broken = check(QStringLiteral("check"));
            if (!broken.isEmpty()) {
                ADD_FAILURE() << "seed " << seed << ", " << name << ": " << broken.toStdString()
                              << "\nafter " << log.join(QStringLiteral(", ")).toStdString();
                return;
            }
        }
    }
    // Each side saves, this one last again, so that it takes in what the other saved.
    for (const auto& side : { here, there, here })
        ASSERT_EQ(side(QStringLiteral("save")), QStringLiteral("ok"));
    EXPECT_TRUE(other.finish());
    app.closeFrontDocument();

    const QStringList stored = scenario::storedTexts(path);
    const QString all = stored.join(u'\n');
    for (const QString& word : std::as_const(typed))
        EXPECT_TRUE(all.contains(word))
            << "seed " << seed << ": \"" << word.toStdString() << "\" is in no note of the file\n"
            << log.join(QStringLiteral(", ")).toStdString();
}

namespace {

// Only the seed `make monkey COPIES=2` asks for: the two copies still find faults of their own
// (notes made at once in both copies), which keeps this mode out of `make test` until they
// are mended.
std::vector<quint32> seedAsked()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("BX_MONKEY_SEED").toUInt(&given);
    return given ? std::vector<quint32> { seed } : std::vector<quint32> {};
}

} // namespace

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TwoCopiesMonkey);
INSTANTIATE_TEST_SUITE_P(FixedSeeds, TwoCopiesMonkey, ::testing::ValuesIn(seedAsked()));
