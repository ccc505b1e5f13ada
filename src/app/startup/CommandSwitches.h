#pragma once
// Process-wide switches the command line sets and the rest of the program reads. The
// memory limit lives with the memory counter (General::SetMemoryLimit).

struct CommandSwitches {
    // "benchmark": play a recording back.
    static inline bool s_bBenchmark = false;
    // "savebenchmark": record the user's input.
    static inline bool s_bSaveBenchmark = false;
    // "test": extra diagnostic log lines and operation timing reports.
    static inline bool s_bTest = false;
    // "unattended": no person watches (CI): message boxes and the benchmark report go to
    // the console instead of windows, so a run ends by itself.
    static inline bool s_bUnattended = false;
};
