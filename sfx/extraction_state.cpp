#include "extraction_state.h"

#include <new>

namespace sfx {

ExtractionState& State() {
    // Constructed on first use and deliberately never destroyed: the program exits without
    // waiting for a worker that may still hold the lock.
    alignas(ExtractionState) static unsigned char storage[sizeof(ExtractionState)];
    static ExtractionState* const state = new (storage) ExtractionState;
    return *state;
}

}  // namespace sfx
