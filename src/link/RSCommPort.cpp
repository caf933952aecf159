// Opening and closing the link: the settings file RSPort.cfg, the port
// set-up and the greeting of the board.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "link/PortSettingsFile.h"
#include "link/RSComm.h"
#include "platform/FileRead.h"
#include "platform/FileReplace.h"
#include "platform/Logging.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace voran {

namespace {
// Bytes of RSPort.cfg read at most: its one line is a dozen characters.
constexpr std::size_t kFirstLineLimit = 256;
}  // namespace

std::string RSComm::CommSettingsFile() const {
    return ResolvePath(programFolder_, "Support/RSPort.cfg");
}

bool RSComm::writeSettingsFile(const PortSettings& s, int* errorNumber, std::string* errorText) {
    const fs::path target(CommSettingsFile());
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec) {
        *errorNumber = ec.value();
        *errorText = ec.message() + ": " + target.parent_path().string();
        return false;
    }
    // Replaced whole, as every file the program writes.
    const FileWriteResult written =
        ReplaceFileContents(target.string(), FormatPortSettingsText(s) + "\n");
    if (!written) {
        *errorNumber = written.errorNumber;
        *errorText = written.error;
        return false;
    }
    return true;
}

bool RSComm::readSettingsFile(int* errorNumber, std::string* errorText) {
    const std::string path = CommSettingsFile();
    std::error_code ec;
    if (!fs::exists(path, ec)) return writeSettingsFile(settings_, errorNumber, errorText);

    // Only the first line matters: at most kFirstLineLimit bytes are read,
    // however large the file; anything but a regular file is refused.
    const FileReadResult read = ReadFileContents(path, kFirstLineLimit, true);
    if (!read) {
        *errorNumber = read.errorNumber;
        *errorText = read.error;
        return false;
    }
    std::string firstLine(WithoutByteOrderMark(read.bytes));
    firstLine = firstLine.substr(0, firstLine.find('\n'));
    const PortSettingsText parsed = ParsePortSettingsText(firstLine);
    settings_ = parsed.settings;
    if (parsed.empty || parsed.garbled) {
        if (parsed.garbled)
            qCWarning(lcLink, "%s was unreadable; using port %d at %d", path.c_str(),
                      settings_.port, settings_.speed);
        return writeSettingsFile(settings_, errorNumber, errorText);
    }
    return true;
}

void RSComm::InitializeRSComm(ISerialPort& commObj) {
    settings_ = PortSettings{};
    int number = 0;
    std::string text;

    // One platform fault: rewrite the file with what was read so far and ask.
    const auto retry = [&]() {
        int ignoredNumber = 0;
        std::string ignoredText;
        writeSettingsFile(settings_, &ignoredNumber, &ignoredText);
        const MsgResult answer =
            messages_.show("Error Number = " + std::to_string(number) + "\r\n\r\n" + text,
                           "RSComm InitializeRSComm", MsgButtons::RetryCancel, MsgIcon::Critical);
        if (answer == MsgResult::Retry) return true;
        OnlineMode = false;
        LinkDisabled_ = true;
        return false;
    };

    while (!readSettingsFile(&number, &text))
        if (!retry()) return;

    PortSettings use = settings_;
    if (portOverride_) use.port = *portOverride_;
    if (speedOverride_) use.speed = *speedOverride_;

    for (;;) {
        if (commObj.isOpen()) commObj.close();
        commObj.setPortNumber(use.port);
        PortError error;
        if (commObj.setSettings(use.lineSettings(), &error)) break;
        number = error.number;
        text = error.description;
        if (!retry()) return;
    }
    settings_ = use;
    port_ = &commObj;
    LinkDisabled_ = false;
}

void RSComm::OpenRSComm(ISerialPort& commObj) {
    auto t = begin();
    if (!t) return;

    InitializeRSComm(commObj);
    if (LinkDisabled_) return;

    PortError error;
    if (!port_->open(&error)) {
        messages_.show("Error Number = " + std::to_string(error.number) +
                           "\r\nError Source = " + error.source + "\r\n\r\n" + error.description,
                       "Comm Port Error", MsgButtons::Ok, MsgIcon::Critical);
        CommError = true;
        OnlineMode = false;
        LinkDisabled_ = true;
        return;
    }
    // The port may have been closed in the middle of a frame (a lost adapter
    // given up on, say): the board still holds that half frame until it has
    // heard nothing for a while, and would take the greeting 0xFF as one of
    // its bytes.
    quietAfterLastByte();
    port_->discardInput();
    CurrentMode_ = CommandMode::None;
    quietFirst_ = false;
    CommError = false;
    voidReadings();
    // Anything but an acknowledge means the 0xFF did not land where a frame
    // starts: the first handshake keeps quiet first.
    if (t->exchange(0xFF) != 0x55 || resynced_) t->mustResync();
    OnlineMode = !CommError;
}

void RSComm::CloseRSComm() {
    if (auto t = begin()) t->close();
}

void RSComm::Transaction::close() {
    RSComm& l = link_;
    if (l.port_ != nullptr && l.port_->isOpen()) {
        if (!l.CommError) exchange(0xFF);
        l.port_->close();
    }
    l.CurrentMode_ = CommandMode::None;
    l.OnlineMode = false;
    l.voidReadings();
}

}  // namespace voran
