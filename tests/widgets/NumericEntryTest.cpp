// The numeric entry box as the operator meets it: typing, leaving, Enter,
// Escape, the spinner and the range message, driven with key and mouse
// events in a small window.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "FakeMessageBox.h"
#include "widgets/NumericEntry.h"

namespace voran::testing {
namespace {

// Two entry boxes, a plain button and the default button, in tab order.
class EntryWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        first = new NumericEntry(window.get());
        second = new NumericEntry(window.get());
        other = new QPushButton(QStringLiteral("&Other"), window.get());
        cmdDefault = new QPushButton(QStringLiteral("-"), window.get());
        for (auto* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(second),
                        static_cast<QWidget*>(other), static_cast<QWidget*>(cmdDefault)})
            layout->addWidget(w);
        for (auto* e : {first, second}) {
            e->setRange(1, 319);
            e->setMessages(&messages, "Set-up");
            e->setDefaultTarget(cmdDefault);
            e->setText(QStringLiteral("20"));
        }
        first->setAcceptHook([this](std::int64_t v) {
            accepted.push_back(v);
            return acceptAnswer;
        });
        first->setSpinHook([this](std::int64_t v) { spun.push_back(v); });
        QObject::connect(other, &QPushButton::clicked, [this] { ++otherClicks; });
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QWidget* focus() const { return QApplication::focusWidget(); }
    QLineEdit* box() const { return first->lineEdit(); }
    // Gives the first box the focus as Tab would, and types over its text.
    void typeIntoFirst(const QString& text) {
        box()->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focus(), box());
        if (text.isEmpty())
            QTest::keyClick(box(), Qt::Key_Delete);  // the whole text is selected
        else
            QTest::keyClicks(box(), text);
    }
    void leaveWithTab() { QTest::keyClick(focus(), Qt::Key_Tab); }

    FakeMessageBox messages;
    std::unique_ptr<QWidget> window;
    NumericEntry* first = nullptr;
    NumericEntry* second = nullptr;
    QPushButton* other = nullptr;
    QPushButton* cmdDefault = nullptr;
    std::vector<std::int64_t> accepted;
    std::vector<std::int64_t> spun;
    bool acceptAnswer = true;
    int otherClicks = 0;
};

// --- The range check -------------------------------------------------------

struct EntryCase {
    const char* typed;
    int minimum, maximum;
    std::optional<std::int64_t> taken;  // none: refused with the range message
};

