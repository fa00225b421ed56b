#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>

using namespace platform;

namespace {

// The lines of the application's categories that reach the message handler while it lives.
class LogListener {
public:
    LogListener() : m_previous(qInstallMessageHandler(&LogListener::handle)) { s_lines.clear(); }
    ~LogListener() { qInstallMessageHandler(m_previous); }
    QStringList lines() const { return s_lines; }

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        s_lines << QStringLiteral("%1: %2").arg(QLatin1String(context.category), message);
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

} // namespace

TEST(LogTest, TracesStayOutOfTheLogUntilTheirCategoryIsSwitchedOn)
{
    {
        LogListener listener;
        logLine(QStringLiteral("kept"));
        trace(QStringLiteral("step %@"), 1);
        EXPECT_EQ(listener.lines(), QStringList { QStringLiteral("brindlex: kept") });
    }
    QLoggingCategory::setFilterRules(QStringLiteral("brindlex.trace.debug=true"));
    {
        LogListener listener;
        trace(QStringLiteral("step %@"), 2);
        EXPECT_EQ(listener.lines(), QStringList { QStringLiteral("brindlex.trace: step 2") });
    }
    QLoggingCategory::setFilterRules(QString());
}
