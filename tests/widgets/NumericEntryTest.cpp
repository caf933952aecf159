// The numeric entry box as the operator meets it: typing, leaving, the
// spinner and the range message, driven with key and mouse events in a
// small window.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "FakeMessageBox.h"
#include "widgets/NumericEntry.h"

namespace voran::testing {
namespace {

// Two entry boxes (1 to 319, showing "20"), a plain button and the default
// button, in tab order.
class EntryWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        for (auto* e : {first, second}) {
            layout->addWidget(e);
            e->setRange(1, 319);
            e->setMessages(&messages, "Set-up");
            e->setDefaultTarget(cmdDefault);
            e->setText(QStringLiteral("20"));
        }
        layout->addWidget(other);
        layout->addWidget(cmdDefault);
        first->setAcceptHook(
            [this](std::int64_t v) { return accepted.push_back(v), acceptAnswer; });
        first->setSpinHook([this](std::int64_t v) { spun.push_back(v); });
        QObject::connect(other, &QPushButton::clicked, [this] { ++otherClicks; });
        window.show();
        activate(&window);
    }
    static void activate(QWidget* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    QWidget* focus() const { return QApplication::focusWidget(); }
    QLineEdit* box() const { return first->lineEdit(); }
    // Gives the first box the focus as Tab would, and types over its text.
    void type(const QString& text) {
        box()->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focus(), box());
        if (text.isEmpty()) QTest::keyClick(box(), Qt::Key_Delete);
        for (const QChar ch : text) {  // key events carrying the text, any script
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(box(), &press);
        }
    }
    void tab() { QTest::keyClick(focus(), Qt::Key_Tab); }

    FakeMessageBox messages;
    QWidget window;
    NumericEntry* first = new NumericEntry(&window);
    NumericEntry* second = new NumericEntry(&window);
    QPushButton* other = new QPushButton(QStringLiteral("&Other"), &window);
    QPushButton* cmdDefault = new QPushButton(QStringLiteral("-"), &window);
    std::vector<std::int64_t> accepted, spun;
    bool acceptAnswer = true;
    int otherClicks = 0;
};

