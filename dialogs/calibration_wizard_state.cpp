#include "dialogs/calibration_wizard_state.h"

#include "base/text_numbers.h"
#include "base/wizard_ids.h"

namespace brelvik {

using namespace wizard_ids;

void WizardState::enterStep(int device, int newStep, StepText texts) {
    setStep(device, newStep);
    controls->setText(kStepText, texts.text);
    controls->setText(kSecondText, texts.second);
}

void WizardState::show(std::initializer_list<int> ids, bool visible) {
    for (const int id : ids) controls->show(id, visible);
}

void WizardState::sendFrame(std::uint8_t code, std::uint8_t value) {
    if (switchPanelConnected()) panels->writeFrame(Panel::SwitchPanel, code, value);
}

void WizardState::storeNumber(const char* section, const char* key, std::int32_t value) {
    settings.write(section, key, formatText("%d", static_cast<int>(value)));
}

void WizardState::clearPage() {
    controls->setText(kTitle, "");
    controls->setText(kStepText, "");
    controls->setText(kSecondText, "");
    show({kPrevious, kNext, kCancel, kUp, kDown, kReverse}, false);
}

void WizardState::finishDevice() {
    selected = -1;
    clearPage();
    controls->setText(kNext, "Next");
}

}  // namespace brelvik
