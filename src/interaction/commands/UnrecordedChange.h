#pragma once
// A change the undo history cannot take back (level structure, texture coordinates, a
// closed curve): both histories are emptied, since their records no longer fit the
// scene, and the scene is marked modified.

void MarkUnrecordedChange();
