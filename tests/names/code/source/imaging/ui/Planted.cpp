// A dialog's code that reaches a widget by its numbered name.
#include <cstdint>

void Planted(Ui::PlantedDialog* Form, std::int32_t x264) {
    if (x264 > 0)
        Form->BitBtn1->click();
}
