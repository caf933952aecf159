// The protocol trace (voran.link) for field diagnosis.
#include <QLoggingCategory>
#include <QString>

#include "LinkFixture.h"

namespace voran::testing {
namespace {

std::vector<std::string>* g_lines = nullptr;

void capture(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (g_lines != nullptr && std::string(context.category) == "voran.link")
        g_lines->push_back(message.toStdString());
}

TEST_F(LinkTest, TheTraceShowsEveryByteWithItsDirectionAndTime) {
    std::vector<std::string> lines;
    g_lines = &lines;
    QLoggingCategory::setFilterRules("voran.link.debug=true");
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    board.preset("B8176", 0x42);
    link.OpenRSComm(port);
    link.RSRead("B8176");
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    g_lines = nullptr;

    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0].rfind("-> 0xFF  t=", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("<- 0x55  t=", 0), 0u) << lines[1];
    EXPECT_EQ(lines[8].rfind("-> 0xF0", 0), 0u) << lines[8];
    EXPECT_EQ(lines[9].rfind("<- 0x42", 0), 0u) << lines[9];
}

}  // namespace
}  // namespace voran::testing
