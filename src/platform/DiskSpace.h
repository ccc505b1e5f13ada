#pragma once
// How many bytes a new file in a folder may take.
#include <QString>

#include <cstdint>

// What the file system leaves to this user in `folder`, lowered to the limit set for
// tests; 0 when the folder cannot be asked.
uint64_t AvailableDiskSpace(const QString &folder);
// Caps what AvailableDiskSpace reports (all bits set: no cap), so that a full disk can be
// shown without filling one.
void SetDiskSpaceLimit(uint64_t bytes);
