// The PNG graphic (ZOVIDUD).
#pragma once

namespace verid {

// Adds the "png" row ("PNG Format") to the picture format registry.
void RegisterZudiraFormat();

}  // namespace verid
