#pragma once

#include <QWidget>

class QLabel;
class QScreen;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;

namespace voran {

// The program's manual for operators, built into the program: its contents
// on the left, the text on the right, and a search box. Not modal; the
// frame keeps one.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* parent = nullptr);

    // Where the manual is kept in the program.
    static constexpr const char* kManual = "qrc:/manual/index.html";

    // The headings of the manual, in order, as the contents list shows them.
    QStringList contents() const;
    // Shows the heading `index` of the contents.
    void showTopic(int index);
    // Finds `text` after the cursor, from the top again at the end; false
    // when it is nowhere in the manual.
    bool find(const QString& text);

    // Sizes and places the window on `screen` (its first showing).
    void placeOn(const QScreen* screen);

    QTextBrowser* txtManual() const { return txtManual_; }
    QTreeWidget* tvwContents() const { return tvwContents_; }
    QLineEdit* txtSearch() const { return txtSearch_; }

private:
    void fillContents();

    QTextBrowser* txtManual_ = nullptr;
    QTreeWidget* tvwContents_ = nullptr;
    QLineEdit* txtSearch_ = nullptr;
    QLabel* lblFound_ = nullptr;
};

}  // namespace voran
