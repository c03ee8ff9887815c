// The windows layer's media for the runtime: background music through the process-wide music
// players, background pictures through one kept painter per window.
#pragma once

#include "platform/platform.h"
#include "runtime/media_services.h"

namespace love::windows {

// The runtime's media services. Music needs a platform to play on: bind it once at start-up;
// until then (or after unbind) music is rejected and background pictures still paint.
runtime::MediaServices& mediaServices();
void bindMediaPlatform(platform::Platform& platform);
void unbindMediaPlatform();

}  // namespace love::windows
