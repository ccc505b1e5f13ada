#pragma once
// Baking without a window: the low mesh and the high surface come from two mesh files.
// The batch road of the application and the benchmark drive the engine through this.

#include <QString>

namespace MapExtraction {

class Mapper;

// Imports `lowFile` (its first object, at its finest level, is the low mesh) and bakes
// from `highFile`, which each region imports for the part near it, with the mapper's
// other settings. With `defaultSearchDistance` the search distance becomes the low
// mesh's default, as choosing the mesh in the settings gives it; otherwise the mapper's
// stays. True on success; otherwise `error` (when given) says why.
bool BakeFromFiles(Mapper &mapper, const QString &lowFile, const QString &highFile, QString *error = nullptr,
                   bool defaultSearchDistance = false);

}  // namespace MapExtraction
