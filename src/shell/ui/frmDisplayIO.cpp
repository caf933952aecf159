#include "shell/ui/frmDisplayIO.h"

#include <vector>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QStackedLayout>
#include <QTabWidget>
#include <QVBoxLayout>

#include "number/NumberText.h"
#include "widgets/Colours.h"
#include "window/AppContext.h"

namespace voran {

namespace {

const std::array<const char*, frmDisplayIO::kItems> kAddresses = {
    "F130", "F131", "W162", "W164", "B166", "B167", "W180", "W182",
    "W184", "W186", "W188", "B170", "W100", "W110", "W120"};

// The controller's own values: caption and, for the two inputs, what they are.
const std::array<const char*, frmDisplayIO::kControllerValues> kControllerCaptions = {
    "IN0:",
    "IN1:",
    "Analog Input 0:",
    "Analog Input 1:",
    "Analog Output 0:",
    "Analog Output 1:",
    "Resolver POS:",
    "Resolver RPM:",
    "Resolver Period:",
    "Scale Factor:",
    "Offset:"};
const std::array<const char*, 2> kInputDescriptions = {"Flanger Discharge Jam PE",
                                                       "Calefi Valves Manual (ON) Mode"};

const std::array<const char*, frmDisplayIO::kChannels> kChannelDescriptions = {
    "Transfer Timing", "PLC Clock Timing", "Spare", "Spare", "Spare", "Spare", "Spare", "Spare"};

const std::array<const char*, frmDisplayIO::kSlots> kSlotTitles = {"Slot0-0", "Slot0-1", "Slot0-2"};
const std::array<int, frmDisplayIO::kSlots> kSlotBytes = {100, 110, 120};
// Bits 0 .. 10 are stations 1 .. 11; these follow the station number.
const std::array<const char*, frmDisplayIO::kSlots> kStationSuffix = {
    " Can Transfer PE", " Transfer Jam", " Calefi Valve"};
constexpr int kStationBits = 11;
// Bits 11 .. 15 of each slot.
const std::array<std::array<const char*, 5>, frmDisplayIO::kSlots> kUpperBits = {{
    {"Flanger Can Transfer PE", "Transfer Jam Enable (from host PLC)",
     "Main Drive ON (from host PLC)", "Alarm Reset (from host PLC)", "Infeed Screw PRX"},
    {"Flanger Transfer Jam", "Transfer Jam", "PLC Clock Timing (CH01)", "Timing Signal Fail Alarm",
     "Infeed PRX Output"},
    {"Flanger Calefi Valve", "Spare", "Spare", "Spare", "Infeed Jam Alarm"},
}};

const QString kDash = QStringLiteral("-");

}  // namespace

frmDisplayIO::frmDisplayIO(AppContext& ctx, QWidget* parent)
    : FixedAddressWindow(ctx, kAddresses, parent) {
    setObjectName(QStringLiteral("frmDisplayIO"));
    setWindowTitle(QStringLiteral("I/O Status"));
    buildControls();
}

const std::array<const char*, frmDisplayIO::kItems>& frmDisplayIO::ItemAddresses() {
    return kAddresses;
}

QString frmDisplayIO::BitCaption(int byteAddress, int bit) {
    // Octal-style numbering of the I/O: bits 8 .. 15 are 10 .. 17. The
    // blanks keep the colons under one another (a digit is two blanks wide).
    const QString number =
        bit < 8 ? QStringLiteral("    %1").arg(bit) : QStringLiteral("  1%1").arg(bit - 8);
    return QStringLiteral("(B%1.%2)").arg(byteAddress + bit / 8).arg(bit % 8) + number +
           QLatin1Char(':');
}

QString frmDisplayIO::BitDescription(int slot, int bit) {
    if (bit < kStationBits)
        return QStringLiteral("Station #%1").arg(bit + 1) + QLatin1String(kStationSuffix.at(slot));
    return QString::fromLatin1(kUpperBits.at(slot).at(bit - kStationBits));
}

QColor frmDisplayIO::onColour(const QPalette& palette) {
    return ValueColour(palette);
}

QColor frmDisplayIO::offColour(const QPalette& palette) {
    return OffColour(palette);
}

void frmDisplayIO::buildControls() {
    // The page is laid out at its full size; the frame grows to show it and
    // scrolls it where the screen is too small (a strong scale factor).
    QWidget* content = this;

    const int stateWidth = fontMetrics().horizontalAdvance(QStringLiteral("offff"));
    const auto stateLabel = [&](QWidget* parent, const QString& tip) {
        auto* l = new QLabel(kDash, parent);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(stateWidth);
        l->setToolTip(tip);
        states_.push_back(l);
        return l;
    };
    const auto captionLabel = [&](QWidget* parent, const QString& text) {
        auto* l = new QLabel(text, parent);
        captions_.push_back(l);
        return l;
    };
    const auto compactGrid = [](QGroupBox* frame) {
        auto* grid = new QGridLayout(frame);
        grid->setVerticalSpacing(2);
        grid->setHorizontalSpacing(frame->fontMetrics().horizontalAdvance(QStringLiteral("MM")));
        return grid;
    };

    for (int s = 0; s < kSlots; ++s) {
        auto* frame = new QGroupBox(QString::fromLatin1(kSlotTitles[s]), content);
        auto* grid = compactGrid(frame);
        for (int b = 0; b < kSlotBits; ++b) {
            lblSlot_[s][b] = captionLabel(frame, BitCaption(kSlotBytes[s], b));
            auto* description = captionLabel(frame, BitDescription(s, b));
            const QString bit = QStringLiteral("B%1.%2").arg(kSlotBytes[s] + b / 8).arg(b % 8);
            lblSlotState_[s][b] = stateLabel(frame, bit);
            grid->addWidget(lblSlot_[s][b], b, 0);
            grid->addWidget(description, b, 1);
            grid->addWidget(lblSlotState_[s][b], b, 2);
        }
        grid->setColumnStretch(1, 1);
        fraBMIO_[s] = frame;
    }

    // Timing channels in two columns of four.
    auto* timing = new QGroupBox(QStringLiteral("Timing"), content);
    auto* timingGrid = compactGrid(timing);
    for (int c = 0; c < kChannels; ++c) {
        lblTmgChannel_[c] =
            captionLabel(timing, QStringLiteral("CH%1:").arg(c, 2, 10, QLatin1Char('0')));
        auto* description = captionLabel(timing, QString::fromLatin1(kChannelDescriptions[c]));
        lblTmgChannelState_[c] = stateLabel(timing, QStringLiteral("B170.%1").arg(c));
        const int row = c % 4, col = (c / 4) * 3;
        timingGrid->addWidget(lblTmgChannel_[c], row, col);
        timingGrid->addWidget(description, row, col + 1);
        timingGrid->addWidget(lblTmgChannelState_[c], row, col + 2);
    }
    fraBMIO_[3] = timing;

    // The controller's own values: the two inputs and the analog values in
    // the first column, the resolver in the second.
    auto* k900 = new QGroupBox(QStringLiteral("K-900"), content);
    auto* k900Grid = compactGrid(k900);
    for (int i = 0; i < kControllerValues; ++i) {
        lblk910_[i] = captionLabel(k900, QString::fromLatin1(kControllerCaptions[i]));
        lblk910State_[i] = stateLabel(k900, QString::fromLatin1(kAddresses[i]));
        lblk910State_[i]->setMinimumWidth(
            fontMetrics().horizontalAdvance(QStringLiteral("000000")));
        const int row = i < 6 ? i : i - 6, col = i < 6 ? 0 : 3;
        k900Grid->addWidget(lblk910_[i], row, col);
        if (i < 2)
            k900Grid->addWidget(captionLabel(k900, QString::fromLatin1(kInputDescriptions[i])), row,
                                col + 1);
        k900Grid->addWidget(lblk910State_[i], row, col + 2);
    }
    fraBMIO_[4] = k900;

    // Two arrangements of the same frames: side by side where the frame has
    // the room, one page each (the slots, then timing and K-900) where it
    // has not (a small screen or a strong scale factor), so the window never
    // needs scrolling.
    auto* stack = new QStackedLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    wide_ = new QWidget;
    slotRow_ = new QHBoxLayout;
    lowerRow_ = new QHBoxLayout;
    lowerRow_->addStretch(1);
    auto* page = new QVBoxLayout(wide_);
    page->addLayout(slotRow_);
    page->addLayout(lowerRow_);
    page->addStretch(1);
    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("tabDisplayIO"));
    pages_->setDocumentMode(true);
    for (int s = 0; s < kSlots; ++s) {
        auto* slotPage = new QWidget;
        auto* v = new QVBoxLayout(slotPage);
        v->addStretch(1);
        pages_->addTab(slotPage, QString::fromLatin1(kSlotTitles[s]));
    }
    auto* lowerPage = new QWidget;
    auto* v = new QVBoxLayout(lowerPage);
    v->addStretch(1);
    pages_->addTab(lowerPage, QStringLiteral("Timing / K-900"));
    stack->addWidget(wide_);
    stack->addWidget(pages_);

