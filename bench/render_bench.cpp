// Cost of the pixel work behind a texture load and of building the tube's strip each frame.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "render/MeshMath.h"
#include "render/TextureMath.h"

static void BM_KeyTexture256(benchmark::State& state) {
    cv::Mat picture(256, 256, CV_8UC3);
    cv::randu(picture, cv::Scalar::all(0), cv::Scalar::all(255));
    KeyedImage image;
    std::string why;
    for (auto _ : state) {
        MakeKeyedImage(picture, ColorKey{0, 0, 0}, image, why);
        benchmark::DoNotOptimize(image.rgba.data());
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_KeyTexture256);

static void BM_SurfaceStrip(benchmark::State& state) {
    Surface surface;
    for (auto _ : state) {
        surface.scroll += 0.01;
        auto strip = SurfaceStrip(surface);
        benchmark::DoNotOptimize(strip.data());
    }
}
BENCHMARK(BM_SurfaceStrip);
