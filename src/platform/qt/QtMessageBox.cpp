#include "platform/qt/QtMessageBox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QPointer>

namespace voran {

QString QtMessageBox::toDisplayText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    // The system's texts are 8-bit; anything that is not valid UTF-8 is
    // taken as Latin-1 rather than shown as replacement characters.
    const QByteArray bytes(out.data(), static_cast<qsizetype>(out.size()));
    const QString utf8 = QString::fromUtf8(bytes);
    if (utf8.contains(QChar::ReplacementCharacter)) return QString::fromLatin1(bytes);
    return utf8;
}

static QMessageBox::Icon qtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

MsgResult QtMessageBox::show(const std::string& text, const std::string& title, MsgButtons buttons,
                             MsgIcon icon) {
    QPointer<QWidget> parent(parent_);
    QMessageBox box(qtIcon(icon), QString::fromStdString(title), toDisplayText(text),
                    QMessageBox::NoButton, parent.data());
    QAbstractButton* escape = nullptr;
    QAbstractButton* showChanges = nullptr;
    switch (buttons) {
        case MsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            escape = box.button(QMessageBox::Ok);
            break;
        case MsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            escape = box.button(QMessageBox::Cancel);
            break;
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            escape = box.button(QMessageBox::No);
            break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            escape = box.button(QMessageBox::Cancel);
            break;
        case MsgButtons::RetryCancel:
            box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
            escape = box.button(QMessageBox::Cancel);
            break;
        case MsgButtons::YesNoShowChanges:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            escape = box.button(QMessageBox::No);
            showChanges =
                box.addButton(QStringLiteral("Show &Changes..."), QMessageBox::ActionRole);
            break;
    }
    if (escape) box.setEscapeButton(escape);
    box.exec();
    if (showChanges && box.clickedButton() == showChanges) return MsgResult::ShowChanges;
    switch (box.standardButton(box.clickedButton())) {
        case QMessageBox::Ok:
            return MsgResult::Ok;
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        case QMessageBox::Retry:
            return MsgResult::Retry;
        case QMessageBox::Cancel:
            return MsgResult::Cancel;
        default:
            break;
    }
    return EscapeAnswer(buttons);
}

}  // namespace voran
