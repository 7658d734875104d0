#include "frame_maker_timing.h"

namespace framira {
namespace {
CFrameMakerStageTimes* stageTimes = nullptr;
}

void SetFrameMakerStageTimes(CFrameMakerStageTimes* sink) { stageTimes = sink; }
CFrameMakerStageTimes* FrameMakerStageTimes() { return stageTimes; }

} // namespace framira
