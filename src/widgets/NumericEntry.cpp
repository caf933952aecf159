#include "widgets/NumericEntry.h"

#include <algorithm>

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/ItemTable.h"
#include "platform/MessageBox.h"

namespace voran {

std::string RangeMessage(int minimum, int maximum) {
    return items::EntryRangeMessage(minimum, maximum);
}

namespace {

// After a refused entry that the operator left by pressing the mouse on
// another control, that press (and its release) must not go on to click the
// control: the focus stayed in the box. Qt gives the focus before it
// delivers the press, so the press is still on its way when the box refuses.
class PressSwallower : public QObject {
public:
    PressSwallower() { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (done_) return false;
        switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                if (!pressEaten_) {
                    pressEaten_ = true;
                    return true;
                }
                break;
            case QEvent::MouseButtonRelease:
                if (pressEaten_) {
                    finish();
                    return true;
                }
                break;
            case QEvent::Wheel:
                if (!pressEaten_) finish();
                break;
            default:
                break;
        }
        return false;
    }

private:
    void finish() {
        done_ = true;
        qApp->removeEventFilter(this);
        deleteLater();
    }
    bool pressEaten_ = false;
    bool done_ = false;
};

}  // namespace

// The text box of the entry; hands its focus, key and click events to the
// entry.
class EntryLineEdit : public QLineEdit {
public:
    EntryLineEdit(NumericEntry* owner) : QLineEdit(owner), owner_(owner) {}

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ShortcutOverride) {
            // Enter and Escape belong to the box, not to a dialog's buttons
            // or a window's shortcuts.
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
                e->accept();
                return true;
            }
        }
        return QLineEdit::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        switch (e->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                e->accept();
                if (!owner_->enterPressed()) focusNextChild();
                return;
            case Qt::Key_Escape:
                // In a dialog, an Escape with nothing to restore goes on to
                // the dialog, which closes.
                if (owner_->escapePressed())
                    e->accept();
                else
                    e->ignore();
                return;
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                if (e->modifiers() & ~Qt::KeypadModifier) break;
                e->accept();
                owner_->keyStep(e->key());
                return;
            default:
                break;
        }
        owner_->otherKey();
        QLineEdit::keyPressEvent(e);
    }
    void focusInEvent(QFocusEvent* e) override {
        QLineEdit::focusInEvent(e);
        if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) {
            // The window comes back from a box or a menu: the operator goes
            // on with the entry as it was.
            owner_->focusArrived(false);
            return;
        }
        owner_->focusArrived(true);
    }
    void focusOutEvent(QFocusEvent* e) override {
        QLineEdit::focusOutEvent(e);
        owner_->focusLeft(e->reason());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QLineEdit::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton && hasFocus()) owner_->clicked();
    }

private:
    NumericEntry* owner_;
};

NumericEntry::NumericEntry(QWidget* parent) : QWidget(parent) {
    edit_ = new EntryLineEdit(this);
    const int chars = edit_->fontMetrics().horizontalAdvance(QStringLiteral("00000000"));
    edit_->setMinimumWidth(chars);
    edit_->setMaximumWidth(chars * 2);
    edit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto makeArrow = [this](Qt::ArrowType arrow) {
        auto* b = new QToolButton(this);
        b->setArrowType(arrow);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        return b;
    };
    up_ = makeArrow(Qt::UpArrow);
    down_ = makeArrow(Qt::DownArrow);
    const int w = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    up_->setFixedWidth(w);
    down_->setFixedWidth(w);
    connect(up_, &QToolButton::clicked, this, [this] { step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });

    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_);
    row->addLayout(arrows);

    setFocusProxy(edit_);
    setFocusPolicy(edit_->focusPolicy());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

NumericEntry::~NumericEntry() = default;

void NumericEntry::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
}

void NumericEntry::setDigitsOnly() {
    edit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit_));
}

void NumericEntry::setMessages(IMessageBox* messages, std::string title) {
    messages_ = messages;
    title_ = std::move(title);
}

QLineEdit* NumericEntry::lineEdit() const {
    return edit_;
}

QString NumericEntry::text() const {
    return edit_->text();
}

void NumericEntry::setText(const QString& text) {
    edit_->setText(text);
    if (session_) {
        savedText_ = text;
        savedValue_ = LeadingWholeNumber(text);
        // Typing then replaces the new text, as it would have the old.
        if (edit_->hasFocus()) edit_->selectAll();
    }
}

bool NumericEntry::editing() const {
    return session_ && (deliberate_ || edit_->text() != savedText_);
}

void NumericEntry::startSession(bool deliberate) {
    session_ = true;
    deliberate_ = deliberate;
    if (rewriteOnFocus_) edit_->setText(QString::number(LeadingWholeNumber(edit_->text())));
    savedText_ = edit_->text();
    savedValue_ = LeadingWholeNumber(savedText_);
}

void NumericEntry::focusArrived(bool deliberate) {
    if (checking_) return;
    if (session_) {
        // Back from a message box or a menu: the entry goes on as it was.
        if (!deliberate) return;
        deliberate_ = true;
    } else {
        startSession(deliberate);
    }
    escapePending_ = false;
    if (focusHook_) focusHook_();
    edit_->selectAll();
}

void NumericEntry::clicked() {
    // A click in the box it is working in keeps the saved text (the
    // operator's own typing is not the value to go back to).
    escapePending_ = false;
    deliberate_ = true;
    if (focusHook_) focusHook_();
    edit_->selectAll();
}

bool NumericEntry::enterPressed() {
    escapePending_ = false;
    if (enterTarget_ && enterTarget_->isEnabled() && enterTarget_->isVisible()) {
        enterTarget_->setFocus(Qt::TabFocusReason);
        return true;
    }
    return false;
}

