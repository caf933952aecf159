#include "window/Utility.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>
#include <filesystem>

namespace voran {

void CenterForm(QWidget* form) {
    if (!form) return;
    QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QRect frame = form->frameGeometry();
    form->move(area.left() + (area.width() - frame.width()) / 2,
               area.top() + (area.height() - frame.height()) / 2);
}

void SelectAllText(QLineEdit* box) {
    if (box) box->setSelection(0, static_cast<int>(box->text().size()));
}

std::string ChangeExtension(const std::string& path, const std::string& extension) {
    namespace fs = std::filesystem;
    fs::path p(path);
    std::error_code ec;
    fs::path folder = fs::absolute(p.parent_path().empty() ? fs::path(".") : p.parent_path(), ec);
    folder = folder.lexically_normal();
    std::string base = p.stem().string();
    std::string result = folder.string();
    if (!result.empty() && result.back() != '/') result += '/';
    return result + base + "." + extension;
}

}  // namespace voran
