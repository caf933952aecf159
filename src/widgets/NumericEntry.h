#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QString>
#include <QWidget>

#include "number/NumberText.h"

class QLineEdit;
class QToolButton;

namespace voran {

class IMessageBox;
class EntryLineEdit;

// The entry rules of src/number on the box's text (blanks around it are
// whatever Qt takes for white space).
inline std::optional<double> EntryNumber(const QString& text) {
    return EntryNumber(text.trimmed().toStdString());
}
inline std::int64_t LeadingWholeNumber(const QString& text) {
    return LeadingWholeNumber(text.trimmed().toStdString());
}

// "Only a Number Between <min> and <max> can be Entered".
std::string RangeMessage(int minimum, int maximum);

// The numeric entry box of the editing windows: a text box with its up-down
// spinner. The box also shows the marks "-", "****" and "---", so it is a
// text box and not a spin box.
//
// Behaviour, the same in every window:
// - Getting the focus (by Tab, click or the program) saves the text and
//   selects all of it; a click selects all again.
// - Enter moves on to the next control in tab order (or to the Enter
//   target when one is set).
// - Escape puts the saved text back and selects it; a second Escape in a
//   row hands the focus to the window's default button. In a dialog, an
//   Escape with nothing typed to take back closes the dialog instead.
// - Leaving the box checks it: a text that is a number within the spinner's
//   range is rewritten as a whole number and handed to the accept hook;
//   anything else gives the range message under the entry's title, puts the
//   saved text back, keeps the focus in the box and selects the text. One
//   bad entry gives exactly one box, however the focus moved.
// - Leaving a box whose text is still the one it had on getting the focus
//   accepts it again when it is a number within the range; any other text
//   left untouched (a mark, a controller value outside the range) is not
//   checked, nor is a box that only had the focus because its window
//   became active.
// - The spinner steps a value within the range by 1 (staying within the
//   range), hands the focus to the default button and calls the spin hook.
//   From a mark the program shows ("-", "****", "---") it does nothing,
//   without a message. From a typed text that is no number, or a number
//   outside the range, it has nothing to step from: the range message, the
//   saved text back, nothing stored.
// - Up and Down in the box step as the spinner's arrows do, Page Up and
//   Page Down by kPageStep, through the same check and the same spin hook;
//   the focus stays in the box so that the operator can go on stepping.
// - A command that works on the data (Save, a transfer, closing the window)
//   first calls commit(): the entry in progress is checked and handed on as
//   leaving the box would, and a refused entry stops the command.
class NumericEntry : public QWidget {
    Q_OBJECT
public:
    explicit NumericEntry(QWidget* parent = nullptr);
    ~NumericEntry() override;

    // The spinner's range, which is also the range of the entry check.
    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    // Where range messages go and under which title.
    void setMessages(IMessageBox* messages, std::string title);
    const std::string& title() const { return title_; }

    // The button that takes the focus on a second Escape and after a spin.
    void setDefaultTarget(QWidget* target) { defaultTarget_ = target; }
    // When set, Enter gives this control the focus instead of the next one.
    void setEnterTarget(QWidget* target) { enterTarget_ = target; }
    // Only digits can be typed (a port number); marks set by the program
    // are still shown.
    void setDigitsOnly();
    // When set, getting the focus rewrites the text as its numeric value.
    void setRewriteOnFocus(bool on) { rewriteOnFocus_ = on; }

    // Called with the whole value that passed the range check (the text
    // already shows it). Returning false refuses the entry: the hook has
    // shown its own message, the box gets its saved text and the focus back.
    void setAcceptHook(std::function<bool(std::int64_t)> hook) { acceptHook_ = std::move(hook); }
    // Called after the spinner has put a new value into the box.
    void setSpinHook(std::function<void(std::int64_t)> hook) { spinHook_ = std::move(hook); }
    // Called when the operator starts working in the box (focus or click).
    void setFocusHook(std::function<void()> hook) { focusHook_ = std::move(hook); }

    QString text() const;
    // Shows a text put there by the program. When the operator is working
    // in the box, the unfinished entry is dropped: the new text counts as
    // the saved one.
    void setText(const QString& text);
    void setText(const std::string& text) { setText(QString::fromStdString(text)); }

    // The text and value the box had when the operator started working in it.
    const QString& savedText() const { return savedText_; }
    std::int64_t savedValue() const { return savedValue_; }
    bool escapePending() const { return escapePending_; }
    // The operator is working in the box: the box has the focus (or had it
    // when the window lost the activation) and the operator put it there or
    // has typed in it. A box that only holds the focus because its window
    // became active is not being edited until the operator types or clicks.
    bool editing() const;

    // How far Page Up and Page Down step the value.
    static constexpr int kPageStep = 10;

    // What a click on the spinner's arrows does (+1 up, -1 down).
    void step(int delta);

    // Checks the entry in progress and hands it to the accept hook exactly
    // as leaving the box would; the focus stays in the box. True when nothing
    // was pending or the entry was accepted; false when it was refused (the
    // range message or the hook's own has been shown) or a check is already
    // under way.
    bool commit();

    QLineEdit* lineEdit() const;
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

private:
    friend class EntryLineEdit;
    void focusArrived(bool deliberate);
    void clicked();
    void focusLeft(Qt::FocusReason reason);
    bool enterPressed();
    // False when the Escape is left to the dialog (nothing to restore).
    bool escapePressed();
    void otherKey() { escapePending_ = false; }
    void keyStep(int key);
    void stepBy(int delta, bool byKey);
    bool runCheck(bool quiet);
    void refuse(bool quiet);
    void refuseStep();
    void startSession(bool deliberate);
    void endSession();

    EntryLineEdit* edit_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minimum_ = 0;
    int maximum_ = 100;
    IMessageBox* messages_ = nullptr;
    std::string title_;
    QWidget* defaultTarget_ = nullptr;
    QWidget* enterTarget_ = nullptr;
    bool rewriteOnFocus_ = false;
    std::function<bool(std::int64_t)> acceptHook_;
    std::function<void(std::int64_t)> spinHook_;
    std::function<void()> focusHook_;

    QString savedText_;
    std::int64_t savedValue_ = 0;
    bool escapePending_ = false;
    bool session_ = false;
    bool deliberate_ = false;
    bool checking_ = false;
};

}  // namespace voran
