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

struct RefusedCase {
    const char* name;
    int minimum, maximum;
    const char* typed;
    const char* message;
};

class RefusedEntry : public EntryWindow, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedEntry, GivesOneRangeMessageAndKeepsTheFocusOnTheSavedValue) {
    const RefusedCase c = GetParam();
    first->setRange(c.minimum, c.maximum);
    typeIntoFirst(QString::fromLatin1(c.typed));
    leaveWithTab();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, c.message);
    EXPECT_EQ(messages.shown[0].title, "Set-up");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(first->text(), QStringLiteral("20"));
    EXPECT_EQ(focus(), box());
    EXPECT_EQ(box()->selectedText(), QStringLiteral("20"));
    EXPECT_TRUE(accepted.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, RefusedEntry,
    ::testing::Values(
        RefusedCase{"ZeroBelowOne", 1, 319, "0", "Only a Number Between 1 and 319 can be Entered"},
        RefusedCase{"FractionAbove", 1, 319, "319.4",
                    "Only a Number Between 1 and 319 can be Entered"},
        RefusedCase{"FractionBelow", 1, 319, "0.5",
                    "Only a Number Between 1 and 319 can be Entered"},
        RefusedCase{"Negative", 0, 255, "-1", "Only a Number Between 0 and 255 can be Entered"},
        RefusedCase{"Letters", 0, 319, "abc", "Only a Number Between 0 and 319 can be Entered"},
        RefusedCase{"TrailingLetters", 0, 319, "12abc",
                    "Only a Number Between 0 and 319 can be Entered"},
        RefusedCase{"Exponent", 0, 319, "1e2", "Only a Number Between 0 and 319 can be Entered"},
        RefusedCase{"ThousandsSeparator", 0, 65535, "1,000",
                    "Only a Number Between 0 and 65535 can be Entered"},
        RefusedCase{"Emptied", 0, 319, "", "Only a Number Between 0 and 319 can be Entered"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AcceptedCase {
    const char* name;
    int minimum, maximum;
    const char* typed;
    std::int64_t value;
};

class AcceptedEntry : public EntryWindow, public ::testing::WithParamInterface<AcceptedCase> {};

TEST_P(AcceptedEntry, HandsTheWholeValueOnOnceAndShowsIt) {
    const AcceptedCase c = GetParam();
    first->setRange(c.minimum, c.maximum);
    typeIntoFirst(QString::fromLatin1(c.typed));
    leaveWithTab();

    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(accepted, std::vector<std::int64_t>{c.value});
    EXPECT_EQ(first->text(), QString::number(c.value));
    EXPECT_EQ(focus(), second->lineEdit());
}

INSTANTIATE_TEST_SUITE_P(InRange, AcceptedEntry,
                         ::testing::Values(AcceptedCase{"LowestOfStationTwo", 0, 319, "0", 0},
                                           AcceptedCase{"Highest", 1, 319, "319", 319},
                                           AcceptedCase{"Blanks", 0, 319, " 42 ", 42},
                                           AcceptedCase{"PlusSign", 0, 319, "+7", 7},
                                           AcceptedCase{"HalfGoesToEvenDown", 0, 319, "2.5", 2},
                                           AcceptedCase{"HalfGoesToEvenUp", 0, 319, "3.5", 4},
                                           AcceptedCase{"FractionRounded", 0, 359, "120.6", 121},
                                           AcceptedCase{"MinusZero", 0, 255, "-0", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

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

TEST_F(EntryWindow, RefusingAcceptHookKeepsTheFocusWithoutARangeMessage) {
    acceptAnswer = false;
    typeIntoFirst(QStringLiteral("200"));
    leaveWithTab();
    EXPECT_EQ(accepted, std::vector<std::int64_t>{200});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(first->text(), QStringLiteral("20"));
    EXPECT_EQ(focus(), box());
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
}

TEST_F(EntryWindow, TypingBetweenTwoEscapesStartsAgain) {
    typeIntoFirst(QStringLiteral("250"));
    QTest::keyClick(box(), Qt::Key_Escape);
    QTest::keyClicks(box(), QStringLiteral("3"));
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_EQ(focus(), box()) << "an Escape after typing is a first Escape again";
    EXPECT_EQ(first->text(), QStringLiteral("20"));
}

// --- The spinner -----------------------------------------------------------

struct SpinCase {
    const char* name;
    const char* shown;
    bool up;
    const char* after;  // nullptr: no change, no hook
};

class Spinner : public EntryWindow, public ::testing::WithParamInterface<SpinCase> {};

TEST_P(Spinner, StepsWithinTheRangeAndHandsTheFocusToTheDefaultButton) {
    const SpinCase c = GetParam();
    first->setText(QString::fromLatin1(c.shown));
    box()->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(c.up ? first->upButton() : first->downButton(), Qt::LeftButton);
    if (!c.after) {
        EXPECT_TRUE(spun.empty());
        EXPECT_EQ(first->text(), QString::fromLatin1(c.shown));
        return;
    }
    EXPECT_EQ(first->text(), QString::fromLatin1(c.after));
    EXPECT_EQ(spun, std::vector<std::int64_t>{QString::fromLatin1(c.after).toLongLong()});
    EXPECT_EQ(focus(), cmdDefault);
    EXPECT_TRUE(accepted.empty()) << "a spin is not checked a second time";
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(OneToThreeNineteen, Spinner,
                         ::testing::Values(SpinCase{"Up", "20", true, "21"},
                                           SpinCase{"Down", "20", false, "19"},
                                           SpinCase{"UpAtTheTop", "319", true, nullptr},
                                           SpinCase{"DownAtTheBottom", "1", false, nullptr},
                                           SpinCase{"PlaceholderStartsAtTheBottom", "-", true, "1"},
                                           SpinCase{"OutOfRangeIsPulledIn", "0", true, "1"}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Text conversions ------------------------------------------------------

TEST(EntryText, NumbersAndNotNumbers) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"12", 12.0}, {" 12 ", 12.0}, {"-3", -3.0},  {"+5", 5.0},      {"0.5", 0.5},
        {".5", 0.5},  {"7.", 7.0},    {"", {}},      {"-", {}},        {"****", {}},
        {"---", {}},  {"1e3", {}},    {"1,000", {}}, {"12abc", {}},    {"1 2", {}},
        {"0x1F", {}}, {"+-1", {}},    {".", {}},     {"\xd9\xa3", {}},  // Arabic-Indic digit three
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntryNumber(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(EntryText, WholeNumbersRoundHalvesToEven) {
    const std::pair<double, std::int64_t> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2},   {-2.5, -2},
                                                     {2.4, 2}, {2.6, 3}, {319, 319}, {-0.5, 0}};
    for (const auto& [v, whole] : cases) EXPECT_EQ(RoundHalfEven(v), whole) << v;
}

TEST(EntryText, LeadingNumericPartOfAShownText) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"240", 240}, {"240 rpm", 240}, {"-", 0}, {"****", 0}, {"", 0}, {"12.5", 12}, {"-7x", -7}};
    for (const auto& [text, whole] : cases)
        EXPECT_EQ(LeadingWholeNumber(QString::fromLatin1(text)), whole) << text;
}

}  // namespace
}  // namespace voran::testing
