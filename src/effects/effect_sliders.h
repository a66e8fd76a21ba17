// The effects a slider can drive, in the order (and with the codes) of the
// effects dialog's list: each with its slider range, tick frequency and the
// photo view parameter it reads and sets.
#pragma once

#include <array>

#include "effects/raduvir_engine.h"

namespace vt {

struct EffectSlider {
    const char* name;
    int min;
    int max;
    int tickFrequency;
    int (TRaDuvirEngine::*get)() const;
    void (TRaDuvirEngine::*set)(int);
};

// Indexed by effect code. Alphabetical, so a sorted list keeps each entry
// at the position of its code.
extern const std::array<EffectSlider, 15> kEffectSliders;

// The slider of an effect code; nullptr for a code outside the table.
const EffectSlider* EffectSliderOf(int code);

// The slider's position for an effect's value: the nearer end of the range
// for a value outside it.
int SliderPositionFor(const EffectSlider& slider, int value);

} // namespace vt
