// The controller-program members of the link: each hands its work to the
// program code, which runs it on a transaction of this link.
#include "link/RSComm.h"
#include "program/BoardStatus.h"
#include "program/BoardTable.h"
#include "program/FaultText.h"
#include "program/ProgramDownload.h"
#include "program/ProgramFiles.h"
#include "program/ProgramState.h"
#include "program/ProgramUpload.h"

namespace voran {

namespace {
const ProgramState kNoProgram{};
}

ProgramState& RSComm::program() {
    if (!program_) program_ = std::make_shared<ProgramState>();
    return *program_;
}

std::string RSComm::TargetboardName(int boardType) {
    return voran::TargetboardName(boardType);
}

std::string RSComm::LCFBoardIndex(int boardType) {
    return voran::LCFBoardIndex(boardType);
}

int RSComm::FirmwareRev() {
    return voran::FirmwareRev(*this);
}

int RSComm::FaultCode() {
    return voran::FaultCode(*this);
}

std::string RSComm::FaultDescription(int fltCode) {
    return voran::FaultDescription(fltCode, FaultFile(programFolder_), messages_);
}

void RSComm::DownloadFile(const std::string& tnxFileName) {
    voran::DownloadFile(program().set, tnxFileName, messages_);
}

void RSComm::UploadFile(const std::string& tnxFileName) {
    voran::UploadFile(program().set, tnxFileName, messages_);
}

bool RSComm::ValidProgram() const {
    return program_ && program_->set.ValidProgram;
}

std::string RSComm::MarkHex2HEX(std::string& markHex) {
    return voran::MarkHex2HEX(markHex);
}

std::string RSComm::HEX2MarkHEX(std::string& hexCode) {
    return voran::HEX2MarkHEX(hexCode);
}

void RSComm::DumpProgram() {
    voran::DumpProgram(*this, program(), messages_);
}

void RSComm::UploadProgram() {
    voran::UploadProgram(*this, program(), messages_);
}

bool RSComm::InProgramMode() const {
    return (program_ ? *program_ : kNoProgram).progress.InProgramMode;
}

bool RSComm::InUploadMode() const {
    return (program_ ? *program_ : kNoProgram).progress.InUploadMode;
}

void RSComm::setInUploadMode(bool on) {
    program().progress.InUploadMode = on;
}

bool RSComm::WritingIdent() const {
    return (program_ ? *program_ : kNoProgram).progress.WritingIdent;
}

bool RSComm::ReadingIdent() const {
    return (program_ ? *program_ : kNoProgram).progress.ReadingIdent;
}

std::string RSComm::CurrentProgramAdd() const {
    return (program_ ? *program_ : kNoProgram).progress.CurrentProgramAdd;
}

}  // namespace voran
