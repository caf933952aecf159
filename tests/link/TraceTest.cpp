// The protocol trace (voran.link) for field diagnosis.
#include <QLoggingCategory>
#include <QString>

#include "LinkFixture.h"

namespace voran::testing {
namespace {

std::vector<std::string> g_lines;

void capture(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (std::string(context.category) == "voran.link")
        g_lines.push_back(message.left(11).toStdString());
}

TEST_F(LinkTest, TheTraceShowsEveryByteWithItsDirectionAndTime) {
    QLoggingCategory::setFilterRules("voran.link.debug=true");
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    board.preset("B8176", 0x42);
    link.OpenRSComm(port);
    link.RSRead("B8176");
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    EXPECT_EQ(g_lines,
              (std::vector<std::string>{
                  "-> 0xFF  t=", "<- 0x55  t=", "-> 0xFF  t=", "<- 0x55  t=", "-> 0x01  t=",
                  "<- 0x55  t=", "-> 0x1F  t=", "<- 0x1F  t=", "-> 0xF0  t=", "<- 0x42  t="}));
}

}  // namespace
}  // namespace voran::testing