TEST_F(EntryWindow, RangeCheckTakesWholeValuesAndRefusesTheRestWithOneMessage) {
    const EntryCase cases[] = {
        {"0", 0, 319, 0},        {"319", 1, 319, 319}, {" 42 ", 1, 319, 42},   {"+7", 1, 319, 7},
        {"2.5", 1, 319, 2},      {"3.5", 1, 319, 4},   {"120.6", 0, 359, 121}, {"-0", 0, 255, 0},
        {"0", 1, 319, {}},       {"320", 1, 319, {}},  {"319.4", 1, 319, {}},  {"0.5", 1, 319, {}},
        {"-1", 0, 255, {}},      {"abc", 0, 319, {}},  {"12abc", 0, 319, {}},  {"1e2", 0, 319, {}},
        {"1,000", 0, 65535, {}}, {"", 0, 319, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        first->setRange(c.minimum, c.maximum);
        first->setText(QStringLiteral("20"));
        messages.shown.clear();
        accepted.clear();
        typeIntoFirst(QString::fromLatin1(c.typed));
        leaveWithTab();
        if (c.taken) {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(accepted, std::vector<std::int64_t>{*c.taken});
            EXPECT_EQ(first->text(), QString::number(*c.taken));
            EXPECT_EQ(focus(), second->lineEdit());
            continue;
        }
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Only a Number Between " + std::to_string(c.minimum) +
                                              " and " + std::to_string(c.maximum) +
                                              " can be Entered");
        EXPECT_EQ(messages.shown[0].title, "Set-up");
        EXPECT_EQ(messages.shown[0].icon, MsgIcon::Information);
        EXPECT_EQ(messages.shown[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(first->text(), QStringLiteral("20"));
        EXPECT_EQ(focus(), box());
        EXPECT_EQ(box()->selectedText(), QStringLiteral("20"));
        EXPECT_TRUE(accepted.empty());
    }
    // A refusing accept hook has shown its own message: the box keeps the
    // focus and its saved value, without a range message.
    acceptAnswer = false;
    messages.shown.clear();
    typeIntoFirst(QStringLiteral("200"));
    leaveWithTab();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(first->text(), QStringLiteral("20"));
    EXPECT_EQ(focus(), box());
}

TEST_F(EntryWindow, LeavingAnUntouchedBoxTakesAValueInRangeButChecksNoMark) {
    // The online look shows "-" until the controller answers, and the
    // controller may hold a value outside the entry range: neither traps
    // the operator in a box never touched.
    const std::pair<const char*, std::vector<std::int64_t>> cases[] = {
        {"-", {}}, {"****", {}}, {"0", {}}, {"20", {20}}};
    for (const auto& [shown, taken] : cases) {
        accepted.clear();
        first->setText(QString::fromLatin1(shown));
        box()->setFocus(Qt::TabFocusReason);
        leaveWithTab();
        EXPECT_EQ(focus(), second->lineEdit()) << shown;
        EXPECT_EQ(first->text(), QString::fromLatin1(shown));
        EXPECT_EQ(accepted, taken) << shown;
    }
    EXPECT_TRUE(messages.shown.empty());
}

// --- One bad entry, one box ------------------------------------------------

TEST_F(EntryWindow, BadEntryGivesOneBoxHoweverTheBoxIsLeft) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Tab", [this] { leaveWithTab(); }},
        {"Enter", [this] { QTest::keyClick(box(), Qt::Key_Return); }},
        {"click on a button", [this] { QTest::mouseClick(other, Qt::LeftButton); }},
        {"click in another box", [this] { QTest::mouseClick(second->lineEdit(), Qt::LeftButton); }},
    };
    for (const auto& [way, leave] : ways) {
        messages.shown.clear();
        typeIntoFirst(QStringLiteral("abc"));
        leave();
        EXPECT_EQ(messages.shown.size(), 1u) << way;
        EXPECT_EQ(focus(), box()) << way;
        EXPECT_EQ(first->text(), QStringLiteral("20")) << way;
    }
    EXPECT_FALSE(second->editing());
    EXPECT_EQ(otherClicks, 0) << "the focus never left the box, so the button was not pressed";
    // The next click on the button is an ordinary click again.
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(EntryWindow, MessageBoxTakingTheActivationGivesNoSecondBox) {
    // A real message box is a window of its own: it takes the activation
    // while it is open and hands it back when it closes.
    messages.whileOpen = [this] {
        QWidget box;
        box.show();
        box.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        box.close();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    };
    typeIntoFirst(QStringLiteral("400"));
    leaveWithTab();
    messages.whileOpen = nullptr;
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(focus(), box());
    EXPECT_EQ(first->text(), QStringLiteral("20"));
    leaveWithTab();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(focus(), second->lineEdit());
}

TEST_F(EntryWindow, UnfinishedEntrySurvivesTheWindowLosingTheActivation) {
    typeIntoFirst(QStringLiteral("77"));
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(first->text(), QStringLiteral("77"));
    leaveWithTab();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(accepted, std::vector<std::int64_t>{77});
}

// --- Focus, click, Enter and Escape ----------------------------------------

TEST_F(EntryWindow, ClickSavesTheValueAndSelectsAllAndAgainKeepsTheSavedValue) {
    first->setText(QStringLiteral("120.6"));
    QTest::mouseClick(box(), Qt::LeftButton);
    EXPECT_TRUE(first->editing());
    EXPECT_EQ(first->savedValue(), 121);
    EXPECT_EQ(box()->selectedText(), QStringLiteral("120.6"));
    QTest::keyClicks(box(), QStringLiteral("5"));
    QTest::mouseClick(box(), Qt::LeftButton);
    EXPECT_EQ(box()->selectedText(), QStringLiteral("5"));
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_EQ(first->text(), QStringLiteral("120.6"));
}

TEST_F(EntryWindow, EnterMovesToTheNextControlOrTheEnterTargetAndChecks) {
    typeIntoFirst(QStringLiteral("45"));
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(focus(), second->lineEdit());
    EXPECT_EQ(second->lineEdit()->selectedText(), QStringLiteral("20"));

    first->setEnterTarget(other);
    typeIntoFirst(QStringLiteral("46"));
    QTest::keyClick(box(), Qt::Key_Enter);
    EXPECT_EQ(focus(), other);
    EXPECT_EQ(otherClicks, 0);
    EXPECT_EQ(accepted, (std::vector<std::int64_t>{45, 46}));
}

TEST_F(EntryWindow, FirstEscapeRestoresAndSelectsSecondEscapeGoesToTheDefaultButton) {
    typeIntoFirst(QStringLiteral("250"));
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_EQ(first->text(), QStringLiteral("20"));
    EXPECT_EQ(box()->selectedText(), QStringLiteral("20"));
    EXPECT_EQ(focus(), box());

    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_EQ(focus(), cmdDefault);
    EXPECT_FALSE(first->editing());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(accepted.empty()) << "giving up an entry takes nothing";

    typeIntoFirst(QStringLiteral("250"));
    QTest::keyClick(box(), Qt::Key_Escape);
    QTest::keyClicks(box(), QStringLiteral("3"));
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_EQ(focus(), box()) << "an Escape after typing is a first Escape again";
    EXPECT_EQ(first->text(), QStringLiteral("20"));
}

// --- The spinner -----------------------------------------------------------

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
        if (!after) {
            EXPECT_TRUE(spun.empty());
            continue;
        }
        EXPECT_EQ(spun, std::vector<std::int64_t>{QString::fromLatin1(after).toLongLong()});
        EXPECT_EQ(focus(), cmdDefault);
    }
    EXPECT_TRUE(accepted.empty()) << "a spin is not checked a second time";
    EXPECT_TRUE(messages.shown.empty());
}

