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

QString QtMessageBox::toAlignedHtml(const std::string& text) {
    const QString plain = toDisplayText(text);
    if (!plain.contains(QLatin1Char('\t'))) return {};
    QString html;
    bool inTable = false;
    for (const QString& line : plain.split(QLatin1Char('\n'))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0) {
            if (inTable) html += QStringLiteral("</table>");
            inTable = false;
            html += line.trimmed().isEmpty()
                        ? QStringLiteral("<br>")
                        : QStringLiteral("<div>") + line.toHtmlEscaped() + QStringLiteral("</div>");
            continue;
        }
        if (!inTable) html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\">");
        inTable = true;
        const QString label = line.left(tab).trimmed();
        const QString value = line.mid(tab).trimmed();
        html += QStringLiteral(
                    "<tr><td style=\"white-space:pre; padding-left:1em; "
                    "padding-right:1em\">") +
                label.toHtmlEscaped() + QStringLiteral("</td><td style=\"white-space:pre\">") +
                value.toHtmlEscaped() + QStringLiteral("</td></tr>");
    }
    if (inTable) html += QStringLiteral("</table>");
    return html;
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
    const QString aligned = toAlignedHtml(text);
    QMessageBox box(qtIcon(icon), QString::fromStdString(title),
                    aligned.isEmpty() ? toDisplayText(text) : aligned, QMessageBox::NoButton,
                    parent.data());
    if (!aligned.isEmpty()) box.setTextFormat(Qt::RichText);
    QAbstractButton* escape = nullptr;
    QAbstractButton* showChanges = nullptr;
    QAbstractButton* setUpOnly = nullptr;
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
        case MsgButtons::YesSetUpOnlyNo:
        case MsgButtons::YesSetUpOnlyNoShowChanges:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            escape = box.button(QMessageBox::No);
            setUpOnly = box.addButton(QStringLiteral("Set-up &Only"), QMessageBox::YesRole);
            setUpOnly->setToolTip(
                QStringLiteral("Sends the set-up (items 0 to 37) and the PLS; the shift counts "
                               "in the controller are left as they are"));
            if (buttons == MsgButtons::YesSetUpOnlyNoShowChanges)
                showChanges =
                    box.addButton(QStringLiteral("Show &Changes..."), QMessageBox::ActionRole);
            break;
    }
    if (escape) box.setEscapeButton(escape);
    box.exec();
    if (showChanges && box.clickedButton() == showChanges) return MsgResult::ShowChanges;
    if (setUpOnly && box.clickedButton() == setUpOnly) return MsgResult::SetUpOnly;
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
