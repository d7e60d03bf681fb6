#include "mesh/Field.h"

#include <cmath>
#include <cstdlib>

#include "mesh/Arithmetic.h"
#include "mesh/Cut.h"
#include "mesh/Sphere.h"
#include "mesh/VecMath.h"
#include "mesh/Random.h"


float spawnTravel = 0.0f;

namespace {

// Gems sink below the camera and are dropped here.
constexpr float kRemovalHeight = 3.0f;
// New gems appear at the top of the tube.
constexpr float kSpawnHeight = 150.0f;
// One spawn chance in this many per test.
constexpr int kSpawnOdds = 48;
// Prewarm: the field runs this many steps ahead, drifting by this much on every axis.
constexpr int kPrewarmSteps = 300;
constexpr float kPrewarmDrift = 0.05f;
// The cutting step tests for a spawn once per this much downward travel.
constexpr double kTravelPerSpawnTest = 0.5;

void SpawnTest(ModelField& field) {
    if (GameRandom() % kSpawnOdds == 0) SpawnModel(field);
}

void Move(Model& model, float dx, float dy, float dz) {
    model.position.x += dx;
    model.position.y += dy;
    model.position.z += dz;
    model.position.x += model.velocity.x;
    model.position.y += model.velocity.y;
    model.position.z += model.velocity.z;
}

void RemoveAt(ModelField& field, std::size_t i) {
    delete field.models[i];
    field.models.erase(field.models.begin() + static_cast<std::ptrdiff_t>(i));
}

}  // namespace

ModelField::~ModelField() {
    for (Model* model : models) delete model;
}

void SpawnModel(ModelField& field) {
    // A whole number of degrees around the ring (3.1415 is the ring's own constant).
    const int place = GameRandom() % 360;
    const float c = kRingCos[place];
    const float s = kRingSin[place];
    const Vec3 position = {static_cast<float>(c * 1.25), kSpawnHeight, static_cast<float>(s * 1.15)};
    const int n = (GameRandom() % 3) + 3;
    field.models.push_back(GenerateSphereModel(n, position));
}

ModelField* PrewarmField() {
    ModelField* field = new ModelField;
    for (int step = 0; step < kPrewarmSteps; ++step) {
        for (Model* model : field->models) {
            Move(*model, -kPrewarmDrift, -kPrewarmDrift, -kPrewarmDrift);
        }
        SpawnTest(*field);
    }
    return field;
}

void AdvanceModels(ModelField& field, float dx, float dy, float dz) {
    field.cutCount = 0;
    std::size_t i = 0;
    while (i < field.models.size()) {
        if (field.models[i]->position.y < kRemovalHeight) {
            RemoveAt(field, i);
            continue;
        }
        Move(*field.models[i], dx, dy, dz);
        ++i;
    }
    SpawnTest(field);
}

void AdvanceAndCut(ModelField& field, float dx, float dy, float dz, const BladeGeometry& blade,
                   ParticleList& particles) {
    field.cutCount = 0;
    std::size_t i = 0;
    // Pieces appended during the walk are visited (and moved) in this same step.
    while (i < field.models.size()) {
        Model* model = field.models[i];
        if (model->position.y < kRemovalHeight) {
            RemoveAt(field, i);
            continue;
        }
        if (model->cuttable && BladeHitsModel(model->position, blade.hitTriangle[0],
                                              blade.hitTriangle[1], blade.hitTriangle[2], 1.0f)) {
            model->cuttable = false;
            Model* piece = MakeEmptyPiece(model->position);
            field.models.push_back(piece);
            CutModel(*model, blade.cutTriangle[0], blade.cutTriangle[1], blade.cutTriangle[2],
                     *piece, particles);
            field.cutCount += 1;
        }
        Move(*model, dx, dy, dz);
        ++i;
    }

    // Spawning follows the distance scrolled rather than the number of steps.
    spawnTravel += dy;
    while (spawnTravel < -0.5f) {
        spawnTravel = static_cast<float>(spawnTravel + kTravelPerSpawnTest);
        SpawnTest(field);
    }
}

bool BladeHitsModel(Vec3 centre, Vec3 t0, Vec3 t1, Vec3 t2, float r) {
    const Vec3 raw = Cross(Sub(t1, t0), Sub(t2, t0));
    const double length = std::sqrt(static_cast<double>(Dot(raw, raw)));
    const Vec3 n = {static_cast<float>(raw.x / length), static_cast<float>(raw.y / length),
                    static_cast<float>(raw.z / length)};
    // A blade triangle without area has no plane to touch.
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) return false;

    const float dist = Dot(Sub(centre, t0), n);
    if (std::fabs(dist) > r) return false;
    const Vec3 foot = {centre.x - dist * n.x, centre.y - dist * n.y, centre.z - dist * n.z};

    // The foot lies inside when the three corner-pair cross products all point one way.
    const Vec3 u = Sub(t0, foot);
    const Vec3 v = Sub(t1, foot);
    const Vec3 w = Sub(t2, foot);
    const Vec3 k[3] = {Cross(u, v), Cross(v, w), Cross(w, u)};
    Vec3 sum = {0.0f, 0.0f, 0.0f};
    bool inside = true;
    for (const Vec3& kk : k) {
        if (Dot(kk, sum) < 0.0f) inside = false;
        sum = {sum.x + kk.x, sum.y + kk.y, sum.z + kk.z};
    }
    return inside;
}
