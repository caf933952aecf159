// The board-type table: names, configuration index characters, what a
// program of each type is and where its program memory lies.
#include "program/BoardTable.h"

namespace voran {

namespace {

struct Board {
    const char* name;
    const char* lcfIndex;
    ProgramClass kind;
    int memoryStart;  // -1: no program memory to read
    int memoryEnd;
};

constexpr ProgramClass I = ProgramClass::Incompatible;
constexpr ProgramClass C = ProgramClass::Plc;
constexpr ProgramClass S = ProgramClass::Pls;

// Codes 49 ("1") to 69 ("E").
constexpr Board kBoards[] = {
    {"N-21", "1", I, -1, 0},
    {"N-22", "1", C, 0x5000, 0xFFFF},
    {"N-23", "?", C, 0x2000, 0x7FFF},
    {"N-31", "2", C, 0x2000, 0x3FFF},
    {"N-32", "3", C, 0x2000, 0x3FFF},
    {"N-24", "D", C, 0x2000, 0x7FFF},
    {"N-41", "", S, -1, 0},
    {"N-33", "F", C, 0x2000, 0x3FFF},
    {"Not Defined", "", I, -1, 0},
    {"K-310", "@", C, 0x2000, 0x7FFF},
    {"K-320", "A", C, 0x2000, 0x7FFF},
    {"K-330", "B", C, 0x2000, 0x7FFF},
    {"K-410(PLC)", "C", C, 0x2000, 0x7FFF},
    {"K-410(PLS)", "", S, -1, 0},
    {"K-510", "", S, -1, 0},
    {"K-520", "", S, -1, 0},
    {"J-700", "E", C, 0x2000, 0x7FFF},
    {"K-420(PLC)", "", C, 0x2000, 0x7FFF},
    {"K-420(PLS)", "", S, -1, 0},
    {"K-900(PLC)", "G", C, 0x4000, 0xBFFF},
    {"K-900(PLS)", "", S, -1, 0},
};
static_assert(sizeof kBoards / sizeof kBoards[0] == kLastBoardType - kFirstBoardType + 1);

const Board* find(int boardType) {
    if (boardType < kFirstBoardType || boardType > kLastBoardType) return nullptr;
    return &kBoards[boardType - kFirstBoardType];
}

}  // namespace

std::string TargetboardName(int boardType) {
    if (const Board* b = find(boardType)) return b->name;
    return std::string(1, static_cast<char>(boardType & 0xFF)) + " Is Not Defined.";
}

std::string LCFBoardIndex(int boardType) {
    const Board* b = find(boardType);
    return b ? b->lcfIndex : "";
}

ProgramClass ProgramClassOf(int boardType) {
    const Board* b = find(boardType);
    return b ? b->kind : ProgramClass::Incompatible;
}

bool HasConfigFile(int boardType) {
    return boardType >= 56 && boardType <= 65;
}

std::optional<MemoryRange> ProgramMemory(int boardType) {
    const Board* b = find(boardType);
    if (!b || b->memoryStart < 0) return std::nullopt;
    return MemoryRange{b->memoryStart, b->memoryEnd - b->memoryStart + 1};
}

}  // namespace voran
