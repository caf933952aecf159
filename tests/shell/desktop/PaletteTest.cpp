// Values, ON/off states and alarms stay readable on a dark palette: their
// colours come from the palette, and no window names a fixed colour.
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStyle>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "data/ui/frmMain.h"
#include "widgets/Colours.h"

namespace voran::testing {
namespace {

QPalette DarkPalette() {
    QPalette p;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(0x2b, 0x2b, 0x2b)},    {QPalette::WindowText, QColor(0xe0e0e0)},
        {QPalette::Base, QColor(0x1e, 0x1e, 0x1e)},      {QPalette::Text, QColor(0xe0e0e0)},
        {QPalette::Button, QColor(0x35, 0x35, 0x35)},    {QPalette::ButtonText, QColor(0xe0e0e0)},
        {QPalette::Highlight, QColor(0x2a, 0x82, 0xda)}, {QPalette::HighlightedText, Qt::white}};
    for (const auto& [role, colour] : roles) p.setColor(role, colour);
    return p;
}

TEST(Palette, ValueAndStateColoursStandOutOnLightAndDarkPalettes) {
    const QPalette light = QApplication::style()->standardPalette();
    // On the light palette the design colours stay as they were.
    EXPECT_EQ(ValueColour(light), QColor(0, 0, 255));
    EXPECT_EQ(OffColour(light), QColor(192, 0, 0));
    for (const QPalette& palette : {light, DarkPalette()}) {
        for (const QPalette::ColorRole background : {QPalette::Window, QPalette::Base}) {
            const QColor behind = palette.color(background);
            for (const QColor& c :
                 {ValueColour(palette, background), OffColour(palette, background)})
                EXPECT_GE(ContrastRatio(c, behind), 4.5)
                    << c.name().toStdString() << " on " << behind.name().toStdString();
        }
    }
    // Blue stays blue and red stays red, only lighter.
    EXPECT_GT(ValueColour(DarkPalette()).blue(), ValueColour(DarkPalette()).red());
    EXPECT_GT(OffColour(DarkPalette()).red(), OffColour(DarkPalette()).blue());
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
}

// The main display online on a dark desktop: every value of the grid stands
// out from the grid's background. VORAN_SCREENSHOT_DIR, when set, receives a
// picture of the frame for a look by eye.
TEST(Palette, MainDisplayValuesAreReadableOnADarkDesktop) {
    const QPalette before = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    {
        ShellHarness h;
        h.window->show();
        h.goOnline();
        auto* main = qobject_cast<frmMain*>(h.window->currentChild());
        ASSERT_NE(main, nullptr);
        main->monitor().runPass();
        const QColor base = main->fgData()->palette().color(QPalette::Base);
        int values = 0;
        for (int row = 1; row < main->fgData()->rowCount(); ++row)
            for (int col = 1; col < main->fgData()->columnCount(); ++col, ++values)
                EXPECT_GE(ContrastRatio(main->fgData()->item(row, col)->foreground().color(), base),
                          4.5)
                    << row << "," << col;
        EXPECT_GE(values, 39);
        if (const char* dir = std::getenv("VORAN_SCREENSHOT_DIR"))
            h.window->grab().save(QString(dir) + "/dark-main.png");
    }
    QApplication::setPalette(before);
}

// Fixed colours belong in widgets/Colours.cpp (and the printed report, on
// paper); a window that names one is found here.
TEST(Palette, NoWindowNamesAFixedColour) {
    const QRegularExpression fixed(
        R"(QColor\(\s*\d|QColor\(\s*0x|Qt::(red|green|blue|yellow|black|white|gray|darkRed|darkGreen|darkBlue)\b|"#[0-9A-Fa-f]{6}"|color:\s*#)");
    int files = 0;
    for (const char* folder :
         {"data/ui", "link/ui", "program/ui", "shell", "timing/ui", "window", "widgets"}) {
        QDirIterator it(QString(VORAN_SOURCE_DIR "/src/") + folder, {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith("widgets/Colours.cpp") || path.endsWith("/ProgramIcon.cpp")) continue;
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
            const QString text = QString::fromUtf8(f.readAll());
            ++files;
            const auto match = fixed.match(text);
            EXPECT_FALSE(match.hasMatch())
                << path.toStdString() << ": " << match.captured().toStdString();
        }
    }
    EXPECT_GT(files, 20);
}

}  // namespace
}  // namespace voran::testing