bool NumericEntry::escapePressed() {
    if (qobject_cast<QDialog*>(window()) && edit_->text() == savedText_) {
        // Nothing typed to take back: the dialog closes, as from any other
        // control. The entry ends without a check.
        endSession();
        return false;
    }
    edit_->setText(savedText_);
    if (escapePending_ && defaultTarget_) {
        // The operator gives up the entry: the box is left without a check.
        // The focus moves by the keyboard, so the button shows its focus
        // mark (styles draw it only after keyboard focus changes).
        endSession();
        defaultTarget_->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    escapePending_ = !escapePending_;
    edit_->selectAll();
    return true;
}

void NumericEntry::endSession() {
    session_ = false;
    escapePending_ = false;
}

void NumericEntry::focusLeft(Qt::FocusReason reason) {
    if (!session_ || checking_) return;
    // Focus that goes to a message box, another window or a menu comes back
    // to this box; the entry is not finished.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    endSession();
    // A box that is being hidden with its window is not checked aloud.
    const bool quiet = !isVisible();
    const bool ok = runCheck(quiet);
    if (!ok && reason == Qt::MouseFocusReason && !quiet) new PressSwallower;
}

bool NumericEntry::runCheck(bool quiet) {
    const auto v = EntryNumber(edit_->text());
    const bool inRange = v && *v >= minimum_ && *v <= maximum_;
    // A text left as it was shown is only taken again when it is a value
    // the box accepts: a mark ("-", "****") or a controller value outside
    // the range would otherwise trap the operator in a box never touched.
    // A box that only held the focus because its window opened, and a
    // window being hidden, take only what was typed.
    if (edit_->text() == savedText_ && (!inRange || quiet || !deliberate_)) return true;
    QScopedValueRollback<bool> guard(checking_, true);
    if (!inRange) {
        if (!quiet && messages_)
            messages_->show(RangeMessage(minimum_, maximum_), title_, MsgButtons::Ok,
                            MsgIcon::Information);
        refuse(quiet);
        return false;
    }
    const std::int64_t whole = RoundHalfEven(*v);
    // The whole number is what travels: the controller link reads the
    // digits of a text and would take "12.4" as 124.
    edit_->setText(QString::number(whole));
    if (acceptHook_ && !acceptHook_(whole)) {
        refuse(quiet);
        return false;
    }
    // The accepted text is the one to go back to from now on.
    savedText_ = edit_->text();
    savedValue_ = whole;
    return true;
}

void NumericEntry::refuse(bool quiet) {
    QPointer<NumericEntry> self(this);
    edit_->setText(savedText_);
    if (!quiet && isEnabled() && isVisible()) {
        // The guard is dropped first so that the returning focus starts a
        // new entry with the saved text.
        checking_ = false;
        edit_->setFocus(Qt::OtherFocusReason);
        if (!self) return;
        checking_ = true;
    }
    edit_->selectAll();
}

bool NumericEntry::commit() {
    if (checking_) return false;
    if (!session_) return true;
    if (!runCheck(false)) return false;
    // The entry is stored: leaving the box later has nothing more to check,
    // and the refresh may show the box again until the operator types.
    deliberate_ = false;
    return true;
}

void NumericEntry::step(int delta) {
    stepBy(delta, false);
}

void NumericEntry::keyStep(int key) {
    switch (key) {
        case Qt::Key_Up:
            stepBy(+1, true);
            break;
        case Qt::Key_Down:
            stepBy(-1, true);
            break;
        case Qt::Key_PageUp:
            stepBy(+kPageStep, true);
            break;
        case Qt::Key_PageDown:
            stepBy(-kPageStep, true);
            break;
        default:
            break;
    }
}

void NumericEntry::stepBy(int delta, bool byKey) {
    if (checking_) return;
    const auto current = EntryNumber(edit_->text());
    if (!current) {
        // A mark the program put there ("-", "****", "---") holds no value
        // to step from, and the operator typed nothing that could be wrong:
        // the spin does nothing, quietly.
        const bool typed = session_ && edit_->text() != savedText_;
        if (!typed) {
            up_->setDown(false);
            down_->setDown(false);
            return;
        }
        refuseStep();
        return;
    }
    if (*current < minimum_ || *current > maximum_) {
        refuseStep();
        return;
    }
    const std::int64_t value =
        std::clamp<std::int64_t>(RoundHalfEven(*current) + delta, minimum_, maximum_);
    const QString text = QString::number(value);
    if (text == edit_->text()) return;  // already at the end of the range
    edit_->setText(text);
    savedText_ = text;
    savedValue_ = value;
    escapePending_ = false;
    if (byKey) {
        // The operator goes on stepping in the box: the stepped value is the
        // one to go back to, and leaving the box has nothing more to store.
        deliberate_ = false;
        edit_->selectAll();
    } else if (defaultTarget_) {
        // The spinner's value needs no check when the focus moves on.
        endSession();
        defaultTarget_->setFocus(Qt::OtherFocusReason);
    }
    if (spinHook_) spinHook_(value);
}

// A spin from a text that is no value of the box: as a refused entry, one
// range message and the saved text back, nothing stored. A text the program
// put there (the box was not being worked in) is its own saved text.
void NumericEntry::refuseStep() {
    // The arrow is let go: an auto-repeating arrow held down behind the
    // message would otherwise step again.
    up_->setDown(false);
    down_->setDown(false);
    if (!session_) {
        savedText_ = edit_->text();
        savedValue_ = LeadingWholeNumber(savedText_);
    }
    QScopedValueRollback<bool> guard(checking_, true);
    if (messages_)
        messages_->show(RangeMessage(minimum_, maximum_), title_, MsgButtons::Ok,
                        MsgIcon::Information);
    refuse(false);
}

}  // namespace voran
