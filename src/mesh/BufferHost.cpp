#include "mesh/BufferHost.h"

namespace {
BufferHost s_defaultHost;
BufferHost *s_pHost = &s_defaultHost;
}  // namespace

BufferHost &BufferHost::Get() { return *s_pHost; }

void BufferHost::Install(BufferHost *host) { s_pHost = host ? host : &s_defaultHost; }
