#include "pick_report.h"

namespace scene {

void PickReport::frameDone() {
    if (printed && *printed == pointed)
        return;
    printed = pointed;
    out << "pointed: " << (pointed.empty() ? "none" : pointed) << std::endl;
}

}  // namespace scene
