// The numeric entry box on its own, on a bare form with a default button
// and a next control: what leaving, Escape, the spinner, the arrow keys and
// commit() do with a typed text. The windows add only what they store and
// send.
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "WindowFixture.h"

namespace voran::testing {
namespace {

class Entry : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&form);
        layout->addWidget(entry = new NumericEntry);
        layout->addWidget(next = new QLineEdit);
        layout->addWidget(button = new QPushButton("&Default"));
        entry->setRange(0, 359);
        entry->setMessages(&messages, "Set-up");
        entry->setDefaultTarget(button);
        entry->setAcceptHook([this](std::int64_t v) { return accepted.push_back(v), true; });
        entry->setSpinHook([this](std::int64_t v) { spun.push_back(v); });
        entry->setText(QStringLiteral("5"));
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    std::vector<Box> refused() const {
        return {box(RangeMessage(0, 359), "Set-up", MsgIcon::Information)};
    }

    QWidget form;
    NumericEntry* entry = nullptr;
    QLineEdit* next = nullptr;
    QPushButton* button = nullptr;
    std::vector<std::int64_t> accepted, spun;
};

// A typed text, what the box shows after Tab, and the value accepted (none:
// refused with the range message, the saved text back, the focus kept).
struct Leaving {
    const char* typed;
    const char* shown;
    std::optional<int> value;
};
class EntryLeaving : public Entry, public ::testing::WithParamInterface<Leaving> {};

TEST_P(EntryLeaving, TabChecksTheTextOnce) {
    const Leaving row = GetParam();
    typeInto(entry, QString::fromUtf8(row.typed));
    key(Qt::Key_Tab);
    EXPECT_EQ(entry->text(), QString::fromUtf8(row.shown));
    if (row.value) {
        EXPECT_EQ(accepted, std::vector<std::int64_t>{*row.value});
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(focus(), next);
    } else {
        EXPECT_TRUE(accepted.empty());
        EXPECT_EQ(messages.shown, refused());
        EXPECT_EQ(focus(), entry->lineEdit());
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, EntryLeaving,
                         ::testing::Values(Leaving{"12.5", "12", 12}, Leaving{"13.5", "14", 14},
                                           Leaving{" 7 ", "7", 7}, Leaving{"359", "359", 359},
                                           Leaving{"360", "5", {}}, Leaving{"-1", "5", {}},
                                           Leaving{"abc", "5", {}}, Leaving{"1e2", "5", {}},
                                           Leaving{"1,000", "5", {}}));

TEST_F(Entry, EscapePutsTheSavedTextBackAndASecondOneGoesToTheDefaultButton) {
    typeInto(entry, QStringLiteral("77"));
    key(Qt::Key_Escape);
    EXPECT_EQ(entry->text(), QStringLiteral("5"));
    EXPECT_EQ(focus(), entry->lineEdit());
    key(Qt::Key_Escape);
    EXPECT_EQ(focus(), button);
    EXPECT_TRUE(accepted.empty() && messages.shown.empty());
}

TEST_F(Entry, TheSpinnerStepsWithinTheRangeAndIgnoresAMarkQuietly) {
    click(entry->upButton());
    EXPECT_EQ(entry->text(), QStringLiteral("6"));
    EXPECT_EQ(focus(), button);
    entry->setText(QStringLiteral("359"));
    click(entry->upButton());
    EXPECT_EQ(entry->text(), QStringLiteral("359"));
    for (const char* mark : {"-", "****", "---"}) {
        entry->setText(QString::fromLatin1(mark));
        click(entry->downButton());
        EXPECT_EQ(entry->text(), QString::fromLatin1(mark));
    }
    EXPECT_EQ(spun, std::vector<std::int64_t>{6}) << "no step past the end, no hook";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Entry, ArrowAndPageKeysStepInTheBoxAndStopAtTheEnds) {
    entry->setText(QStringLiteral("352"));
    entry->lineEdit()->setFocus(Qt::TabFocusReason);
    for (const Qt::Key k : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_PageUp}) key(k);
    EXPECT_EQ(spun, (std::vector<std::int64_t>{353, 352, 351, 359}));
    EXPECT_EQ(focus(), entry->lineEdit());
    entry->setText(QStringLiteral("4"));
    key(Qt::Key_PageDown);
    EXPECT_EQ(entry->text(), QStringLiteral("0"));
}

TEST_F(Entry, CommitHandsOnAPendingValueOnceAndRefusesABadOne) {
    typeInto(entry, QStringLiteral("8"));
    EXPECT_TRUE(entry->commit());
    EXPECT_TRUE(entry->commit()) << "nothing pending the second time";
    EXPECT_EQ(accepted, std::vector<std::int64_t>{8});
    typeInto(entry, QStringLiteral("abc"));
    EXPECT_FALSE(entry->commit());
    EXPECT_EQ(messages.shown, refused());
    EXPECT_EQ(entry->text(), QStringLiteral("8"));
    EXPECT_EQ(focus(), entry->lineEdit());
}

}  // namespace
}  // namespace voran::testing
