// Help > About VORAN: the version of this build and the system-information
// button.
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "FakeMessageBox.h"
#include "Version.h"
#include "platform/Launcher.h"
#include "program/ui/frmAbout.h"

namespace voran::testing {
namespace {

// Starts only the programs it was told are installed; records every try.
struct ProgramsLauncher : ILauncher {
    bool fileExists(const std::string&) const override { return false; }
    bool openDocument(const std::string&) override { return false; }
    bool startProgram(const std::string& program, const std::vector<std::string>& args) override {
        tried.push_back(program);
        EXPECT_TRUE(args.empty());
        return installed.count(program) > 0;
    }
    std::set<std::string> installed;
    std::vector<std::string> tried;
};

class About : public ::testing::Test {
protected:
    ProgramsLauncher launcher;
    FakeMessageBox messages;
    frmAbout window{launcher, messages};
};

TEST_F(About, ShowsTheVersionOfThisBuild) {
    const std::string expected = "Version " + std::to_string(VORAN_VERSION_MAJOR) + "." +
                                 std::to_string(VORAN_VERSION_MINOR) + "." +
                                 std::to_string(VORAN_VERSION_PATCH);
    EXPECT_EQ(window.lblVersion()->text().toStdString(), expected);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("About VORAN"));
    EXPECT_EQ(window.lblTitle()->text(), QStringLiteral("QTR-VORAN Set-up Utility"));
    EXPECT_FALSE(window.picIcon()->pixmap().isNull());
    EXPECT_FALSE(window.lblDescription()->text().isEmpty());
    EXPECT_FALSE(window.lblTechSupport()->text().isEmpty());
}

TEST_F(About, SystemInfoStartsTheFirstViewerThere) {
    const auto& programs = frmAbout::SystemInfoPrograms();
    ASSERT_FALSE(programs.empty());
    launcher.installed = {programs.back()};
    window.cmdSysInfo()->click();
    EXPECT_EQ(launcher.tried, programs);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(About, WithoutAViewerSystemInfoIsUnavailable) {
    window.cmdSysInfo()->click();
    EXPECT_EQ(launcher.tried, frmAbout::SystemInfoPrograms());
    EXPECT_EQ(messages.shown, (std::vector<FakeMessageBox::Shown>{
                                  {"System Information Is Unavailable At This Time",
                                   "QTR-VORAN Set-up Utility", MsgButtons::Ok, MsgIcon::None}}));
}

TEST_F(About, OkClosesTheWindow) {
    window.show();
    window.cmdOK()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace voran::testing
