#include "byte_meter.h"

namespace quillon {

namespace {
thread_local TByteMeter* ThreadMeter = nullptr;
} // namespace

TByteMeter* CurrentByteMeter() {
    return ThreadMeter;
}

TScopedByteMeter::TScopedByteMeter(TByteMeter* Meter) : FPrevious(ThreadMeter) {
    ThreadMeter = Meter;
}

TScopedByteMeter::~TScopedByteMeter() {
    ThreadMeter = FPrevious;
}

} // namespace quillon
