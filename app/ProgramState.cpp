// The program's mutable state.
#include "ProgramState.h"

#include "Security.h"

TProgramState::TProgramState() : OperationPasswordCheck(CheckPassword) {}

TProgramState& ProgramState() {
    static TProgramState state;
    return state;
}

void ResetProgramState() {
    ProgramState() = TProgramState();
}
