#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "data/Comparison.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace voran {

class IClipboard;
class IFileDialog;
class IMessageBox;

// The result of Compare with Controller: every value a download of the
// working data would change, under three headings (set-up items, shift data,
// PLS timing), with the value here and on the board. The list can be copied
// (tab-separated) or saved as CSV.
class frmCompare : public QDialog {
    Q_OBJECT
public:
    // `dataName` names the working data in the heading ("[line3.sdt]").
    frmCompare(std::vector<Difference> differences, const std::string& dataName,
               IClipboard& clipboard, IFileDialog& dialogs, IMessageBox& messages,
               QWidget* parent = nullptr);

    QLabel* lblCompare() const { return lblCompare_; }
    QTreeWidget* tvwCompare() const { return tvwCompare_; }
    QPushButton* cmdCopy() const { return cmdCopy_; }
    QPushButton* cmdSave() const { return cmdSave_; }
    QPushButton* cmdClose() const { return cmdClose_; }
    const std::vector<Difference>& differences() const { return differences_; }

    // The heading of the "here" column and of the copied and saved tables.
    static constexpr const char* kHereHeading = "Working Data";

    void cmdCopy_Click();
    // Asks for a CSV file and writes the list into it; true when written. A
    // failed write says why and leaves an earlier file as it was.
    bool cmdSave_Click();

private:
    void fillList();

    std::vector<Difference> differences_;
    IClipboard& clipboard_;
    IFileDialog& dialogs_;
    IMessageBox& messages_;
    std::string lastCsvPath_;
    QLabel* lblCompare_ = nullptr;
    QTreeWidget* tvwCompare_ = nullptr;
    QPushButton* cmdCopy_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
};

}  // namespace voran