    arrange(true);
    pagedMinimum_ = pages_->minimumSizeHint();
    arrange(false);
    wideSize_ = wide_->sizeHint().expandedTo(wide_->minimumSizeHint());
}

void frmDisplayIO::arrange(bool paged) {
    paged_ = paged;
    auto* stack = static_cast<QStackedLayout*>(layout());
    if (paged) {
        for (int s = 0; s < kSlots; ++s)
            static_cast<QBoxLayout*>(pages_->widget(s)->layout())->insertWidget(0, fraBMIO_[s]);
        auto* lower = static_cast<QBoxLayout*>(pages_->widget(kSlots)->layout());
        lower->insertWidget(0, fraBMIO_[3]);
        lower->insertWidget(1, fraBMIO_[4]);
        stack->setCurrentWidget(pages_);
    } else {
        for (int s = 0; s < kSlots; ++s) slotRow_->insertWidget(s, fraBMIO_[s]);
        lowerRow_->insertWidget(0, fraBMIO_[3], 0, Qt::AlignTop);
        lowerRow_->insertWidget(1, fraBMIO_[4], 0, Qt::AlignTop);
        stack->setCurrentWidget(wide_);
    }
}

QSize frmDisplayIO::sizeHint() const {
    // The frame grows to show every frame side by side where it can.
    return wideSize_;
}

