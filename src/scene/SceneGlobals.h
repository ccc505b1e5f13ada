#pragma once
// The scene layer's start-up objects, built after the mesh model's.

// Registers the scene's node classes. Does nothing the second time.
void InitializeSceneGlobals();
