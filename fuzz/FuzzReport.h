#pragma once
// How a target tells the replaying main whether it accepted an input, so
// that inputs kept as must-be-refused are checked. Under libFuzzer nobody
// listens and the report goes nowhere.

extern "C" __attribute__((weak)) void PixFuzzReport(bool accepted);

namespace pix::fuzz {

inline void Report(bool accepted)
{
    if (PixFuzzReport)
        PixFuzzReport(accepted);
}

}  // namespace pix::fuzz
