#pragma once

#include <cstdint>

class TForm1;

namespace undo_test {

class Driver;

// What a random run of commands, undos and redos saw.
struct RunReport {
    int commands = 0;     // commands run
    int steps = 0;        // ... that made a step
    int undos = 0;        // undos that put a state back
    int redos = 0;        // redos that put a state back
    int idle = 0;         // undos or redos with nothing to do
    int overflowed = 0;   // oldest steps dropped at the limit
    long heapEarly = 0;   // bytes of heap in use (sample buffers apart) once the history was full
    long heapLate = 0;    // ... at the end of the random part
    int heapEarlyAt = 0;  // the operation at which heapEarly was measured
};

// Runs `operations` random operations (seeded) on the window: commands through the driver,
// undos and redos from the menu. After every one it checks, with gtest, that the history holds
// one step per command that changed anything, that the window shows exactly the state recorded
// for that point (after a command or a redo: the state after it; after an undo: the state before
// the step undone), and the menu items' states. It ends by undoing all steps kept (the model file
// must then be the one before the oldest) and redoing them all (the last command's).
// `limit`: the history's limit, set on the still empty history (0: none).
void RunRandomHistory(TForm1& form, Driver& driver, std::uint32_t seed, int operations, int limit,
                      RunReport& report);

// Bytes of heap in use, apart from the sound buffers of the current and the series models.
long HeapApartFromSound(const TForm1& form);

}  // namespace undo_test