TEST_F(EntryWindow, RangeCheckTakesWholeValuesAndRefusesTheRestWithOneMessage) {
    // Typed, range, value taken (none: refused with the range message).
    const std::tuple<const char*, int, int, std::optional<std::int64_t>> cases[] = {
        {"0", 0, 319, 0},         {"319", 1, 319, 319},
        {" 42 ", 1, 319, 42},     {"+7", 1, 319, 7},
        {"2.5", 1, 319, 2},       {"3.5", 1, 319, 4},
        {"-0", 0, 255, 0},        {"7.", 1, 319, 7},
        {"0", 1, 319, {}},        {"320", 1, 319, {}},
        {"319.4", 1, 319, {}},    {"0.5", 1, 319, {}},
        {"-1", 0, 255, {}},       {"abc", 0, 319, {}},
        {"12abc", 0, 319, {}},    {"1e2", 0, 319, {}},
        {"1 2", 0, 319, {}},      {"0x1F", 0, 319, {}},
        {"1,000", 0, 65535, {}},  {"", 0, 319, {}},
        {"\xd9\xa3", 0, 319, {}},  // a digit of another script
    };
    for (const auto& [typed, minimum, maximum, taken] : cases) {
        SCOPED_TRACE(typed);
        first->setRange(minimum, maximum);
        first->setText(QStringLiteral("20"));
        messages.shown.clear();
        accepted.clear();
        type(QString::fromUtf8(typed));
        tab();
        if (taken) {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(accepted, std::vector<std::int64_t>{*taken});
            EXPECT_EQ(first->text(), QString::number(*taken));
            EXPECT_EQ(focus(), second->lineEdit());
            continue;
        }
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Only a Number Between " + std::to_string(minimum) +
                                              " and " + std::to_string(maximum) +
                                              " can be Entered");
        EXPECT_EQ(messages.shown[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(focus(), box());
        EXPECT_EQ(box()->selectedText(), QStringLiteral("20"));
        EXPECT_TRUE(accepted.empty());
    }
    // A refusing accept hook has shown its own message: the box keeps the
    // focus and its saved value, without a range message.
    acceptAnswer = false;
    messages.shown.clear();
    type(QStringLiteral("200"));
    tab();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(first->text(), QStringLiteral("20"));
    EXPECT_EQ(focus(), box());
}

TEST_F(EntryWindow, LeavingAnUntouchedBoxTakesAValueInRangeButChecksNoMark) {
    // The online look shows "-" until the controller answers, and the
    // controller may hold a value outside the entry range: neither traps
    // the operator in a box never touched.
    for (const char* shown : {"-", "****", "0", "20"}) {
        accepted.clear();
        first->setText(QString::fromLatin1(shown));
        box()->setFocus(Qt::TabFocusReason);
        tab();
        EXPECT_EQ(focus(), second->lineEdit()) << shown;
        EXPECT_EQ(first->text(), QString::fromLatin1(shown));
        EXPECT_EQ(accepted, std::vector<std::int64_t>(shown[0] == '2' ? 1 : 0, 20)) << shown;
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EntryWindow, BadEntryGivesOneBoxHoweverTheBoxIsLeftAndTheFocusStaysInIt) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Tab", [this] { tab(); }},
        {"Enter", [this] { QTest::keyClick(box(), Qt::Key_Return); }},
        {"click on a button", [this] { QTest::mouseClick(other, Qt::LeftButton); }},
        {"click in another box", [this] { QTest::mouseClick(second->lineEdit(), Qt::LeftButton); }},
        // A real message box takes the activation while open and hands it back.
        {"box taking the activation",
         [this] {
             messages.whileOpen = [this] {
                 QWidget box;
                 box.show();
                 activate(&box);
                 box.close();
                 activate(&window);
             };
             tab();
             messages.whileOpen = nullptr;
         }},
    };
    for (const auto& [way, leave] : ways) {
        messages.shown.clear();
        type(QStringLiteral("abc"));
        leave();
        EXPECT_EQ(messages.shown.size(), 1u) << way;
        EXPECT_EQ(focus(), box()) << way;
        EXPECT_EQ(first->text(), QStringLiteral("20")) << way;
    }
    EXPECT_FALSE(second->editing());
    EXPECT_EQ(otherClicks, 0) << "the focus never left the box, so the button was not pressed";
    QTest::mouseClick(other, Qt::LeftButton);  // the next click is an ordinary one
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(EntryWindow, UnfinishedEntrySurvivesTheWindowLosingTheActivation) {
    type(QStringLiteral("77"));
    QWidget elsewhere;
    elsewhere.show();
    activate(&elsewhere);
    activate(&window);
    tab();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(accepted, std::vector<std::int64_t>{77});
}

TEST_F(EntryWindow, ClickSelectsAllAndEnterGoesToTheEnterTargetWithoutPressingIt) {
    first->setText(QStringLiteral("120.6"));
    QTest::mouseClick(box(), Qt::LeftButton);
    EXPECT_EQ(first->savedValue(), 121);
    EXPECT_EQ(box()->selectedText(), QStringLiteral("120.6"));
    QTest::keyClicks(box(), QStringLiteral("46"));
    QTest::mouseClick(box(), Qt::LeftButton);
    EXPECT_EQ(box()->selectedText(), QStringLiteral("46"));
    first->setEnterTarget(other);
    QTest::keyClick(box(), Qt::Key_Enter);
    EXPECT_EQ(focus(), other);
    EXPECT_EQ(otherClicks, 0);
    EXPECT_EQ(accepted, std::vector<std::int64_t>{46});
}

TEST_F(EntryWindow, SpinnerStepsWithinTheRangeAndHandsTheFocusToTheDefaultButton) {
    // Shown text, arrow, text afterwards (nullptr: nothing happens).
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"20", true, "21"},    {"20", false, "19"}, {"319", true, nullptr},
        {"1", false, nullptr}, {"-", true, "1"},    {"0", true, "1"}};
    for (const auto& [shown, up, after] : cases) {
        SCOPED_TRACE(shown);
        spun.clear();
        first->setText(QString::fromLatin1(shown));
        box()->setFocus(Qt::TabFocusReason);
        QTest::mouseClick(up ? first->upButton() : first->downButton(), Qt::LeftButton);
        EXPECT_EQ(first->text(), QString::fromLatin1(after ? after : shown));
        EXPECT_EQ(spun,
                  std::vector<std::int64_t>(after ? 1 : 0, after ? QString(after).toInt() : 0));
        if (after) {
            EXPECT_EQ(focus(), cmdDefault);
        }
    }
    EXPECT_TRUE(accepted.empty()) << "a spin is not checked a second time";
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace voran::testing
