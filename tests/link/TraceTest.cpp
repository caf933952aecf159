#include <QLoggingCategory>
#include <QString>

#include "LinkFixture.h"

namespace voran::testing {

namespace {
QStringList gTrace;
void collect(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (QString(context.category) == "voran.link") gTrace << text;
}
}  // namespace

// A field engineer turns on voran.link and sees every byte with its direction
// and time; with the rules left alone the link says nothing.
TEST_F(LinkTest, TraceShowsEveryByteBothWaysOnlyWhenEnabled) {
    goOnline();
    gTrace.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    link.RSRead("B8176");
    EXPECT_TRUE(gTrace.isEmpty()) << "off by default";

    QLoggingCategory::setFilterRules("voran.link.debug=true");
    board.memory()[8176] = 0x2A;
    link.RSRead("B8177");
    link.RSRead("B8176");
    QLoggingCategory::setFilterRules("");
    qInstallMessageHandler(previous);

    ASSERT_EQ(gTrace.size(), 8);
    EXPECT_TRUE(gTrace[0].startsWith("-> 0x1F  t="));
    EXPECT_TRUE(gTrace[1].startsWith("<- 0x1F  t="));
    EXPECT_TRUE(gTrace[2].startsWith("-> 0xF1  t="));
    EXPECT_TRUE(gTrace[7].startsWith("<- 0x2A  t="));
}

}  // namespace voran::testing
