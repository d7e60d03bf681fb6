#pragma once
#include "mesh/Model.h"

// Slices model with the plane through p0, p1, p2 (world coordinates). The model keeps the
// negative half, piece (made by MakeEmptyPiece at model.position) receives the positive half;
// both are capped, pushed apart, and sparks are appended to particles.
void CutModel(Model& model, Vec3 p0, Vec3 p1, Vec3 p2, Model& piece, ParticleList& particles);
