#pragma once
#include "mesh/Model.h"

// A coarse latitude-longitude sphere of radius 1 with n subdivisions each way: a faceted gem.
Model* GenerateSphereModel(int n, Vec3 position);
