#pragma once
// Map extraction's start-up objects, built after the scene's.

// Registers the map extraction node classes and lets meshes build face trees.
// Does nothing the second time.
void InitializeMappingGlobals();
