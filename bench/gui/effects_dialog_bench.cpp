// The effects dialog on a 24-megapixel photo: what one step of the slider
// costs (the preview re-rendered and painted), preparing the preview when
// the dialog opens, and OK rendering the whole photo.
#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

#include "../photo.h"
#include "effects/gui/effectsform.h"
#include "effects/gui/raduvir.h"
#include "qtbench.h"

namespace {

// The photo view with the photo, and the dialog open on it.
struct Dialog {
    vt::gui::TRaDuvir photo;
    vt::gui::TEffectsForm form;
    Dialog() {
        photo.setPictureOriginal(vt::bench::Photo());
        photo.ResetEffects();
        form.Target = &photo;
        form.SetPreviewFrom(photo);
        form.show();
        QApplication::processEvents();
    }
    void choose(const char* effect) {
        form.cbEffect->setCurrentIndex(form.cbEffect->findText(effect));
    }
};

// One step of the slider: the preview rendered and painted.
void SliderSteps(benchmark::State& state, const char* effect, int a, int b) {
    Dialog d;
    d.choose(effect);
    bool flip = false;
    for (auto _ : state) {
        d.form.tbEffect->setValue(flip ? a : b);
        d.form.Image2->repaint();
        flip = !flip;
    }
}

void BM_SliderStepBrightness(benchmark::State& state) {
    SliderSteps(state, "Brightness", 40, 41);
}
void BM_SliderStepGaussianBlur(benchmark::State& state) {
    SliderSteps(state, "Gaussian Blur", 10, 11);
}
void BM_SliderStepTrace(benchmark::State& state) {
    SliderSteps(state, "Trace", 1, 2);
}

void BM_OpenPreview(benchmark::State& state) {
    Dialog d;
    for (auto _ : state)
        d.form.SetPreviewFrom(d.photo);
}

// OK: the preview's settings copied to the photo view, which renders the
// whole photo (one render per changed setting and one more).
void OkWith(benchmark::State& state, const char* effect, int value) {
    Dialog d;
    d.choose(effect);
    d.form.tbEffect->setValue(value);
    for (auto _ : state) {
        d.form.BitBtn1Click();
        state.PauseTiming();
        d.photo.ResetEffects();
        state.ResumeTiming();
    }
}

void BM_OkBrightness(benchmark::State& state) {
    OkWith(state, "Brightness", 40);
}
void BM_OkGaussianBlur(benchmark::State& state) {
    OkWith(state, "Gaussian Blur", 2);
}

BENCHMARK(BM_SliderStepBrightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SliderStepGaussianBlur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SliderStepTrace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenPreview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OkBrightness)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OkGaussianBlur)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return vt::bench::RunWindowBenchmarks(argc, argv);
}
