// Reads arbitrary bytes as a run's journal: damage is found, never taken for a run.
#include "FuzzCheck.h"
#include "journal/Journal.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    journal::Run run;
    uint64_t where = 0;
    if (journal::DecodeRun(bytes, run, &where)) {
        Check(run.items.empty() && !run.end, "a damaged journal gives nothing");
        Check(where <= size, "the damage lies within the bytes");
    }
    return 0;
}
