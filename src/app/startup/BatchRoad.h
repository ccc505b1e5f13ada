#pragma once
// Batch map extraction from the command line: no window, no OpenGL and no event loop, so
// it runs on machines without a display. It builds what a bake needs (the instance check,
// the preferences and their folders, the log file) and bakes through the same road as
// the headless bake, so equal settings give equal maps.

class CommandLine;

namespace MapExtraction {
class Mapper;
}

// Runs the extraction with the engine's settings (filled by the command line) from the
// low mesh onto the high mesh the command line names; without "-range" the search
// distance is the low mesh's default. 0 on success; on failure one line on standard
// error (and a second naming the switch to add when a map has no file name), no map
// written, and 255.
int RunBatchRoad(const CommandLine &commandLine, MapExtraction::Mapper &engine);
