#include "mesh/Sphere.h"

#include <cmath>
#include <vector>

#include "mesh/Arithmetic.h"

namespace {

// Slightly above pi and two pi in float; the gem shapes are tuned to these values.
constexpr float kPi = 3.141593f;
constexpr float kTwoPi = 6.283186f;

float SinF(float a) { return static_cast<float>(std::sin(static_cast<double>(a))); }
float CosF(float a) { return static_cast<float>(std::cos(static_cast<double>(a))); }

}  // namespace

Model* GenerateSphereModel(int n, Vec3 position) {
    Model* model = new Model;
    model->cuttable = true;
    model->position = position;

    if (n >= 0) {
        const int side = n + 1;
        model->vertices.reserve(static_cast<std::size_t>(side) * side);
        // Latitude and longitude terms depend on one index each; computing them once per
        // row and column gives the same floats as computing them per vertex.
        std::vector<float> sinPhi(side), cosPhi(side);
        // The sizes the stream makes take the play's constants; any other (tests and tools
        // only) the library's sine and cosine.
        const SphereAngles* fixed =
            n >= kFewestFacets && n <= kMostFacets ? &kSphereAngles[n - kFewestFacets] : nullptr;
        // n = 0 leaves a single north-pole vertex; its angles would be 0/0, so they are 0.
        for (int j = 0; j <= n; ++j) {
            const float phi = n > 0 ? (static_cast<float>(j) * kTwoPi) / static_cast<float>(n) : 0.0f;
            sinPhi[j] = fixed ? fixed->sinPhi[j] : SinF(phi);
            cosPhi[j] = fixed ? fixed->cosPhi[j] : CosF(phi);
        }
        for (int i = 0; i <= n; ++i) {
            const float theta = n > 0 ? (static_cast<float>(i) * kPi) / static_cast<float>(n) : 0.0f;
            const float sinTheta = fixed ? fixed->sinTheta[i] : SinF(theta);
            const float cosTheta = fixed ? fixed->cosTheta[i] : CosF(theta);
            for (int j = 0; j <= n; ++j) {
                model->vertices.push_back({cosPhi[j] * sinTheta, cosTheta, sinPhi[j] * sinTheta});
            }
        }
    }

    if (n > 0) {
        model->faces.reserve(2 * static_cast<std::size_t>(n) * n);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                const int k = i * (n + 1) + j;
                // Pole cells yield zero-area triangles; they are kept so every cell has two.
                model->faces.push_back({k, k + 1, k + n + 2});
                model->faces.push_back({k, k + n + 2, k + n + 1});
            }
        }
        model->faceIsSurface.assign(model->faces.size(), true);
    }
    return model;
}
