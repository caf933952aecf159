#include "program/TargetBoardInfo.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include <QDateTime>
#include <QFileInfo>

#include "platform/FileRead.h"
#include "platform/Paths.h"
#include "program/FaultText.h"
#include "program/RecordText.h"

namespace voran {

namespace fs = std::filesystem;

namespace {

std::string twoDigits(int v) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}

}  // namespace

bool HasRealTimeClock(int boardType) {
    return boardType == kBoardN24 || boardType == kBoardJ700;
}

std::string CorrectiveAction(int code) {
    const std::string q = "\"";
    if (code >= 0x01 && code <= 0x3F)
        return "Replace CO-CPU board at " + q + "CO-CPU Slot" + q + " and try again.  " +
               "If fault persists, peplace N-22 processor board and try again.  " +
               "If fault persists, verify proper use of " + q + "sfunc05/06/12" + q +
               " in user program.";
    if (code == 0x42)
        return "Verify connection of cable between computer " + q + "COM" + q +
               " port and target board " + q + "PROG PORT" + q + ".  Verify " +
               "cable wiring and connectors.  If fault persists, replace target board and/or " +
               "try a different computer.";
    if (code == 0x45)
        return "User program executed an sfunc09() system fault function call.  See User "
               "program for details on source of fault and corrective action.";
    if (code == 0x5C || code == 0x5D)
        return "Program is invalid.  Re-dump program to target board.  If fault persists, "
               "verify cable connections between computer and target board.  If fault "
               "persists, replace target board.";
    if (code >= 0x40 && code <= 0x7A)
        return "Reset fault and try again.  If fault persists, replace target board and try "
               "again.  See Tarnix Manual for more details.";
    return "None";
}

std::optional<std::string> CodeDescription(const std::string& file, const std::string& code) {
    if (file.empty()) return std::nullopt;
    const FileReadResult read = ReadFileContents(file);
    if (!read) return std::nullopt;
    return FindCodeRecord(read.bytes, code);
}

std::string SupportFile(const std::string& programFolder, const std::string& name) {
    return ResolvePath(programFolder, "Support/" + name);
}

std::vector<std::pair<std::string, std::string>> TimeWrites(const DateTime& now) {
    return {{kSetupRow[2].address, std::to_string(now.hour)},
            {kSetupRow[3].address, std::to_string(now.minute)},
            {kSetupRow[4].address, std::to_string(now.second)}};
}

std::vector<std::pair<std::string, std::string>> DateWrites(const DateTime& now) {
    return {{kSetupRow[5].address, std::to_string(now.month)},
            {kSetupRow[6].address, std::to_string(now.day)},
            {kSetupRow[7].address, std::to_string(((now.year % 100) + 100) % 100)}};
}

std::string ClockTimeText(const DateTime& now) {
    return twoDigits(now.hour) + " : " + twoDigits(now.minute) + " : " + twoDigits(now.second);
}

std::string ClockDateText(const DateTime& now) {
    char year[16];
    std::snprintf(year, sizeof year, "%04d", now.year);
    return twoDigits(now.month) + " - " + twoDigits(now.day) + " - " + year;
}

std::string RevisionDate(const std::string& hexFile) {
    const QFileInfo info(QString::fromStdString(hexFile));
    if (hexFile.empty() || !info.isFile()) return "-";
    return info.lastModified().toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")).toStdString();
}

}  // namespace voran
