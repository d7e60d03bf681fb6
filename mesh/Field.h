#pragma once
// The stream of gems falling down the tube.
#include <cstdint>
#include <vector>

#include "mesh/Model.h"

struct ModelField {
    std::vector<Model*> models;  // owned, in insertion order
    std::int32_t cutCount = 0;   // models cut in the most recent step (the game plays a sound each)

    ModelField() = default;
    ModelField(const ModelField&) = delete;
    ModelField& operator=(const ModelField&) = delete;
    ~ModelField();
};

// An empty field run 300 steps ahead.
ModelField* PrewarmField();

// One step without cutting.
void AdvanceModels(ModelField& field, float dx, float dy, float dz);

// One step in which the blade cuts every whole gem it strikes.
void AdvanceAndCut(ModelField& field, float dx, float dy, float dz, const BladeGeometry& blade,
                   ParticleList& particles);

// Appends a new gem at the top of the tube (two draws from the random stream).
void SpawnModel(ModelField& field);

bool BladeHitsModel(Vec3 centre, Vec3 t0, Vec3 t1, Vec3 t2, float r);

// The process-wide vertical travel accumulator that paces spawning in the cutting step.
extern float spawnTravel;
