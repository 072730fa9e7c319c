#include "dialogs/gauge_selection.h"

#include <cstddef>

namespace brelvik {

GaugeBoxStates GaugeSelectionForm::opening() const {
    GaugeBoxStates boxes{};
    for (std::size_t i = 0; i < boxes.size(); ++i) boxes[i] = flags_.*kGaugeKeys[i].flag;
    return boxes;
}

void GaugeSelectionForm::accept(const GaugeBoxStates& boxes) {
    for (std::size_t i = 0; i < boxes.size(); ++i) flags_.*kGaugeKeys[i].flag = boxes[i];
    storeGaugeSelection(settings_, flags_);
}

}  // namespace brelvik
