#pragma once
// The scrolling backdrop tube and the gems, drawn in 3D.
#include "mesh/Model.h"

struct Surface {
    double scroll = 0.0;
    float points[24][3];  // ring A (0..11) at y = 0, ring B (12..23) at y = 150

    Surface();
};

struct ModelField;

void DrawSurface(const Surface& surface);
void DrawModel(const Model* model);

// Every gem of the field, in list order.
void DrawModels(const ModelField& field);

// The whole 3D pass of a scene without a blade: orbit view, tube, gems, then no program current.
void DrawStream(int angle, const Surface& surface, const ModelField& field);