// --- Text conversions ------------------------------------------------------

TEST(EntryText, NumbersWholeNumbersAndLeadingParts) {
    const std::pair<const char*, std::optional<double>> numbers[] = {
        {"12", 12.0}, {" 12 ", 12.0}, {"-3", -3.0},  {"+5", 5.0},      {"0.5", 0.5},
        {".5", 0.5},  {"7.", 7.0},    {"", {}},      {"-", {}},        {"****", {}},
        {"---", {}},  {"1e3", {}},    {"1,000", {}}, {"12abc", {}},    {"1 2", {}},
        {"0x1F", {}}, {"+-1", {}},    {".", {}},     {"\xd9\xa3", {}},  // Arabic-Indic digit three
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(EntryNumber(QString::fromUtf8(text)), value) << text;
    const std::pair<double, std::int64_t> halves[] = {{0.5, 0}, {1.5, 2}, {2.5, 2},   {-2.5, -2},
                                                      {2.4, 2}, {2.6, 3}, {319, 319}, {-0.5, 0}};
    for (const auto& [v, whole] : halves) EXPECT_EQ(RoundHalfEven(v), whole) << v;
    const std::pair<const char*, std::int64_t> shown[] = {
        {"240", 240}, {"240 rpm", 240}, {"-", 0}, {"****", 0}, {"", 0}, {"12.5", 12}, {"-7x", -7}};
    for (const auto& [text, whole] : shown)
        EXPECT_EQ(LeadingWholeNumber(QString::fromLatin1(text)), whole) << text;
}

}  // namespace
}  // namespace voran::testing