QSize frmDisplayIO::minimumSizeHint() const {
    return pagedMinimum_;
}

void frmDisplayIO::resizeEvent(QResizeEvent* event) {
    const bool paged = width() < wideSize_.width() || height() < wideSize_.height();
    if (paged != paged_) arrange(paged);
    FixedAddressWindow::resizeEvent(event);
}

void frmDisplayIO::showState(QLabel* label, bool on) {
    label->setText(on ? QStringLiteral("ON") : QStringLiteral("off"));
    // Active and inactive only: a disabled label keeps the greyed look.
    QPalette p = label->palette();
    const QColor colour = on ? onColour(p) : offColour(p);
    p.setColor(QPalette::Active, QPalette::WindowText, colour);
    p.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    label->setPalette(p);
}

void frmDisplayIO::showLook(bool enabled) {
    for (auto* f : fraBMIO_) f->setEnabled(enabled);
    for (auto* l : captions_) l->setEnabled(enabled);
    for (auto* l : states_) {
        // "-" in the colour of "ON".
        showState(l, true);
        l->setText(kDash);
        l->setEnabled(enabled);
    }
}

void frmDisplayIO::showUnknown(int index) {
    std::vector<QLabel*> labels;
    if (index < kControllerValues)
        labels = {lblk910State_[index]};
    else if (index == kTimingItem)
        labels.assign(lblTmgChannelState_.begin(), lblTmgChannelState_.end());
    else
        labels.assign(lblSlotState_.at(index - kFirstSlotItem).begin(),
                      lblSlotState_.at(index - kFirstSlotItem).end());
    for (QLabel* l : labels) l->setText(QStringLiteral("---"));
}

void frmDisplayIO::showReply(int index, const std::string& reply) {
    const std::int64_t value = ReplyToValue(reply);
    if (index < 2) {
        // A flag is on only when the board says exactly 1.
        showState(lblk910State_[index], value == 1);
    } else if (index < kControllerValues) {
        lblk910State_[index]->setText(QString::fromStdString(reply));
    } else if (index == kTimingItem) {
        for (int c = 0; c < kChannels; ++c) showState(lblTmgChannelState_[c], (value >> c) & 1);
    } else {
        auto& states = lblSlotState_.at(index - kFirstSlotItem);
        for (int b = 0; b < kSlotBits; ++b) showState(states[b], (value >> b) & 1);
    }
}

}  // namespace voran
