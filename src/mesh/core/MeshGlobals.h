#pragma once
// The mesh model's start-up objects, built after the foundation's (General::InitializeGlobals).

// Registers the mesh model's node classes. Does nothing the second time.
void InitializeMeshGlobals();
